#pragma once

#include "linkcore/LinkSettings.h"
#include "linkcore/PjlinkLine.h"

#include <string>
#include <string_view>

namespace linkcore {

// One TCP connection to a PJLink projector: the greeting, the password and then commands,
// each answered by exactly one line. Every wait is bounded by the link's time-outs.
class PjlinkSession {
public:
    PjlinkSession() = default;
    ~PjlinkSession();
    PjlinkSession(const PjlinkSession&) = delete;
    PjlinkSession& operator=(const PjlinkSession&) = delete;

    // Connects and reads the greeting. A projector that asks for a password is asked its
    // class at once, with the digest in front, so that a wrong password fails here and not
    // in the caller's first command. False when no session could be set up.
    bool Open(const char* ipAddress, int port, const char* password, const LinkSettings& settings);
    // The same on a connected non-blocking socket, which the session then owns (and closes
    // when it fails): the greeting within `greetingMs`, the rest within `replyMs` each.
    bool Start(int fd, const char* password, int greetingMs, int replyMs);
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    enum class Outcome {
        Answered, // `value` holds the answer: data, "OK" or "ERR1".."ERR4"
        Failed,   // no answer in time, the connection ended, or a line that is no answer to this command
    };
    Outcome Exchange(char cls, std::string_view name, std::string_view param, std::string& value);

    // The projector's class, 1 or 2, asked once per connection; 0 when it cannot be had.
    int Class();

private:
    bool ReadLine(std::string& line, int timeoutMs);

    int fd_ = -1;
    int replyMs_ = LinkSettings::kDefaultReplyMs;
    int class_ = 0;
    pjlink::LineReader reader_;
};

} // namespace linkcore
