#include "catalog/MessageFormat.h"

#include <algorithm>

namespace orvane {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string FormatCatalogMessage(std::string_view text, std::span<const std::string> args, std::size_t limit) {
    std::string out;
    out.reserve(std::min(text.size(), limit));
    std::size_t i = 0;
    while (i < text.size() && out.size() < limit) {
        char c = text[i];
        if (c != '%' || i + 1 == text.size()) {
            out += c;
            ++i;
            continue;
        }
        char next = text[i + 1];
        if (next == '0')
            return out;
        if (IsDigit(next)) {
            // One or two digits name the insert: "%100" is insert 10 followed by "0".
            std::size_t end = i + 2;
            int n = next - '0';
            if (end < text.size() && IsDigit(text[end]))
                n = n * 10 + (text[end++] - '0');
            // An optional printf-like tag "!...!" belongs to the insert.
            if (end < text.size() && text[end] == '!') {
                std::size_t close = text.find('!', end + 1);
                if (close != std::string_view::npos)
                    end = close + 1;
            }
            if (static_cast<std::size_t>(n) <= args.size()) {
                out.append(args[static_cast<std::size_t>(n) - 1], 0, limit - out.size());
            } else {
                out.append(text.substr(i, end - i));
            }
            i = end;
            continue;
        }
        switch (next) {
        case '%':
        case '.':
        case '!':
        case ' ':
            out += next;
            break;
        case 'n':
            out += "\r\n";
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        default:
            out += '%';
            out += next;
            break;
        }
        i += 2;
    }
    // Escapes such as %n add two bytes at once.
    if (out.size() > limit)
        out.resize(limit);
    return out;
}

} // namespace orvane
