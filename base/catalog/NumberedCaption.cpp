#include "catalog/NumberedCaption.h"

#include <climits>

namespace orvane {

namespace {

// White space as the C library's isspace sees it in the "C" locale.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

bool ParseNumberedCaption(std::string_view caption, int& number) {
    std::size_t i = 0;
    while (i < caption.size() && IsSpace(caption[i]))
        ++i;
    bool negative = false;
    if (i < caption.size() && (caption[i] == '+' || caption[i] == '-')) {
        negative = caption[i] == '-';
        ++i;
    }
    std::size_t digitsStart = i;
    long long value = 0;
    while (i < caption.size() && caption[i] >= '0' && caption[i] <= '9') {
        value = value * 10 + (caption[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return false;
        ++i;
    }
    if (i == digitsStart)
        return false;
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return false;
    // The semicolon must follow the digits directly.
    if (i >= caption.size() || caption[i] != ';')
        return false;
    ++i;
    // And some text after it, past any white space.
    while (i < caption.size() && IsSpace(caption[i]))
        ++i;
    if (i >= caption.size())
        return false;
    number = static_cast<int>(value);
    return true;
}

} // namespace orvane
