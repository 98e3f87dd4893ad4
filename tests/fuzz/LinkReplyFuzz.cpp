// The link's side of a session fed in memory: whatever a projector sends (hello, challenge,
// verdict, replies), the session takes exactly the answers the protocol allows, hands out no
// more than an answer's bytes and sends exactly its proof and request frames. The bytes are
// given the way the blocking runner reads them, and once all at once as an event loop would.
#include "FuzzSupport.h"
#include "linkcore/Auth.h"
#include "linkcore/LinkSession.h"
#include "support/SessionPeer.h"

#include <cstring>
#include <string>
#include <vector>

using namespace linkcore;

namespace {

constexpr char kPassword[] = "orvane";
constexpr SessionTimeouts kTimeouts{5000, 5000};
constexpr std::size_t kMaxInput = 4096;
constexpr int kMaxRequests = 16;

Request RequestNumber(int n) {
    return Request{static_cast<std::uint16_t>(n % 5 + 1), static_cast<std::uint16_t>(0x6000 + n), 1};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput)
        return 0;
    const std::string_view input = orvane::fuzz::AsText(data, size);
    LinkSession session(LinkSession::Line::Tcp, kPassword, kTimeouts);
    orvane::test::SessionPeer peer(session);
    peer.Connect();

    // What the session must send: the proof after a challenge, then one frame per request.
    std::string expectedSent;
    std::string sent;
    std::size_t pos = 0;
    bool open = false;
    if (size >= 1 && data[0] == kHelloOpen) {
        open = true;
        pos = 1;
    } else if (size >= 1 + kChallengeSize && data[0] == kHelloChallenge) {
        unsigned char proof[kAuthResponseSize];
        ComputeAuthResponse(data + 1, kPassword, proof);
        expectedSent.assign(reinterpret_cast<const char*>(proof), sizeof proof);
        pos = 1 + kChallengeSize + 1;
        open = pos <= size && data[pos - 1] == kReplyAck;
    }
    std::size_t taken = peer.Drain(input, sent);
    FUZZ_CHECK(session.IsReady() == open);

    for (int n = 0; open && n < kMaxRequests; ++n) {
        const Request request = RequestNumber(n);
        const Frame frame = EncodeRequest(request);
        expectedSent.append(reinterpret_cast<const char*>(frame.data()), frame.size());

        FUZZ_CHECK(session.Submit(request, peer.Now()));
        taken += peer.Drain(input.substr(taken), sent);
        const std::optional<RequestResult> result = session.TakeResult();
        FUZZ_CHECK(result.has_value());
        const std::size_t answer = pos < size ? ReplySize(data[pos]) : 0;
        const bool whole = answer != 0 && pos + answer <= size;
        FUZZ_CHECK(result->answered == whole);
        FUZZ_CHECK(result->size == (whole ? answer : 0));
        if (whole)
            FUZZ_CHECK(std::memcmp(result->reply.data(), data + pos, answer) == 0);
        if (!result->answered) {
            FUZZ_CHECK(session.IsFinished()); // a stream that failed an answer is out of step
            break;
        }
        pos += answer;
    }
    FUZZ_CHECK(sent == expectedSent);

    // An event loop passes on everything at once: whatever follows the opening answers
    // nothing that was asked and ends the session.
    LinkSession once(LinkSession::Line::Tcp, kPassword, kTimeouts);
    orvane::test::SessionPeer oncePeer(once);
    oncePeer.Connect();
    oncePeer.Give(input);
    if (open) {
        const std::size_t opening = data[0] == kHelloOpen ? 1 : 1 + kChallengeSize + 1;
        FUZZ_CHECK(size > opening ? once.End() == SessionEnd::OutOfStep : once.IsReady());
    }
    return 0;
}
