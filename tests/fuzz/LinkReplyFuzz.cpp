// The link's side of a session over a socket pair: whatever a projector sends (hello,
// challenge, verdict, replies), the link takes exactly the answers the protocol allows,
// copies no more than an answer's bytes and sends exactly its proof and request frames.
#include "FuzzSupport.h"
#include "linkcore/Auth.h"
#include "linkcore/RequestExchange.h"
#include "linkcore/TcpChannel.h"

#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace linkcore;

namespace {

constexpr char kPassword[] = "orvane";
// Never reached: the projector's side is shut, so every read ends at once.
constexpr int kReplyMs = 5000;
constexpr std::size_t kMaxInput = 4096; // well within a socket pair's buffer
constexpr int kMaxRequests = 16;

class SocketPair {
public:
    SocketPair() { FUZZ_CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) == 0); }
    ~SocketPair() {
        close(fds_[0]);
        close(fds_[1]);
    }
    int Link() const { return fds_[0]; }
    int Projector() const { return fds_[1]; }

private:
    int fds_[2] = {-1, -1};
};

std::vector<unsigned char> ReadAll(int fd) {
    std::vector<unsigned char> out;
    unsigned char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return out;
        out.insert(out.end(), buffer, buffer + n);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput)
        return 0;
    SocketPair pair;
    FUZZ_CHECK(write(pair.Projector(), data, size) == static_cast<ssize_t>(size));
    FUZZ_CHECK(shutdown(pair.Projector(), SHUT_WR) == 0);

    // What the link must send: the proof after a challenge, then one frame per request.
    std::vector<unsigned char> expectedSent;
    std::size_t pos = 0;
    bool open = false;
    if (size >= 1 && data[0] == kHelloOpen) {
        open = true;
        pos = 1;
    } else if (size >= 1 + kChallengeSize && data[0] == kHelloChallenge) {
        unsigned char proof[kAuthResponseSize];
        ComputeAuthResponse(data + 1, kPassword, proof);
        expectedSent.assign(proof, proof + sizeof proof);
        pos = 1 + kChallengeSize + 1;
        open = pos <= size && data[pos - 1] == kReplyAck;
    }
    FUZZ_CHECK(Handshake(pair.Link(), kPassword, kReplyMs, kReplyMs) == open);

    for (int n = 0; open && n < kMaxRequests; ++n) {
        const Request request{static_cast<std::uint16_t>(n % 5 + 1), static_cast<std::uint16_t>(0x6000 + n), 1};
        const Frame frame = EncodeRequest(request);
        expectedSent.insert(expectedSent.end(), frame.begin(), frame.end());

        unsigned char reply[128];
        std::memset(reply, 0xEE, sizeof reply);
        const bool answered = ExchangeRequest(pair.Link(), true, request, kReplyMs, reply);
        const std::size_t answer = pos < size ? ReplySize(data[pos]) : 0;
        const bool whole = answer != 0 && pos + answer <= size;
        FUZZ_CHECK(answered == whole);
        const std::size_t copied = answered ? answer : 0;
        if (answered)
            FUZZ_CHECK(std::memcmp(reply, data + pos, answer) == 0);
        for (std::size_t i = copied; i < sizeof reply; ++i)
            FUZZ_CHECK(reply[i] == 0xEE);
        if (!answered)
            break; // the link closes the connection after a failed exchange
        pos += answer;
    }
    FUZZ_CHECK(ReadAll(pair.Projector()) == expectedSent);
    return 0;
}
