#pragma once

#include "linkcore/Frame.h"
#include "linkcore/LinkSettings.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

// What the link's two protocols (our frames, PJLink lines) share as sessions: one object per
// connection that takes bytes and time in and gives bytes and results out. A session owns no
// socket, reads no clock and starts no thread; its caller owns the transport and the timer, so
// the same object runs over a blocking descriptor (CPjtInterface), an event loop's
// non-blocking sockets, or a test's byte buffers.
//
// Driving a session, for any transport:
//
//   session.Begin(now);                  // about to connect (TCP), or the line is open (serial)
//   ... connect; on success session.Connected(now), on failure just drop the session
//   loop:
//     send session.Output() (a list of byte pieces); session.ConsumeOutput(bytesSent)
//     arm a timer for session.Deadline() (none: nothing is awaited)
//     bytes arrive      -> session.Receive(bytes, now)
//     end of stream,
//     read/write error  -> session.PeerClosed(now)
//     timer fires       -> session.Tick(now)   (harmless before the deadline)
//     session.State() == Ready     -> the handshake is done or the last exchange ended:
//                                     TakeResult(), then Submit(request, now) for the next one
//     session.State() == Finished  -> close the transport; End() says why
//
// Several exchanges may follow one another on one connection; one is outstanding at a time.
// `now` is any steady_clock reading the caller makes; tests pass made-up times.
namespace linkcore {

using SessionClock = std::chrono::steady_clock;
using SessionTime = SessionClock::time_point;

struct SessionTimeouts {
    // Bounds the connect and the greeting that follows it, together.
    int connectMs = LinkSettings::kDefaultConnectMs;
    // Bounds each later answer: authentication, each exchange.
    int replyMs = LinkSettings::kDefaultReplyMs;

    static SessionTimeouts From(const LinkSettings& settings) { return {settings.ConnectMs(), settings.ReplyMs()}; }
};

enum class SessionState {
    Idle,       // made, Begin not called yet
    Connecting, // waiting for the caller's Connected (the connect time-out runs)
    Opening,    // the handshake: hello and challenge, or PJLink's greeting and digest
    Ready,      // open, nothing outstanding: Submit the next exchange
    Exchanging, // a request is out and its answer awaited
    Finished,   // the connection is over; the caller closes its transport
};

// Why a session finished.
enum class SessionEnd {
    None,       // not finished
    Closed,     // the caller's Close
    TimedOut,   // a deadline passed: connect, greeting or answer
    PeerClosed, // the other side ended the stream
    Refused,    // the greeting was none of ours, or the password was refused
    OutOfStep,  // a byte or line that answers nothing we asked: the stream cannot be trusted again
};

// The outcome of one request of ours (Submit, SubmitBulk).
struct RequestResult {
    // False: no answer (time-out, cut-off, unknown answer); on TCP the session is then Finished.
    bool answered = false;
    // The answer's bytes as our protocol gives them: 0x06, 0x15, or 0x1D and a 16-bit
    // little-endian value. `size` is 1 or 3 when answered, 0 otherwise.
    std::array<unsigned char, kMaxReplySize> reply{};
    std::size_t size = 0;
};

using ByteView = std::span<const unsigned char>;

// The bytes a session has to send, kept as a few pieces so that a large payload the caller
// lent is never copied.
class OutputQueue {
public:
    void Append(ByteView bytes);     // copied
    void AppendBorrowed(ByteView b); // not copied: must stay valid until sent
    void Consume(std::size_t count);
    void Clear();
    std::span<const ByteView> Pieces() const { return views_; }
    std::size_t Size() const;
    bool Empty() const { return pieces_.empty(); }

private:
    struct Piece {
        std::vector<unsigned char> owned;
        ByteView view;
    };
    void Rebuild();

    std::vector<Piece> pieces_;
    std::vector<ByteView> views_;
};

class Session {
public:
    Session() = default;
    virtual ~Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The caller starts to connect now (the connect time-out starts), or, on a line that needs
    // no connect, the session is open at once.
    void Begin(SessionTime now);
    // The caller's connect finished; the handshake starts within the same time-out.
    void Connected(SessionTime now);
    // Bytes from the other side, in any pieces. Bytes that arrive while nothing is awaited put
    // a TCP stream out of step (serial lines drop them).
    void Receive(ByteView bytes, SessionTime now);
    // The other side ended the stream, or reading or writing failed.
    void PeerClosed(SessionTime now);
    // Acts on a deadline that has passed by `now`; nothing otherwise.
    void Tick(SessionTime now);
    // Ends the session: nothing more goes out, an exchange under way fails.
    void Close();

    // Starts an exchange of one request of ours. False (and nothing changes) unless Ready.
    // Its result may be ready at once (a request the protocol refuses without asking).
    [[nodiscard]] virtual bool Submit(const Request& request, SessionTime now) = 0;
    // The result of the last exchange that ended, once; none while one is outstanding.
    [[nodiscard]] std::optional<RequestResult> TakeResult();

    SessionState State() const { return state_; }
    SessionEnd End() const { return end_; }
    bool IsReady() const { return state_ == SessionState::Ready; }
    bool IsFinished() const { return state_ == SessionState::Finished; }
    // True while the session waits on the other side (or the connect): keep reading.
    bool Waiting() const {
        return state_ == SessionState::Connecting || state_ == SessionState::Opening ||
               state_ == SessionState::Exchanging;
    }
    // When Tick must be called at the latest; none while nothing is awaited.
    std::optional<SessionTime> Deadline() const { return deadline_; }

    std::span<const ByteView> Output() const { return output_.Pieces(); }
    std::size_t OutputSize() const { return output_.Size(); }
    void ConsumeOutput(std::size_t count) { output_.Consume(count); }

    // How many bytes the current step can use at most. A blocking reader that takes no more
    // leaves whatever follows in the transport, where an event loop would pass it on at once.
    virtual std::size_t ReadHint() const = 0;

protected:
    // Protocol hooks. OnBegin runs for Begin; a protocol that needs no connect calls Open()
    // or BecomeReady() from it.
    virtual void OnBegin(SessionTime now) = 0;
    virtual void OnConnected(SessionTime now) = 0;
    virtual void OnBytes(ByteView bytes, SessionTime now) = 0;
    // The deadline passed, the stream ended or the caller closed while Waiting(); the protocol
    // fails what is outstanding and finishes with `end` (TimedOut, PeerClosed or Closed).
    virtual void OnLost(SessionEnd end) = 0;

    void SetState(SessionState state) { state_ = state; }
    void SetDeadline(std::optional<SessionTime> deadline) { deadline_ = deadline; }
    void BecomeReady() {
        state_ = SessionState::Ready;
        deadline_.reset();
    }
    void Finish(SessionEnd end);
    void SetResult(const RequestResult& result) { result_ = result; }
    void ClearResult() { result_.reset(); }
    OutputQueue& Out() { return output_; }
    static SessionTime After(SessionTime now, int ms) { return now + std::chrono::milliseconds(ms); }

private:
    SessionState state_ = SessionState::Idle;
    SessionEnd end_ = SessionEnd::None;
    std::optional<SessionTime> deadline_;
    std::optional<RequestResult> result_;
    OutputQueue output_;
};

} // namespace linkcore
