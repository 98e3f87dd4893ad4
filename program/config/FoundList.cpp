#include "config/FoundList.h"

#include <cstdio>
#include <cstring>

namespace orvane {

int ClampFoundCount(int count) {
    return count < 0 ? 0 : (count > kFoundCapacity ? kFoundCapacity : count);
}

int CopyFoundList(FoundAddrArray& toAddr, FoundNameArray& toName, FoundInfoArray& toInfo, const FoundAddrArray& addr,
                  const FoundNameArray& name, const FoundInfoArray& info, int count) {
    const int n = ClampFoundCount(count);
    for (int i = 0; i < n; ++i) {
        std::memmove(toAddr[i], addr[i], 4);
        // memmove: a caller may hand the same arrays back.
        std::memmove(toName[i], name[i], kFoundNameBytes);
        toName[i][kFoundNameBytes - 1] = '\0';
        std::memmove(toInfo[i], info[i], kFoundInfoBytes);
        toInfo[i][kFoundInfoBytes - 1] = '\0';
    }
    return n;
}

void ClearFoundList(FoundAddrArray& addr, FoundNameArray& name, FoundInfoArray& info) {
    std::memset(addr, 0, sizeof addr);
    std::memset(name, 0, sizeof name);
    std::memset(info, 0, sizeof info);
}

uint32_t PackFoundAddress(const unsigned char (&a)[4]) {
    return (static_cast<uint32_t>(a[0]) << 24) | (static_cast<uint32_t>(a[1]) << 16) |
           (static_cast<uint32_t>(a[2]) << 8) | static_cast<uint32_t>(a[3]);
}

std::string FormatPackedAddress(uint32_t p) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", (p >> 24) & 0xFFu, (p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu);
    return buf;
}

} // namespace orvane
