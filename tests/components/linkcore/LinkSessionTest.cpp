// Our own protocol as a session fed in memory: handshake, answers, time-outs and bytes out of
// step, without a socket or a clock.

#include "linkcore/LinkSession.h"
#include "linkcore/Auth.h"
#include "linkcore/BulkFrame.h"

#include "support/SessionPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace linkcore;
using orvane::test::SessionPeer;

namespace {

constexpr SessionTimeouts kTimeouts{300, 500};
const std::string kOpen(1, '\x00');
const std::string kChallenge = std::string(1, '\x01') + "0123456789abcdef";
const Request kGetPower{2, 0x6000, 0};

std::string Bytes(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes)
        out += static_cast<char>(b);
    return out;
}

std::string ProofFor(std::string_view password) {
    unsigned char proof[kAuthResponseSize];
    ComputeAuthResponse(reinterpret_cast<const unsigned char*>(kChallenge.data() + 1), password, proof);
    return std::string(reinterpret_cast<const char*>(proof), sizeof proof);
}

std::string FrameOf(const Request& request) {
    const Frame frame = EncodeRequest(request);
    return std::string(frame.begin(), frame.end());
}

std::string ReplyOf(const RequestResult& result) {
    return std::string(reinterpret_cast<const char*>(result.reply.data()), result.size);
}

// A session and the projector's end of it, opened with the given hello when one is given.
struct Fixture {
    explicit Fixture(LinkSession::Line line = LinkSession::Line::Tcp, std::string_view password = "pw")
        : session(line, password, kTimeouts), peer(session) {
        peer.Connect();
    }
    void OpenWith(const std::string& hello) {
        peer.Give(hello);
        ASSERT_TRUE(session.IsReady());
    }
    // Submits `request`, gives `answer` and returns the result.
    std::optional<RequestResult> Exchange(const std::string& answer, const Request& request = kGetPower) {
        EXPECT_TRUE(session.Submit(request, peer.Now()));
        sent = peer.TakeSent();
        peer.Give(answer);
        return session.TakeResult();
    }
    LinkSession session;
    SessionPeer peer;
    std::string sent;
};

