#pragma once

#include "platform/PrivateProfile.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace linkcore {

// Which network slots speak PJLink and how our input codes map to PJLink inputs, from the
// same LinkCore.conf as the link's other settings:
//
//   [PJLink]
//   Ports=4352,14352   ; TCP ports that speak PJLink; 4352 always does
//   KeepConnection=0   ; one connection per exchange (default 1: one kept per projector)
//   NotifyAddress=127.0.0.1 ; where notifications are heard (default: every address)
//   NotifyPort=4352    ; their UDP port (default 4352; 0: not heard at all)
//   [PJLinkInputs]
//   13=33              ; our input code 13 is PJLink input 33 (overrides or adds to the defaults)
//
// An override whose value is no PJLink input (two characters: type 1-5, then 1-9 or A-Z)
// is ignored, as is a key that is no input code.
class PjlinkSettings {
public:
    PjlinkSettings();
    static PjlinkSettings FromProfile(const orvane::PrivateProfile& profile);

    bool IsPjlinkPort(int port) const;
    // Whether a connection stays open for the next exchange with the same projector
    // (PjlinkPool); some projectors want one connection per exchange.
    bool KeepConnection() const { return keepConnection_; }
    // Where the link hears class 2 notifications: an IPv4 address (empty: every address)
    // and a UDP port, 0 when they are not to be heard.
    const std::string& NotifyAddress() const { return notifyAddress_; }
    int NotifyPort() const { return notifyPort_; }

    // The PJLink input for our input code; empty when the code has none.
    std::string InputFor(std::uint16_t code) const;
    // Our input code for a PJLink input; false when no code maps to it. When several do,
    // an override wins over a default and the lowest code over higher ones.
    bool CodeFor(std::string_view input, std::uint16_t& code) const;

    // True for two characters: type 1-5, then 1-9 or A-Z.
    static bool IsInput(std::string_view text);
    // Class 1 knows inputs 11..59 only; a letter as second character needs class 2.
    static bool NeedsClass2(std::string_view input) { return input.size() == 2 && input[1] >= 'A'; }

private:
    std::vector<int> ports_;
    bool keepConnection_ = true;
    std::string notifyAddress_;
    int notifyPort_ = 4352;
    std::map<std::uint16_t, std::string> defaults_;
    std::map<std::uint16_t, std::string> overrides_;
};

} // namespace linkcore
