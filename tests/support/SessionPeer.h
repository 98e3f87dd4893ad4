#pragma once

#include "linkcore/Session.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace orvane::test {

// The other end of a link session, in memory: takes what the session sends and gives it
// bytes, on a clock of its own that only moves when told. Used by the session tests, the
// in-process projector and the fuzz targets; no gtest in here.
class SessionPeer {
public:
    explicit SessionPeer(linkcore::Session& session) : session_(session) {}

    linkcore::SessionTime Now() const { return now_; }
    void Advance(int ms) { now_ += std::chrono::milliseconds(ms); }

    // Begin and, for a session that connects, Connected.
    void Connect() {
        session_.Begin(now_);
        session_.Connected(now_);
    }

    // The session's output so far, taken out of it.
    std::string TakeSent() {
        std::string out;
        for (linkcore::ByteView piece : session_.Output())
            out.append(reinterpret_cast<const char*>(piece.data()), piece.size());
        session_.ConsumeOutput(out.size());
        return out;
    }

    void Give(std::string_view bytes) {
        session_.Receive(linkcore::ByteView(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()), now_);
    }

    // Moves the clock to the session's deadline and lets it act on it.
    void Expire() {
        if (std::optional<linkcore::SessionTime> deadline = session_.Deadline())
            now_ = *deadline;
        session_.Tick(now_);
    }

    // Plays a stream that holds `input` and then ends, read the way the blocking runner reads
    // it (no more than the session's ReadHint at a time), until the session no longer waits.
    // Returns how much of the input it took; what it sent is appended to `sent`.
    std::size_t Drain(std::string_view input, std::string& sent) {
        std::size_t pos = 0;
        while (session_.Waiting()) {
            sent += TakeSent();
            if (pos == input.size()) {
                session_.PeerClosed(now_);
                break;
            }
            const std::size_t n = std::min(session_.ReadHint(), input.size() - pos);
            Give(input.substr(pos, n == 0 ? 1 : n));
            pos += n == 0 ? 1 : n;
        }
        sent += TakeSent();
        return pos;
    }

private:
    linkcore::Session& session_;
    linkcore::SessionTime now_{};
};

} // namespace orvane::test
