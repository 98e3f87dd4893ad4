#include "linkcore/PjlinkNotification.h"

#include "linkcore/PjlinkInfo.h"
#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkSettings.h"

#include <algorithm>

namespace linkcore {

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Six hexadecimal pairs joined by ':'.
bool IsMac(std::string_view mac) {
    if (mac.size() != 17)
        return false;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        if (i % 3 == 2 ? mac[i] != ':' : !IsHexDigit(mac[i]))
            return false;
    }
    return true;
}

bool IsAvMute(std::string_view value) {
    return value.size() == 2 && value[0] >= '1' && value[0] <= '3' && (value[1] == '0' || value[1] == '1');
}

bool Interpret(const pjlink::Answer& answer, PjlinkNotification& out) {
    // Only class 2 projectors notify; a class 1 head is somebody else's line.
    if (answer.cls != '2')
        return false;
    PjlinkNotification n;
    n.value = answer.value;
    const std::string& name = answer.name;
    if (name == "LKUP") {
        n.kind = PjlinkNotification::Kind::Lookup;
        n.value = Upper(n.value);
        if (!IsMac(n.value))
            return false;
    } else if (name == "POWR") {
        n.kind = PjlinkNotification::Kind::Power;
        if (n.value.size() != 1 || n.value[0] < '0' || n.value[0] > '3')
            return false;
        n.power = n.value[0] - '0';
    } else if (name == "INPT") {
        n.kind = PjlinkNotification::Kind::Input;
        n.value = Upper(n.value);
        if (!PjlinkSettings::IsInput(n.value))
            return false;
    } else if (name == "ERST") {
        n.kind = PjlinkNotification::Kind::ErrorStatus;
        if (!ParseErrorStatus(n.value, n.errors))
            return false;
    } else if (name == "AVMT") {
        n.kind = PjlinkNotification::Kind::AvMute;
        if (!IsAvMute(n.value))
            return false;
    } else {
        return false;
    }
    out = std::move(n);
    return true;
}

} // namespace

std::vector<PjlinkNotification> ParsePjlinkNotifications(std::string_view datagram) {
    std::vector<PjlinkNotification> out;
    pjlink::LineReader reader;
    reader.Feed(datagram.data(), datagram.size());
    // A datagram is whole: its last line needs no end.
    reader.Feed("\r", 1);
    std::string line;
    while (reader.Next(line)) {
        pjlink::Answer answer;
        PjlinkNotification n;
        if (pjlink::ReadAnswer(line, answer) && Interpret(answer, n))
            out.push_back(std::move(n));
    }
    return out;
}

void NotificationIntake::SetSources(std::vector<std::string> addresses) {
    sources_ = std::move(addresses);
}

bool NotificationIntake::Hears(std::string_view source) const {
    return std::find(sources_.begin(), sources_.end(), source) != sources_.end();
}

std::vector<PjlinkNotification> NotificationIntake::Take(std::string_view source, std::string_view datagram) const {
    if (!Hears(source))
        return {};
    return ParsePjlinkNotifications(datagram);
}

} // namespace linkcore
