#include "linkcore/BulkFrame.h"
#include "linkcore/FrameScanner.h"
#include "linkcore/LinkSession.h"
#include "linkcore/SessionRunner.h"

#include "support/SessionPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace linkcore;

namespace {

std::vector<unsigned char> BulkFrameBytes(const std::vector<unsigned char>& payload) {
    unsigned char header[kBulkHeaderSize];
    EncodeBulkHeader(static_cast<std::uint32_t>(payload.size()), header);
    std::vector<unsigned char> out;
    out.reserve(sizeof header + payload.size() + 4);
    out.insert(out.end(), header, header + sizeof header);
    out.insert(out.end(), payload.begin(), payload.end());
    unsigned char crc[4];
    PutLe32(crc, Crc32(payload.data(), payload.size()));
    out.insert(out.end(), crc, crc + 4);
    return out;
}

void Append(std::vector<unsigned char>& to, const Frame& frame) {
    to.insert(to.end(), frame.begin(), frame.end());
}

// Everything the scanner hands out, as text: "req:<type>", "bulk:<size>:<ok|bad>", "long:<size>".
std::vector<std::string> ScanAll(FrameScanner& scanner) {
    std::vector<std::string> out;
    ScannedFrame frame;
    while (scanner.Next(frame)) {
        switch (frame.kind) {
        case ScannedFrame::Kind::Request:
            out.push_back("req:" + std::to_string(frame.request.type));
            break;
        case ScannedFrame::Kind::Bulk:
            out.push_back("bulk:" + std::to_string(frame.size) + (frame.crcOk ? ":ok" : ":bad"));
            break;
        case ScannedFrame::Kind::BulkTooLong:
            out.push_back("long:" + std::to_string(frame.size));
            break;
        }
    }
    return out;
}

} // namespace

TEST(Crc32, MatchesTheIeeeCheckValueAndContinues) {
    const auto* text = reinterpret_cast<const unsigned char*>("123456789");
    EXPECT_EQ(Crc32(text, 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(text + 4, 5, Crc32(text, 4)), 0xCBF43926u);
}

TEST(FrameScanner, BulkFramesAmongRequestsFedInPieces) {
    std::vector<unsigned char> payload(3000);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<unsigned char>(i * 7); // holds 0xA5 0x5A pairs, which must not count
    std::vector<unsigned char> stream;
    Append(stream, EncodeRequest({1, kTypeImageBegin, 0}));
    const std::vector<unsigned char> bulk = BulkFrameBytes(payload);
    stream.insert(stream.end(), bulk.begin(), bulk.end());
    std::vector<unsigned char> damaged = bulk;
    damaged[kBulkHeaderSize + 100] ^= 0x40;
    stream.insert(stream.end(), damaged.begin(), damaged.end());
    Append(stream, EncodeRequest({1, kTypeImageEnd, 0}));

    FrameScanner scanner(true);
    std::vector<std::string> got;
    std::vector<unsigned char> seenPayload;
    for (std::size_t at = 0; at < stream.size(); at += 700) {
        scanner.Feed(stream.data() + at, std::min<std::size_t>(700, stream.size() - at));
        ScannedFrame frame;
        while (scanner.Next(frame)) {
            if (frame.kind == ScannedFrame::Kind::Bulk && seenPayload.empty())
                seenPayload.assign(frame.payload, frame.payload + frame.size);
            got.push_back(frame.kind == ScannedFrame::Kind::Request
                              ? "req:" + std::to_string(frame.request.type)
                              : "bulk:" + std::string(frame.crcOk ? "ok" : "bad"));
        }
    }
    EXPECT_EQ(got, (std::vector<std::string>{"req:28672", "bulk:ok", "bulk:bad", "req:28673"}));
    EXPECT_EQ(seenPayload, payload);
    EXPECT_FALSE(scanner.HasPartial());
}

TEST(FrameScanner, OversizedBulkHeaderSkipsTheAnnouncedBytes) {
    // The announced payload holds a whole request frame; it must not be taken as one.
    const std::uint32_t announced = kMaxBulkPayload + 1;
    unsigned char header[kBulkHeaderSize];
    EncodeBulkHeader(announced, header);
    std::vector<unsigned char> body(announced + kBulkTrailerSize, 0);
    const Frame hidden = EncodeRequest({1, 0x6000, 0});
    std::copy(hidden.begin(), hidden.end(), body.begin() + 50);

    FrameScanner scanner(true);
    scanner.Feed(header, sizeof header);
    scanner.Feed(body.data(), 1000);
    EXPECT_EQ(ScanAll(scanner), (std::vector<std::string>{"long:" + std::to_string(announced)}));
    EXPECT_TRUE(scanner.HasPartial());
    std::vector<unsigned char> rest(body.begin() + 1000, body.end());
    Append(rest, EncodeRequest({2, 0x6000, 0}));
    scanner.Feed(rest.data(), rest.size());
    EXPECT_EQ(ScanAll(scanner), (std::vector<std::string>{"req:24576"}));

    // A length of 0 is refused too, and its CRC bytes are skipped.
    EncodeBulkHeader(0, header);
    std::vector<unsigned char> zero(header, header + sizeof header);
    zero.insert(zero.end(), {0xA5, 0x5A, 0, 0});
    Append(zero, EncodeRequest({2, 0x2000, 0}));
    scanner.Feed(zero.data(), zero.size());
    EXPECT_EQ(ScanAll(scanner), (std::vector<std::string>{"long:0", "req:8192"}));
}

TEST(FrameScanner, WithoutBulkFramesTheirBytesAreNoise) {
    std::vector<unsigned char> stream = BulkFrameBytes({1, 2, 3});
    Append(stream, EncodeRequest({2, 0x6000, 0}));
    FrameScanner scanner;
    scanner.Feed(stream.data(), stream.size());
    EXPECT_EQ(ScanAll(scanner), (std::vector<std::string>{"req:24576"}));
}

TEST(BulkFrame, GatherWriteCarriesHeaderPayloadAndCrc) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
    // Larger than the socket buffer, so that the write has to wait and resume mid-payload.
    std::vector<unsigned char> payload(kMaxBulkPayload);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<unsigned char>(i ^ (i >> 8));
    std::vector<unsigned char> received;
    std::thread reader([&] {
        unsigned char buffer[65536];
        for (;;) {
            ssize_t n = read(fds[1], buffer, sizeof buffer);
            if (n == 0)
                return;
            if (n > 0)
                received.insert(received.end(), buffer, buffer + n);
            else
                usleep(1000);
        }
    });
    LinkSession session(LinkSession::Line::Tcp, "", SessionTimeouts{10000, 10000});
    orvane::test::SessionPeer peer(session);
    peer.Connect();
    peer.Give(std::string(1, '\0'));
    ASSERT_TRUE(session.SubmitBulk(payload, SessionClock::now()));
    EXPECT_EQ(WriteOutput(session, fds[0], true), IoResult::Ok);
    close(fds[0]);
    reader.join();
    close(fds[1]);
    EXPECT_EQ(received, BulkFrameBytes(payload));
}
