#pragma once

#include <string_view>

namespace orvane {

inline constexpr int kLangEnglishUS = 1033;
inline constexpr int kLangChineseSimplified = 2052;

// The language id (Windows LANGID numbering, which the catalog files use) of a POSIX or
// BCP 47 locale name such as "zh_CN.UTF-8", "pt-BR" or "zh_Hant_TW". "C", "POSIX", an
// empty name and languages the table does not know give 1033.
int LanguageFromLocale(std::string_view locale);

// The language of the user's message locale: the first non-empty of LC_ALL, LC_MESSAGES
// and LANG, as LanguageFromLocale reads it.
int SystemDefaultLanguage();

// The language a catalog is shipped for, of a tag a page or a request names ("zh", "zh-CN",
// "zh-Hans", "en", "en-GB", "*"): kLangChineseSimplified, kLangEnglishUS, or 0 for any other.
int CatalogLanguage(std::string_view tag);

} // namespace orvane
