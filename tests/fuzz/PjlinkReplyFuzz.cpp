// The link's side of a PJLink session fed in memory: whatever a projector sends (greeting,
// answers, noise, over-long lines), every request of ours either gets a reply our own
// protocol could have given or fails with no reply bytes, and every line the session sends
// is a well-formed PJLink command.
#include "FuzzSupport.h"
#include "linkcore/Frame.h"
#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkSession.h"
#include "support/SessionPeer.h"

using namespace linkcore;

namespace {

constexpr SessionTimeouts kTimeouts{5000, 5000};
constexpr std::size_t kMaxInput = 4096;

// One request per row of the translation, and some it refuses without sending.
constexpr Request kRequests[] = {
    {2, 0x1007, 0}, {1, 0x6000, 1}, {2, 0x6000, 0}, {1, 0x2000, 3}, {2, 0x2000, 0},
    {1, 0x3020, 1}, {1, 0x2002, 0}, {2, 0x3020, 0}, {2, 0x2002, 0}, {1, 0x3002, 1},
    {4, 0x2001, 0}, {5, 0x2001, 0}, {2, 0x2001, 0}, {1, 0x4000, 7}, {1, 0x2000, 999},
};
constexpr std::size_t kRequestCount = sizeof kRequests / sizeof kRequests[0];

bool IsLowerHex(std::string_view text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput)
        return 0;
    const std::string_view text = orvane::fuzz::AsText(data, size);
    PjlinkSession session("orvane", kTimeouts);
    orvane::test::SessionPeer peer(session);
    peer.Connect();
    std::string all;
    std::size_t taken = peer.Drain(text, all);
    const bool started = session.IsReady();
    if (started) {
        // Line feeds around lines are skipped, as some devices end lines with CR LF.
        const std::size_t greeting = text.find_first_not_of('\n');
        FUZZ_CHECK(greeting != std::string_view::npos && text.substr(greeting, 7) == "PJLINK ");
    }

    // The input's length picks where in the list the requests start, so that every request
    // gets to meet the first answer.
    for (std::size_t n = 0; started && session.IsReady() && n < kRequestCount; ++n) {
        const Request& request = kRequests[(n + size) % kRequestCount];
        FUZZ_CHECK(session.Submit(request, peer.Now()));
        taken += peer.Drain(text.substr(taken), all);
        const std::optional<RequestResult> result = session.TakeResult();
        FUZZ_CHECK(result.has_value());
        const bool answered = result->answered;
        if (answered)
            FUZZ_CHECK(ReplySize(result->reply[0]) != 0 && result->size == ReplySize(result->reply[0]));
        else
            FUZZ_CHECK(result->size == 0 && session.IsFinished());
        const unsigned char* reply = result->reply.data();
        if (answered && request.action == kActionGet && request.type == 0x1007)
            FUZZ_CHECK(reply[0] != kReplyData || (reply[1] == 1 && reply[2] == 0));
        if (answered && request.action == kActionGet && request.type == 0x6000 && reply[0] == kReplyData)
            FUZZ_CHECK(reply[1] <= 2 && reply[2] == 0);
    }
    session.Close();

    // What went out: command lines only, the first one perhaps behind the password's digest.
    std::string_view sent = all;
    bool first = true;
    while (!sent.empty()) {
        const std::size_t end = sent.find(pjlink::kTerminator);
        FUZZ_CHECK(end != std::string_view::npos);
        std::string_view line = sent.substr(0, end);
        sent.remove_prefix(end + 1);
        if (first && line.size() > pjlink::kDigestSize && line[0] != '%') {
            FUZZ_CHECK(IsLowerHex(line.substr(0, pjlink::kDigestSize)));
            line.remove_prefix(pjlink::kDigestSize);
        }
        first = false;
        pjlink::Command command;
        FUZZ_CHECK(pjlink::ParseCommand(line, command));
        FUZZ_CHECK(line.size() + 1 <= pjlink::kMaxLine);
    }
    return 0;
}
