#pragma once

#include "catalog/Language.h"

#include <array>
#include <concepts>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace orvane {

class CatalogFile;

// The process-wide message catalog. One catalog file is loaded at a time; lookups are
// safe from any thread, also while another thread opens or closes the catalog.

inline constexpr int kCatalogSetUi = 11;       // captions, titles, tooltips, questions
inline constexpr int kCatalogSetErrors = 2201; // operations that failed or were refused

// The lookup's result when neither the chosen language nor 1033 has the message, or no
// catalog is loaded.
inline constexpr std::string_view kNoMessageCatalog = "No Message Catalog";

// The buffer size the callers use; CatalogText returns at most kCatalogBufferSize - 1 bytes.
inline constexpr std::size_t kCatalogBufferSize = 1024;

// File names of the two catalogs, looked for in the program directory, then in the
// working directory.
inline constexpr const char* kDefaultCatalogFile = "txtdef.cat";
inline constexpr const char* kChineseCatalogFile = "txtzhs.cat";

// The catalog file shipped for `language`: the Chinese one for simplified Chinese, the
// default one for every other.
constexpr const char* CatalogFileName(int language) {
    return language == kLangChineseSimplified ? kChineseCatalogFile : kDefaultCatalogFile;
}

// Marker files in the working directory (content never read): GETSCH chooses the Chinese
// catalog and language 1033, GETENG language 1033.
inline constexpr const char* kMarkerChinese = "GETSCH";
inline constexpr const char* kMarkerEnglish = "GETENG";

// Loads txtzhs.cat when GETSCH exists or the system language is 2052, else txtdef.cat,
// replacing a catalog loaded before. 0 when a catalog was loaded, -1 otherwise (then no
// catalog is loaded).
int OpenCatalog();

// Drops the loaded catalog, if any.
void CloseCatalog();

bool IsCatalogOpen();

// Writes the text of (set, number) with its inserts filled from `args` into `buffer`
// (capacity `size` bytes, always terminated unless size is 0, which writes nothing):
// language 1033 when GETENG exists, else the system language; with GETSCH the text under
// 1033 instead; then 1033 as fallback, then "No Message Catalog". The text's last two
// characters (its CR LF) are dropped and the rest is cut to size - 1 bytes, never inside
// a UTF-8 character. The marker files are looked for anew on every call.
void GetCatalogText(int set, int number, std::size_t size, char* buffer, std::span<const std::string> args);

// The catalog file of that name where OpenCatalog looks for it (the program folder, beside the
// executable, the working directory, the installation's data directory), or none.
std::shared_ptr<const CatalogFile> LoadCatalogFile(const char* name);

// The lookup of GetCatalogText in a catalog and language the caller chose (a web page names
// its own language; no marker file applies): `language`, then 1033, then "No Message
// Catalog"; CR LF dropped, cut to kCatalogBufferSize - 1 bytes. A null catalog has no texts.
std::string CatalogTextIn(const CatalogFile* catalog, int language, int set, int number,
                          std::span<const std::string> args = {});

namespace detail {

template <typename T>
concept CatalogStringArgument =
    std::is_convertible_v<const T&, std::string_view> || std::is_convertible_v<const T&, const char*>;

template <typename T>
concept CatalogIntegerArgument =
    std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, char8_t>;

template <typename T>
concept CatalogArgument = CatalogStringArgument<T> || CatalogIntegerArgument<T>;

template <CatalogArgument T> std::string ToCatalogArgument(const T& value) {
    if constexpr (std::is_convertible_v<const T&, const char*>) {
        // Character arrays end at their terminator, not at the end of the array.
        const char* text = value;
        return text != nullptr ? std::string(text) : std::string();
    } else if constexpr (CatalogStringArgument<T>) {
        return std::string(std::string_view(value));
    } else {
        return std::to_string(value);
    }
}

} // namespace detail

// GetCatalogText(11, 42, sizeof buf, buf, modelName): inserts from ints and strings.
template <detail::CatalogArgument... Args>
void GetCatalogText(int set, int number, std::size_t size, char* buffer, const Args&... args) {
    std::array<std::string, sizeof...(Args)> texts{detail::ToCatalogArgument(args)...};
    GetCatalogText(set, number, size, buffer, std::span<const std::string>(texts.data(), texts.size()));
}

// The text as GetCatalogText writes it into a kCatalogBufferSize-byte buffer.
std::string CatalogText(int set, int number, std::span<const std::string> args);

template <detail::CatalogArgument... Args> std::string CatalogText(int set, int number, const Args&... args) {
    std::array<std::string, sizeof...(Args)> texts{detail::ToCatalogArgument(args)...};
    return CatalogText(set, number, std::span<const std::string>(texts.data(), texts.size()));
}

} // namespace orvane
