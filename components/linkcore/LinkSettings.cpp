#include "linkcore/LinkSettings.h"

#include <algorithm>

namespace linkcore {

namespace {

int TimeoutOr(const orvane::PrivateProfile& profile, const char* key, int fallback) {
    if (profile.GetString("Timeouts", key).empty())
        return fallback;
    int value = profile.GetInt("Timeouts", key);
    if (value <= 0)
        return fallback;
    return std::min(value, LinkSettings::kMaxTimeoutMs);
}

} // namespace

LinkSettings LinkSettings::Load(const std::string& path) {
    return FromProfile(orvane::PrivateProfile::Load(path));
}

LinkSettings LinkSettings::FromProfile(const orvane::PrivateProfile& profile) {
    LinkSettings settings;
    settings.connectMs_ = TimeoutOr(profile, "ConnectMs", kDefaultConnectMs);
    settings.replyMs_ = TimeoutOr(profile, "ReplyMs", kDefaultReplyMs);
    settings.profile_ = profile;
    return settings;
}

std::string LinkSettings::SerialDevice(int comNo) const {
    if (comNo < 0)
        return std::string();
    std::string mapped = profile_.GetString("Serial", "COM" + std::to_string(comNo + 1));
    if (!mapped.empty())
        return mapped;
    return "/dev/ttyS" + std::to_string(comNo);
}

} // namespace linkcore