TEST(LinkSession, HandshakeOutcomes) {
    struct Case {
        const char* what;
        std::vector<std::string> pieces; // what the projector sends, in reads
        const char* password;
        SessionState state;
        SessionEnd end;
        std::string sent;
    };
    const std::string verdictOk(1, '\x06');
    const Case cases[] = {
        {"open hello", {kOpen}, "pw", SessionState::Ready, SessionEnd::None, ""},
        {"challenge answered", {kChallenge, verdictOk}, "pw", SessionState::Ready, SessionEnd::None, ProofFor("pw")},
        {"challenge in single bytes",
         {kChallenge.substr(0, 1), kChallenge.substr(1, 5), kChallenge.substr(6), verdictOk},
         "pw",
         SessionState::Ready,
         SessionEnd::None,
         ProofFor("pw")},
        {"empty password", {kChallenge, verdictOk}, "", SessionState::Ready, SessionEnd::None, ProofFor("")},
        {"proof refused",
         {kChallenge, Bytes({0x15})},
         "pw",
         SessionState::Finished,
         SessionEnd::Refused,
         ProofFor("pw")},
        {"hello of another protocol", {"PJLINK 0\r"}, "pw", SessionState::Finished, SessionEnd::Refused, ""},
        {"half a challenge", {kChallenge.substr(0, 9)}, "pw", SessionState::Opening, SessionEnd::None, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f(LinkSession::Line::Tcp, c.password);
        std::string sent;
        for (const std::string& piece : c.pieces) {
            f.peer.Give(piece);
            sent += f.peer.TakeSent();
        }
        EXPECT_EQ(f.session.State(), c.state);
        EXPECT_EQ(f.session.End(), c.end);
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(f.session.OutputSize(), 0u);
    }
}

TEST(LinkSession, OnlyTheFirst63CharactersOfAPasswordCount) {
    Fixture f(LinkSession::Line::Tcp, std::string(63, 'x') + "yz");
    f.peer.Give(kChallenge);
    EXPECT_EQ(f.peer.TakeSent(), ProofFor(std::string(63, 'x')));
}

TEST(LinkSession, DeadlinesOfTheOpeningAndOfEachExchange) {
    Fixture silent; // no hello at all
    silent.peer.Expire();
    EXPECT_EQ(silent.session.End(), SessionEnd::TimedOut);
    EXPECT_EQ(silent.peer.Now(), SessionTime{} + std::chrono::milliseconds(kTimeouts.connectMs));

    Fixture f;
    const SessionTime begun = f.peer.Now();
    EXPECT_EQ(f.session.Deadline(), begun + std::chrono::milliseconds(kTimeouts.connectMs));

    // Connect and hello share one bound; the challenge starts the reply bound.
    f.peer.Advance(100);
    f.session.Tick(f.peer.Now());
    EXPECT_EQ(f.session.State(), SessionState::Opening);
    f.peer.Give(kChallenge.substr(0, 1));
    EXPECT_EQ(f.session.Deadline(), f.peer.Now() + std::chrono::milliseconds(kTimeouts.replyMs));
    f.peer.Give(kChallenge.substr(1));
    f.peer.Give(Bytes({0x06}));
    EXPECT_FALSE(f.session.Deadline().has_value());

    f.peer.Advance(1000); // idle time costs nothing
    ASSERT_TRUE(f.session.Submit(kGetPower, f.peer.Now()));
    const SessionTime due = f.peer.Now() + std::chrono::milliseconds(kTimeouts.replyMs);
    EXPECT_EQ(f.session.Deadline(), due);
    f.session.Tick(due - std::chrono::milliseconds(1));
    EXPECT_EQ(f.session.State(), SessionState::Exchanging);
    f.session.Tick(due);
    EXPECT_EQ(f.session.End(), SessionEnd::TimedOut);
    ASSERT_TRUE(f.session.TakeResult().has_value());
}

TEST(LinkSession, AnswersAndWhatTheyLeave) {
    struct Case {
        const char* what;
        std::vector<std::string> pieces;
        bool answered;
        std::string reply;
        SessionState after;
        SessionEnd end;
    };
    const Case cases[] = {
        {"accepted", {Bytes({0x06})}, true, Bytes({0x06}), SessionState::Ready, SessionEnd::None},
        {"refused", {Bytes({0x15})}, true, Bytes({0x15}), SessionState::Ready, SessionEnd::None},
        {"data", {Bytes({0x1D, 0x34, 0x12})}, true, Bytes({0x1D, 0x34, 0x12}), SessionState::Ready, SessionEnd::None},
        {"data in pieces",
         {Bytes({0x1D}), Bytes({0x34}), Bytes({0x12})},
         true,
         Bytes({0x1D, 0x34, 0x12}),
         SessionState::Ready,
         SessionEnd::None},
        {"unknown first byte", {Bytes({0x42, 0x06})}, false, "", SessionState::Finished, SessionEnd::OutOfStep},
        {"more than the answer",
         {Bytes({0x06, 0x06})},
         true,
         Bytes({0x06}),
         SessionState::Finished,
         SessionEnd::OutOfStep},
        {"cut off", {Bytes({0x1D, 0x34})}, false, "", SessionState::Finished, SessionEnd::PeerClosed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        f.OpenWith(kOpen);
        ASSERT_TRUE(f.session.Submit(kGetPower, f.peer.Now()));
        EXPECT_EQ(f.peer.TakeSent(), FrameOf(kGetPower));
        for (const std::string& piece : c.pieces)
            f.peer.Give(piece);
        if (f.session.Waiting())
            f.session.PeerClosed(f.peer.Now());
        const std::optional<RequestResult> result = f.session.TakeResult();
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->answered, c.answered);
        EXPECT_EQ(ReplyOf(*result), c.reply);
        EXPECT_EQ(f.session.State(), c.after);
        EXPECT_EQ(f.session.End(), c.end);
        EXPECT_FALSE(f.session.TakeResult().has_value()); // a result is taken once
    }
}

TEST(LinkSession, OneConnectionCarriesExchangeAfterExchange) {
    Fixture f;
    f.OpenWith(kOpen);
    EXPECT_EQ(f.session.ReadHint(), 1u);
    for (int i = 0; i < 3; ++i) {
        const Request request{1, 0x2000, static_cast<std::uint16_t>(i)};
        ASSERT_TRUE(f.session.Submit(request, f.peer.Now()));
        EXPECT_FALSE(f.session.Submit(request, f.peer.Now())) << "one exchange at a time";
        EXPECT_EQ(f.peer.TakeSent(), FrameOf(request));
        f.peer.Give(Bytes({0x1D}));
        EXPECT_EQ(f.session.ReadHint(), 2u); // the value's two bytes
        f.peer.Give(Bytes({i, 0}));
        EXPECT_EQ(ReplyOf(*f.session.TakeResult()), Bytes({0x1D, i, 0}));
    }
}

TEST(LinkSession, SubmitIsTakenOnlyWhenReadyAndCloseFailsAnExchange) {
    LinkSession idle(LinkSession::Line::Tcp, "", kTimeouts);
    EXPECT_FALSE(idle.Submit(kGetPower, SessionTime{}));
    Fixture opening;
    EXPECT_FALSE(opening.session.Submit(kGetPower, opening.peer.Now()));

    Fixture f;
    f.OpenWith(kOpen);
    ASSERT_TRUE(f.session.Submit(kGetPower, f.peer.Now()));
    f.session.Close();
    EXPECT_EQ(f.session.OutputSize(), 0u); // the frame never goes out
    EXPECT_FALSE(f.session.TakeResult()->answered);
    EXPECT_EQ(f.session.End(), SessionEnd::Closed);
    EXPECT_FALSE(f.session.Submit(kGetPower, f.peer.Now()));
}

TEST(LinkSession, BytesNobodyAskedForEndAStreamButASerialLineDropsThem) {
    Fixture tcp;
    tcp.OpenWith(kOpen);
    tcp.peer.Give(Bytes({0x06}));
    EXPECT_EQ(tcp.session.End(), SessionEnd::OutOfStep);

    Fixture serial(LinkSession::Line::Serial);
    EXPECT_TRUE(serial.session.IsReady()); // no connect, no hello
    EXPECT_FALSE(serial.session.Deadline().has_value());
    serial.peer.Give(Bytes({0x06, 0x1D}));
    EXPECT_TRUE(serial.session.IsReady());
    EXPECT_EQ(ReplyOf(*serial.Exchange(Bytes({0x1D, 5, 0}))), Bytes({0x1D, 5, 0}));
    EXPECT_EQ(serial.sent, FrameOf(kGetPower));
}

TEST(LinkSession, ASerialLineFindsItsStepAgainAfterAFailedExchange) {
    for (bool timeOut : {true, false}) {
        SCOPED_TRACE(timeOut ? "time-out" : "unknown byte");
        Fixture f(LinkSession::Line::Serial);
        ASSERT_TRUE(f.session.Submit(kGetPower, f.peer.Now()));
        if (timeOut)
            f.peer.Expire();
        else
            f.peer.Give(Bytes({0x42, 0x06}));
        EXPECT_FALSE(f.session.TakeResult()->answered);
        EXPECT_TRUE(f.session.IsReady());
        EXPECT_EQ(ReplyOf(*f.Exchange(Bytes({0x06}))), Bytes({0x06}));
    }
}

TEST(LinkSession, BulkFramesLendTheirPayloadAndTakeOnlyAckOrNak) {
    Fixture f;
    f.OpenWith(kOpen);
    const std::vector<unsigned char> payload(1000, 0x5A);
    ASSERT_TRUE(f.session.SubmitBulk(payload, f.peer.Now()));
    const std::span<const ByteView> pieces = f.session.Output();
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].size(), kBulkHeaderSize);
    EXPECT_EQ(pieces[1].data(), payload.data()); // lent, not copied
    EXPECT_EQ(pieces[2].size(), kBulkTrailerSize);
    EXPECT_EQ(GetLe32(pieces[2].data()), Crc32(payload.data(), payload.size()));
    // A write that stops inside the payload resumes there.
    f.session.ConsumeOutput(kBulkHeaderSize + 10);
    ASSERT_EQ(f.session.Output().size(), 2u);
    EXPECT_EQ(f.session.Output()[0].data(), payload.data() + 10);
    f.peer.TakeSent();
    f.peer.Give(Bytes({0x15}));
    EXPECT_EQ(ReplyOf(*f.session.TakeResult()), Bytes({0x15}));

    ASSERT_TRUE(f.session.SubmitBulk(payload, f.peer.Now()));
    f.peer.TakeSent();
    f.peer.Give(Bytes({0x1D, 1, 0})); // a data reply answers no bulk frame
    EXPECT_FALSE(f.session.TakeResult()->answered);

    Fixture sizes;
    sizes.OpenWith(kOpen);
    const std::vector<unsigned char> tooLong(kMaxBulkPayload + 1);
    EXPECT_FALSE(sizes.session.SubmitBulk({}, sizes.peer.Now()));
    EXPECT_FALSE(sizes.session.SubmitBulk(tooLong, sizes.peer.Now()));
    Fixture serial(LinkSession::Line::Serial);
    EXPECT_FALSE(serial.session.SubmitBulk(payload, serial.peer.Now()));
}

} // namespace
