#include "platform/Utf8.h"

namespace orvane {

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
    std::string_view prefix = text.substr(0, maxBytes);
    // Find the lead byte of the last character and leave that character out when its
    // bytes do not all lie within the prefix (cut in the middle, or a text that ends
    // early). Bytes that are not UTF-8 at all are kept as they are.
    std::size_t end = prefix.size();
    std::size_t j = end;
    while (j > 0 && end - j < 3 && (static_cast<unsigned char>(prefix[j - 1]) & 0xC0) == 0x80)
        --j;
    if (j == 0)
        return prefix;
    auto lead = static_cast<unsigned char>(prefix[j - 1]);
    std::size_t length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 1;
    if (length > 1 && (j - 1) + length > end)
        return prefix.substr(0, j - 1);
    return prefix;
}

} // namespace orvane
