#include "config/ConnectionCheck.h"

#include "platform/PrivateProfile.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace orvane {

int ConnectionCheckMessage(ConnectionCheck check) {
    switch (check) {
    case ConnectionCheck::NoAddress:
        return 9;
    case ConnectionCheck::NoPort:
        return 8;
    case ConnectionCheck::BadPort:
        return 85;
    default:
        return 0;
    }
}

ConnectionCheck CheckConnectionFields(int pjtNum, bool network, int filledAddressFields, std::string_view portText) {
    if (pjtNum == 0)
        return ConnectionCheck::NoProjectors;
    if (!network)
        return ConnectionCheck::Ok;
    if (filledAddressFields < 4)
        return ConnectionCheck::NoAddress;
    if (portText.empty())
        return ConnectionCheck::NoPort;
    if (!IsWholeDecimalNumber(portText))
        return ConnectionCheck::BadPort;
    return ConnectionCheck::Ok;
}

bool IsWholeDecimalNumber(std::string_view text) {
    const std::string s(text);
    if (s.find('\0') != std::string::npos)
        return false;
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    std::strtol(begin, &end, 10);
    // No digits leaves end at the start, which is never the end of a non-empty text.
    return end != begin && *end == '\0';
}

int32_t PortNumberOf(std::string_view text) {
    return ProfileAtoi(text);
}

bool ParseDottedIPv4(std::string_view text, uint8_t (&out)[4]) {
    const std::string s(text);
    in_addr addr{};
    if (s.find('\0') != std::string::npos || inet_pton(AF_INET, s.c_str(), &addr) != 1)
        return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&addr.s_addr);
    for (int i = 0; i < 4; ++i)
        out[i] = bytes[i];
    return true;
}

std::string FormatDottedIPv4(const uint8_t (&b)[4]) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    return buf;
}

} // namespace orvane
