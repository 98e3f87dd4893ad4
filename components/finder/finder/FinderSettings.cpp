#include "finder/FinderSettings.h"

#include "platform/FileUtil.h"
#include "platform/PrivateProfile.h"

#include <algorithm>
#include <arpa/inet.h>

namespace finder {

FinderSettings FinderSettings::Load() {
    return LoadFrom(orvane::ProgramDir() + "/" + kFileName);
}

FinderSettings FinderSettings::LoadFrom(const std::string& path) {
    FinderSettings s;
    const orvane::PrivateProfile profile = orvane::PrivateProfile::Load(path);
    const std::string address = profile.GetString("Probe", "Address");
    if (!address.empty()) {
        in_addr parsed{};
        s.valid = inet_pton(AF_INET, address.c_str(), &parsed) == 1;
        s.address = address;
    }
    const std::string port = profile.GetString("Probe", "Port");
    if (!port.empty()) {
        const int value = orvane::ProfileAtoi(port);
        if (value >= 1 && value <= 65535)
            s.port = value;
        else
            s.valid = false;
    }
    const std::string listen = profile.GetString("Probe", "ListenMs");
    if (!listen.empty())
        s.listenMs = std::clamp(orvane::ProfileAtoi(listen), kMinListenMs, kMaxListenMs);
    return s;
}

} // namespace finder
