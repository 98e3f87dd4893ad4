#pragma once

#include <string_view>

namespace orvane {

// The text without the spaces and tabs around it: what readers of keys, values and header
// fields ignore. Other white space (a line's \r, a form feed) is the caller's to drop.
inline std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace orvane
