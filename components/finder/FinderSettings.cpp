#include "finder/FinderSettings.h"

#include "platform/FileUtil.h"
#include "platform/PrivateProfile.h"

#include <algorithm>
#include <arpa/inet.h>

namespace finder {

namespace {

// A port key: missing keeps `port`, a number outside 1..65535 makes the settings invalid.
void ReadPort(const orvane::PrivateProfile& profile, const char* section, int& port, bool& valid) {
    const std::string text = profile.GetString(section, "Port");
    if (text.empty())
        return;
    const int value = orvane::ProfileAtoi(text);
    if (value >= 1 && value <= 65535) {
        port = value;
    } else {
        valid = false;
    }
}

} // namespace

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
    ReadPort(profile, "Probe", s.port, s.valid);
    const std::string search = profile.GetString("PJLink", "Search");
    if (!search.empty())
        s.pjlinkSearch = orvane::ProfileAtoi(search) != 0;
    ReadPort(profile, "PJLink", s.pjlinkPort, s.valid);
    const std::string listen = profile.GetString("Probe", "ListenMs");
    if (!listen.empty())
        s.listenMs = std::clamp(orvane::ProfileAtoi(listen), kMinListenMs, kMaxListenMs);
    return s;
}

} // namespace finder
