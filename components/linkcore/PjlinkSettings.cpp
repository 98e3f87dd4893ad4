#include "linkcore/PjlinkSettings.h"

#include "linkcore/PjlinkLine.h"

#include <charconv>

namespace linkcore {

namespace {

// The input codes that the command catalogue's input buttons send, as PJLink inputs
// (type 1 RGB, 2 video, 3 digital, 4 storage, 5 network; then the number).
struct DefaultInput {
    std::uint16_t code;
    const char* input;
};
constexpr DefaultInput kDefaultInputs[] = {
    {0, "11"},  // Computer 1, RGB
    {4, "12"},  // Computer 2, RGB2, BNC(RGB), RGBHV
    {5, "13"},  // Component, YUV1
    {7, "14"},  // BNC on the models that send 7 for it
    {1, "21"},  // Video, Video 1
    {2, "22"},  // S-Video
    {10, "23"}, // Video 2
    {3, "31"},  // HDMI 1, HDMI, DVI, Digital, M1-D
    {13, "32"}, // HDMI 2
    {14, "33"}, // HDMI 3
    {16, "34"}, // HDMI 4
    {9, "35"},  // DVI-D, stereo DVI
    {17, "36"}, // HDBaseT
    {18, "37"}, // SDI
    {19, "38"}, // DisplayPort
    {6, "41"},  // USB type A, MIU
    {12, "42"}, // USB type B
    {11, "51"}, // LAN
};

bool ParseNumber(std::string_view text, long max, long& out) {
    // Surrounding blanks are the file's, not the value's.
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 0 || value > max)
        return false;
    out = value;
    return true;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

} // namespace

PjlinkSettings::PjlinkSettings() : ports_{pjlink::kDefaultPort} {
    for (const DefaultInput& d : kDefaultInputs)
        defaults_[d.code] = d.input;
}

PjlinkSettings PjlinkSettings::FromProfile(const orvane::PrivateProfile& profile) {
    PjlinkSettings settings;
    const std::string text = profile.GetString("PJLink", "Ports");
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        long port = 0;
        if (ParseNumber(std::string_view(text).substr(start, comma - start), 65535, port) && port > 0)
            settings.ports_.push_back(static_cast<int>(port));
        start = comma + 1;
    }
    long keep = 1;
    if (ParseNumber(profile.GetString("PJLink", "KeepConnection"), 1, keep))
        settings.keepConnection_ = keep != 0;
    long notifyPort = 0;
    if (ParseNumber(profile.GetString("PJLink", "NotifyPort"), 65535, notifyPort))
        settings.notifyPort_ = static_cast<int>(notifyPort);
    settings.notifyAddress_ = profile.GetString("PJLink", "NotifyAddress");
    while (!settings.notifyAddress_.empty() && settings.notifyAddress_.back() == ' ')
        settings.notifyAddress_.pop_back();
    while (!settings.notifyAddress_.empty() && settings.notifyAddress_.front() == ' ')
        settings.notifyAddress_.erase(0, 1);
    const orvane::PrivateProfile::Section& inputs = profile.GetSection("PJLinkInputs");
    for (const std::string& key : inputs.Keys()) {
        long code = 0;
        std::string input = Upper(inputs.GetString(key));
        if (ParseNumber(key, 65535, code) && IsInput(input))
            settings.overrides_[static_cast<std::uint16_t>(code)] = input;
    }
    return settings;
}

bool PjlinkSettings::IsPjlinkPort(int port) const {
    for (int p : ports_) {
        if (p == port)
            return true;
    }
    return false;
}

std::string PjlinkSettings::InputFor(std::uint16_t code) const {
    if (auto it = overrides_.find(code); it != overrides_.end())
        return it->second;
    if (auto it = defaults_.find(code); it != defaults_.end())
        return it->second;
    return std::string();
}

bool PjlinkSettings::CodeFor(std::string_view input, std::uint16_t& code) const {
    for (const auto& [c, in] : overrides_) {
        if (in == input) {
            code = c;
            return true;
        }
    }
    // A default whose code an override has taken over no longer stands for that code.
    for (const auto& [c, in] : defaults_) {
        if (in == input && overrides_.count(c) == 0) {
            code = c;
            return true;
        }
    }
    return false;
}

bool PjlinkSettings::IsInput(std::string_view text) {
    return text.size() == 2 && text[0] >= '1' && text[0] <= '5' &&
           ((text[1] >= '1' && text[1] <= '9') || (text[1] >= 'A' && text[1] <= 'Z'));
}

} // namespace linkcore
