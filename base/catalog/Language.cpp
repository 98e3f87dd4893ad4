#include "catalog/Language.h"

#include "platform/AsciiCase.h"
#include "platform/Blanks.h"

#include <cstdlib>
#include <string>

namespace orvane {

namespace {

struct LanguageEntry {
    std::string_view language;
    int id;
};

// Primary languages whose every region shares one id here. English and Chinese are
// decided before this table; Portuguese needs its region.
constexpr LanguageEntry kLanguages[] = {
    {"ar", 1025}, {"bg", 1026}, {"ca", 1027}, {"cs", 1029}, {"da", 1030}, {"de", 1031}, {"el", 1032},
    {"es", 3082}, {"fi", 1035}, {"fr", 1036}, {"he", 1037}, {"hu", 1038}, {"is", 1039}, {"it", 1040},
    {"ja", 1041}, {"ko", 1042}, {"nl", 1043}, {"nb", 1044}, {"no", 1044}, {"pl", 1045}, {"ro", 1048},
    {"ru", 1049}, {"hr", 1050}, {"sk", 1051}, {"sv", 1053}, {"th", 1054}, {"tr", 1055}, {"id", 1057},
    {"uk", 1058}, {"sl", 1060}, {"et", 1061}, {"lv", 1062}, {"lt", 1063}, {"vi", 1066}, {"hi", 1081},
};

int ChineseLanguage(std::string_view rest) {
    // rest holds the parts after "zh", lower case, each led by '_': region or script.
    // Traditional script without a region counts as Taiwan; a region decides otherwise.
    int id = 2052;
    std::size_t pos = 0;
    while (pos < rest.size()) {
        std::size_t next = rest.find('_', pos + 1);
        std::string_view part =
            rest.substr(pos + 1, next == std::string_view::npos ? std::string_view::npos : next - pos - 1);
        if (part == "hant") {
            id = 1028;
        } else if (part == "hans") {
            id = 2052;
        } else if (part == "tw") {
            return 1028;
        } else if (part == "hk") {
            return 3076;
        } else if (part == "mo") {
            return 5124;
        } else if (part == "cn" || part == "sg") {
            return 2052;
        }
        if (next == std::string_view::npos)
            break;
        pos = next;
    }
    return id;
}

} // namespace

int LanguageFromLocale(std::string_view locale) {
    // "ll_RR.codeset@modifier" or "ll-Script-RR": only language, script and region count.
    std::size_t stop = locale.find_first_of(".@");
    std::string name = LowerAscii(locale.substr(0, stop));
    for (char& c : name) {
        if (c == '-')
            c = '_';
    }
    std::size_t sep = name.find('_');
    std::string_view language = std::string_view(name).substr(0, sep);
    std::string_view rest = sep == std::string::npos ? std::string_view() : std::string_view(name).substr(sep);

    if (language == "zh")
        return ChineseLanguage(rest);
    if (language == "en")
        return 1033;
    if (language == "pt")
        return rest.starts_with("_br") ? 1046 : 2070;
    for (const LanguageEntry& entry : kLanguages) {
        if (entry.language == language)
            return entry.id;
    }
    return kLangEnglishUS; // C, POSIX, empty and everything unknown
}

int SystemDefaultLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0')
            return LanguageFromLocale(value);
    }
    return kLangEnglishUS;
}

int CatalogLanguage(std::string_view tag) {
    const std::string lower = LowerAscii(TrimBlanks(tag));
    if (lower.empty())
        return 0;
    if (LanguageFromLocale(lower) == kLangChineseSimplified)
        return kLangChineseSimplified;
    if (lower == "en" || lower.starts_with("en-") || lower.starts_with("en_") || lower == "*")
        return kLangEnglishUS;
    return 0;
}

} // namespace orvane
