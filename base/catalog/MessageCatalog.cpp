#include "catalog/MessageCatalog.h"

#include "catalog/CatalogFile.h"
#include "catalog/MessageFormat.h"
#include "platform/FileUtil.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

namespace orvane {

namespace {

std::mutex g_catalogMutex;
// Shared ownership lets a lookup keep using the catalog it started with while another
// thread closes or replaces it.
std::shared_ptr<const CatalogFile> g_catalog;

std::shared_ptr<const CatalogFile> CurrentCatalog() {
    std::lock_guard<std::mutex> lock(g_catalogMutex);
    return g_catalog;
}

std::optional<std::string> FormatFrom(const CatalogFile* catalog, int language, std::uint32_t id,
                                      std::span<const std::string> args, std::size_t limit) {
    if (catalog == nullptr)
        return std::nullopt;
    const std::string* text = catalog->Find(language, id);
    if (text == nullptr)
        return std::nullopt;
    return FormatCatalogMessage(*text, args, limit);
}

// The text as the caller keeps it: CR LF dropped, cut to size - 1 bytes.
std::string_view Finish(const std::optional<std::string>& text, std::size_t size) {
    std::string_view result;
    if (!text) {
        result = kNoMessageCatalog;
    } else {
        // Every catalog text ends with CR LF; a text cut short by %0 loses its own last
        // characters instead, as it would from a message table.
        result = *text;
        result.remove_suffix(result.size() < 2 ? result.size() : 2);
    }
    return CutUtf8(result, size - 1);
}

} // namespace

// The program folder may hold a catalog of its own; an installed program that runs with a
// per-user folder finds its catalogs beside the executable or in the data directory.
std::shared_ptr<const CatalogFile> LoadCatalogFile(const char* name) {
    const std::string dirs[] = {ProgramDir(), ExecutableDir(), ".", InstalledDataDir()};
    for (const std::string& dir : dirs) {
        std::string path = dir + "/" + name;
        if (!FileExists(path))
            continue;
        auto catalog = std::make_shared<CatalogFile>();
        if (catalog->Load(path) == 0)
            return catalog;
    }
    return nullptr;
}

std::string CatalogTextIn(const CatalogFile* catalog, int language, int set, int number,
                          std::span<const std::string> args) {
    const std::uint32_t id = CatalogFile::MessageId(set, number);
    std::optional<std::string> text = FormatFrom(catalog, language, id, args, kCatalogBufferSize + 1);
    if (!text)
        text = FormatFrom(catalog, kLangEnglishUS, id, args, kCatalogBufferSize + 1);
    return std::string(Finish(text, kCatalogBufferSize));
}

int OpenCatalog() {
    bool chinese = FileExists(kMarkerChinese) || SystemDefaultLanguage() == kLangChineseSimplified;
    std::shared_ptr<const CatalogFile> catalog =
        LoadCatalogFile(CatalogFileName(chinese ? kLangChineseSimplified : kLangEnglishUS));
    std::lock_guard<std::mutex> lock(g_catalogMutex);
    g_catalog = std::move(catalog);
    return g_catalog ? 0 : -1;
}

void CloseCatalog() {
    std::shared_ptr<const CatalogFile> old;
    {
        std::lock_guard<std::mutex> lock(g_catalogMutex);
        old.swap(g_catalog);
    }
    // The catalog is freed here, outside the lock, unless a lookup still holds it.
}

bool IsCatalogOpen() {
    std::lock_guard<std::mutex> lock(g_catalogMutex);
    return g_catalog != nullptr;
}

void GetCatalogText(int set, int number, std::size_t size, char* buffer, std::span<const std::string> args) {
    if (size == 0 || buffer == nullptr)
        return;
    std::shared_ptr<const CatalogFile> catalog = CurrentCatalog();
    const CatalogFile* cat = catalog.get();

    std::uint32_t id = CatalogFile::MessageId(set, number);
    int language = FileExists(kMarkerEnglish) ? kLangEnglishUS : SystemDefaultLanguage();
    // Of the expansion, the caller keeps at most size - 1 bytes once the last two are
    // dropped: anything beyond size + 1 bytes would be built only to be thrown away.
    const std::size_t limit = size + 1;
    std::optional<std::string> text = FormatFrom(cat, language, id, args, limit);
    if (FileExists(kMarkerChinese))
        text = FormatFrom(cat, kLangEnglishUS, id, args, limit);
    if (!text)
        text = FormatFrom(cat, kLangEnglishUS, id, args, limit);

    const std::string_view result = Finish(text, size);
    std::memcpy(buffer, result.data(), result.size());
    buffer[result.size()] = '\0';
}

std::string CatalogText(int set, int number, std::span<const std::string> args) {
    char buffer[kCatalogBufferSize];
    GetCatalogText(set, number, sizeof buffer, buffer, args);
    return std::string(buffer);
}

} // namespace orvane
