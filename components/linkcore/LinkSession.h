#pragma once

#include "linkcore/Session.h"

#include <string>
#include <string_view>

namespace linkcore {

// Our own protocol on one connection (see Session for how to drive it):
//
//   TCP:    Begin, Connected, then the projector's hello: 0x00 (open) or 0x01 and a 16-byte
//           challenge, which the session answers with the HMAC-SHA-256 proof and whose verdict
//           (0x06) opens the session. Hello within the connect time-out counted from Begin;
//           challenge, proof and verdict within the reply time-out counted from the hello.
//   serial: Begin opens the session at once; no Connected, no hello.
//
// Each exchange is one request frame (Submit) or one bulk frame (SubmitBulk, TCP only),
// answered within the reply time-out. A cut-off answer, an unknown answer byte or a time-out
// fails the exchange; on TCP the stream is then out of step and the session Finished, while a
// serial line drops whatever input is left before each request and stays Ready.
class LinkSession final : public Session {
public:
    enum class Line { Tcp, Serial };

    // `password` is what the projector's challenge is answered with (at most 63 characters
    // count); a projector that greets with 0x00 never asks for it.
    LinkSession(Line line, std::string_view password, SessionTimeouts timeouts);
    ~LinkSession() override;

    [[nodiscard]] bool Submit(const Request& request, SessionTime now) override;
    // One bulk frame carrying payload (1 byte to kMaxBulkPayload), answered 0x06 or 0x15. The
    // payload is not copied: keep it alive until Output() no longer holds it. False, nothing
    // sent, unless Ready on TCP with a size in range.
    [[nodiscard]] bool SubmitBulk(ByteView payload, SessionTime now);

    std::size_t ReadHint() const override;
    Line GetLine() const { return line_; }

protected:
    void OnBegin(SessionTime now) override;
    void OnConnected(SessionTime now) override;
    void OnBytes(ByteView bytes, SessionTime now) override;
    void OnLost(SessionEnd end) override;

private:
    enum class Step {
        None,
        Hello,     // one byte
        Challenge, // 16 bytes
        Verdict,   // one byte
        Answer,    // the reply to a request frame: 1 or 3 bytes
        BulkAnswer // the reply to a bulk frame: 1 byte
    };

    void StartExchange(Step step, SessionTime now);
    void FailExchange(SessionEnd end);
    // Takes the bytes of the current step from in; returns the count used.
    std::size_t Take(ByteView in, SessionTime now);

    Line line_;
    std::string password_;
    SessionTimeouts timeouts_;
    Step step_ = Step::None;
    unsigned char held_[32] = {};
    std::size_t heldSize_ = 0;
};

} // namespace linkcore
