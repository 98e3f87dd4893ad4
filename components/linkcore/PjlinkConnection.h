#pragma once

#include "linkcore/LinkSettings.h"
#include "linkcore/PjlinkSession.h"

#include <memory>
#include <string>
#include <string_view>

namespace linkcore {

// A PjlinkSession run over a blocking TCP connection, for callers that ask one projector a few
// things in turn (the finder, orvanectl's info): the greeting, the password and then commands,
// each answered by exactly one line. Every wait is bounded by the link's time-outs.
class PjlinkConnection {
public:
    PjlinkConnection() = default;
    ~PjlinkConnection();
    PjlinkConnection(const PjlinkConnection&) = delete;
    PjlinkConnection& operator=(const PjlinkConnection&) = delete;

    // Connects and opens the session (see PjlinkSession). False when no session could be set
    // up.
    [[nodiscard]] bool Open(const char* ipAddress, int port, const char* password, const LinkSettings& settings);
    // The same on a connected non-blocking socket, which the connection then owns (and closes
    // when it fails): the greeting within `greetingMs`, the rest within `replyMs` each.
    [[nodiscard]] bool Start(int fd, const char* password, int greetingMs, int replyMs);
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
    [[nodiscard]] bool Begin(int fd, const char* password, SessionTimeouts timeouts, SessionTime start);

    int fd_ = -1;
    std::unique_ptr<PjlinkSession> session_;
    int class_ = 0;
};

} // namespace linkcore
