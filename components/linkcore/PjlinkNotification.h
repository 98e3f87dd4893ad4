#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace linkcore {

// A class 2 projector tells of itself unasked, in UDP datagrams to port 4352 of its
// controllers, each an answer-shaped line:
//
//   %2LKUP=<MAC>     it has come up on the network, e.g. %2LKUP=00:11:22:33:44:55
//   %2POWR=0|1       its power state has changed (standby or on; 2 and 3 are read too)
//   %2INPT=<input>   its input has changed, e.g. %2INPT=32
//   %2ERST=<digits>  its error status has changed: fan, lamp, temperature, cover, filter, other
//   %2AVMT=<state>   its picture and sound mute has changed, e.g. %2AVMT=31
//
// They are read as tolerantly as answers (line ends, lead-in, case). Parsing does no I/O:
// bytes in, notifications out.
struct PjlinkNotification {
    enum class Kind { Lookup, Power, Input, ErrorStatus, AvMute };

    Kind kind = Kind::Lookup;
    // The value as the link names it: the MAC, the input and the mute state in upper case,
    // the power state and the error digits as sent.
    std::string value;
    int power = 0;               // Power: 0 off, 1 on, 2 cooling down, 3 warming up
    std::array<int, 6> errors{}; // ErrorStatus: 0 ok, 1 warning, 2 error

    friend bool operator==(const PjlinkNotification&, const PjlinkNotification&) = default;
};

// The notifications of one datagram, in order; lines that are no notification are skipped.
std::vector<PjlinkNotification> ParsePjlinkNotifications(std::string_view datagram);

// Takes notifications only from the projectors the link is configured for: anybody on the
// network can send a datagram to port 4352, and a forged one must not move the toolbar.
class NotificationIntake {
public:
    // The dotted IPv4 addresses of the PJLink projectors in use.
    void SetSources(std::vector<std::string> addresses);
    bool Hears(std::string_view source) const;
    // The notifications of a datagram from `source` (dotted IPv4); none from anybody else.
    std::vector<PjlinkNotification> Take(std::string_view source, std::string_view datagram) const;

private:
    std::vector<std::string> sources_;
};

} // namespace linkcore
