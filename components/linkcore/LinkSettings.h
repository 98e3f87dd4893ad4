#pragma once

#include "platform/PrivateProfile.h"

#include <string>

namespace linkcore {

// The link's tunables, from the optional file LinkCore.conf in the working directory:
//
//   [Timeouts]
//   ConnectMs=1500     ; bound on a TCP connect and the hello that follows it
//   ReplyMs=2000       ; bound on every other answer (authentication, reply)
//   [Serial]
//   COM1=/dev/ttyUSB0  ; device of COM1 (ComNo 0); unmapped ports are /dev/ttyS<ComNo>
//
// A missing file or key, or a value that is not a positive number, keeps the default.
class LinkSettings {
public:
    static constexpr int kDefaultConnectMs = 1500;
    static constexpr int kDefaultReplyMs = 2000;
    // A typo such as a trailing zero too many should not make a failing projector hang the
    // user interface for hours.
    static constexpr int kMaxTimeoutMs = 60000;
    static constexpr const char* kFileName = "LinkCore.conf";

    LinkSettings() = default;

    static LinkSettings Load(const std::string& path = kFileName);
    static LinkSettings FromProfile(const orvane::PrivateProfile& profile);

    int ConnectMs() const { return connectMs_; }
    int ReplyMs() const { return replyMs_; }

    // The whole file, for the settings of the link's other protocol.
    const orvane::PrivateProfile& Profile() const { return profile_; }

    // The device path of the 0-based port number comNo; empty for a negative number.
    std::string SerialDevice(int comNo) const;

private:
    int connectMs_ = kDefaultConnectMs;
    int replyMs_ = kDefaultReplyMs;
    orvane::PrivateProfile profile_;
};

} // namespace linkcore
