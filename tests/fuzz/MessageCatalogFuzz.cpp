// The message catalog file and insert formatting: any file parses; every text found ends in
// the CR LF the lookup drops; formatting and the lookup's cut never split a UTF-8 character
// of a valid text.
#include "FuzzSupport.h"
#include "catalog/CatalogFile.h"
#include "catalog/MessageCatalog.h"
#include "catalog/MessageFormat.h"
#include "platform/Utf8.h"

#include <array>
#include <string>

using namespace orvane;

namespace {

const std::array<std::string, 4> kArgs = {"AX-210", "", "192.168.1.10 (\xE6\x8A\x95\xE5\xBD\xB1)",
                                          std::string(200, 'x') + "\xC3\xA9"};

// What GetCatalogText makes of a text: inserts filled up to the buffer's size, CR LF
// dropped, cut to the buffer.
void CheckFormatted(std::string_view text, bool validText) {
    const std::string formatted = FormatCatalogMessage(text, kArgs, kCatalogBufferSize);
    // Stopping at the limit gives the beginning of the whole expansion, nothing else.
    const std::string full = FormatCatalogMessage(text, kArgs);
    FUZZ_CHECK(formatted == std::string_view(full).substr(0, kCatalogBufferSize));
    if (text.find('%') == std::string_view::npos)
        FUZZ_CHECK(full == text);
    const std::string_view cut = CutUtf8(formatted, kCatalogBufferSize - 1);
    FUZZ_CHECK(cut.size() < kCatalogBufferSize);
    FUZZ_CHECK(std::string_view(formatted).substr(0, cut.size()) == cut);
    if (validText)
        FUZZ_CHECK(fuzz::IsValidUtf8(cut));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::AsText(data, size);
    const bool valid = fuzz::IsValidUtf8(text);

    CatalogFile catalog;
    catalog.Parse(text);
    for (const CatalogProblem& problem : catalog.Problems())
        FUZZ_CHECK(problem.line >= 1 && !problem.reason.empty());
    std::size_t found = 0;
    for (int language : {1033, 2052}) {
        for (int set : {kCatalogSetUi, kCatalogSetErrors}) {
            for (int number = 0; number < 320; ++number) {
                const std::string* entry = catalog.Find(language, set, number);
                if (entry == nullptr)
                    continue;
                ++found;
                FUZZ_CHECK(entry->size() >= 2 && entry->ends_with("\r\n"));
                // The catalog keeps only UTF-8 lines, so its texts are valid whatever the input was.
                CheckFormatted(std::string_view(*entry).substr(0, entry->size() - 2), true);
            }
        }
    }
    FUZZ_CHECK(found <= catalog.Size());
    // The whole input as one text, for inserts the catalog's line rules would not let through.
    CheckFormatted(text, valid);
    return 0;
}
