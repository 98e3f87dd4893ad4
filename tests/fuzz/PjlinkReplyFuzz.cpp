// The link's side of a PJLink session over a socket pair: whatever a projector sends
// (greeting, answers, noise, over-long lines), every request of ours either gets a reply
// our own protocol could have given or fails with the reply buffer untouched, and every
// line the link sends is a well-formed PJLink command.
#include "FuzzSupport.h"
#include "linkcore/Frame.h"
#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkTranslator.h"

#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

using namespace linkcore;

namespace {

// Never reached: the projector's side is shut, so every read ends at once.
constexpr int kWaitMs = 5000;
constexpr std::size_t kMaxInput = 4096; // well within a socket pair's buffer

// One request per row of the translation, and some it refuses without sending.
constexpr Request kRequests[] = {
    {2, 0x1007, 0}, {1, 0x6000, 1}, {2, 0x6000, 0}, {1, 0x2000, 3}, {2, 0x2000, 0},
    {1, 0x3020, 1}, {1, 0x2002, 0}, {2, 0x3020, 0}, {2, 0x2002, 0}, {1, 0x3002, 1},
    {4, 0x2001, 0}, {5, 0x2001, 0}, {2, 0x2001, 0}, {1, 0x4000, 7}, {1, 0x2000, 999},
};
constexpr std::size_t kRequestCount = sizeof kRequests / sizeof kRequests[0];

std::string ReadAll(int fd) {
    std::string out;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return out;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

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
    int fds[2];
    FUZZ_CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) == 0);
    const int projector = fds[1];
    FUZZ_CHECK(write(projector, data, size) == static_cast<ssize_t>(size));
    FUZZ_CHECK(shutdown(projector, SHUT_WR) == 0);

    const std::string_view text = orvane::fuzz::AsText(data, size);
    const PjlinkSettings settings;
    PjlinkSession session; // owns fds[0] from here on
    const bool started = session.Start(fds[0], "orvane", kWaitMs, kWaitMs);
    if (started) {
        // Line feeds around lines are skipped, as some devices end lines with CR LF.
        const std::size_t greeting = text.find_first_not_of('\n');
        FUZZ_CHECK(greeting != std::string_view::npos && text.substr(greeting, 7) == "PJLINK ");
    }

    // The input's length picks where in the list the requests start, so that every request
    // gets to meet the first answer.
    for (std::size_t n = 0; started && session.IsOpen() && n < kRequestCount; ++n) {
        const Request& request = kRequests[(n + size) % kRequestCount];
        unsigned char reply[16];
        std::memset(reply, 0xEE, sizeof reply);
        const bool answered = SendAsPjlink(session, settings, request, reply);
        const std::size_t length = answered ? ReplySize(reply[0]) : 0;
        if (answered)
            FUZZ_CHECK(length != 0);
        for (std::size_t i = length; i < sizeof reply; ++i)
            FUZZ_CHECK(reply[i] == 0xEE);
        if (answered && request.action == kActionGet && request.type == 0x1007)
            FUZZ_CHECK(reply[0] != kReplyData || (reply[1] == 1 && reply[2] == 0));
        if (answered && request.action == kActionGet && request.type == 0x6000 && reply[0] == kReplyData)
            FUZZ_CHECK(reply[1] <= 2 && reply[2] == 0);
    }
    session.Close();

    // What went out: command lines only, the first one perhaps behind the password's digest.
    std::string_view sent;
    const std::string all = ReadAll(projector);
    sent = all;
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
    close(projector);
    return 0;
}
