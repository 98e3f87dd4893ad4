#include "linkcore/Frame.h"
#include "linkcore/Auth.h"
#include "linkcore/Digest.h"
#include "linkcore/FrameScanner.h"
#include "platform/Hex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace linkcore;

namespace {

const unsigned char* Bytes(const char* text) {
    return reinterpret_cast<const unsigned char*>(text);
}

std::vector<Request> ScanAll(FrameScanner& scanner, std::vector<FrameStatus>* statuses = nullptr) {
    std::vector<Request> out;
    Request request;
    FrameStatus status;
    while (scanner.Next(request, status)) {
        out.push_back(request);
        if (statuses != nullptr)
            statuses->push_back(status);
    }
    return out;
}

} // namespace

TEST(Crc16, MatchesPublishedCheckValues) {
    EXPECT_EQ(Crc16(Bytes("123456789"), 9), 0x29B1);
    EXPECT_EQ(Crc16(Bytes(""), 0), 0xFFFF); // initial value, no final xor
    EXPECT_EQ(Crc16(Bytes("A"), 1), 0xB915);
}

TEST(Frame, EncodesFieldsLittleEndianWithChecksumOfFieldBytes) {
    Frame frame = EncodeRequest({1, 0x6000, 1});
    Frame expected = {0xA5, 0x5A, 0x01, 0x00, 0x00, 0x60, 0x01, 0x00, 0xEA, 0xE3};
    EXPECT_EQ(frame, expected);

    frame = EncodeRequest({2, 0x1007, 0});
    expected = {0xA5, 0x5A, 0x02, 0x00, 0x07, 0x10, 0x00, 0x00, 0x1E, 0x97};
    EXPECT_EQ(frame, expected);
}

TEST(Frame, DecodeRoundTripsAndRejectsDamage) {
    const Request requests[] = {{0, 0, 0}, {1, 0x6000, 1}, {5, 0x2001, 0}, {0xFFFF, 0xABCD, 0x8001}};
    for (const Request& sent : requests) {
        Frame frame = EncodeRequest(sent);
        Request got;
        ASSERT_EQ(DecodeRequest(frame.data(), got), FrameStatus::Ok);
        EXPECT_EQ(got, sent);

        // Every single-bit error in the fields or checksum is caught.
        for (std::size_t bit = 16; bit < kFrameSize * 8; ++bit) {
            Frame damaged = frame;
            damaged[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
            EXPECT_EQ(DecodeRequest(damaged.data(), got), FrameStatus::BadCrc) << "bit " << bit;
        }
    }

    Frame frame = EncodeRequest({2, 0x2000, 0});
    frame[1] = 0x5B;
    Request got;
    EXPECT_EQ(DecodeRequest(frame.data(), got), FrameStatus::BadMagic);

    // A frame with a bad checksum still tells what it asked for, for the refusal's log.
    frame = EncodeRequest({4, 0x2001, 7});
    frame[9] ^= 0xFF;
    ASSERT_EQ(DecodeRequest(frame.data(), got), FrameStatus::BadCrc);
    EXPECT_EQ(got, (Request{4, 0x2001, 7}));
}

TEST(Frame, ReplyCodesAndDataReply) {
    EXPECT_EQ(ReplySize(kReplyAck), 1u);
    EXPECT_EQ(ReplySize(kReplyNak), 1u);
    EXPECT_EQ(ReplySize(kReplyData), 3u);
    EXPECT_EQ(ReplySize(0x00), 0u);
    EXPECT_EQ(ReplySize(0xA5), 0u);

    unsigned char out[3] = {};
    ASSERT_EQ(EncodeDataReply(0x1234, out), 3u);
    EXPECT_EQ(out[0], 0x1D);
    EXPECT_EQ(out[1], 0x34);
    EXPECT_EQ(out[2], 0x12);
}

TEST(FrameScanner, SkipsJunkAndReassemblesSplitFrames) {
    FrameScanner scanner;
    Frame a = EncodeRequest({1, 0x2000, 3});
    Frame b = EncodeRequest({2, 0x6000, 0});

    // Junk, including a lone 0xA5 and a 0x5A out of place, then a frame fed byte by byte.
    const unsigned char junk[] = {0x00, 0xA5, 0x00, 0x5A, 0xFF};
    scanner.Feed(junk, sizeof junk);
    EXPECT_FALSE(scanner.HasPartial());
    for (unsigned char byte : a) {
        EXPECT_TRUE(ScanAll(scanner).empty());
        scanner.Feed(&byte, 1);
    }
    std::vector<Request> got = ScanAll(scanner);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], (Request{1, 0x2000, 3}));

    // Two frames in one read, the second cut after its 0xA5.
    std::vector<unsigned char> both(a.begin(), a.end());
    both.insert(both.end(), b.begin(), b.begin() + 1);
    scanner.Feed(both.data(), both.size());
    EXPECT_EQ(ScanAll(scanner).size(), 1u);
    EXPECT_TRUE(scanner.HasPartial());
    scanner.Feed(b.data() + 1, b.size() - 1);
    got = ScanAll(scanner);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], (Request{2, 0x6000, 0}));
}

TEST(FrameScanner, BadChecksumIsReportedAndTheNextFrameStillRead) {
    FrameScanner scanner;
    Frame bad = EncodeRequest({1, 0x3020, 1});
    bad[8] ^= 0x01;
    Frame good = EncodeRequest({1, 0x3020, 0});
    scanner.Feed(bad.data(), bad.size());
    scanner.Feed(good.data(), good.size());
    std::vector<FrameStatus> statuses;
    std::vector<Request> got = ScanAll(scanner, &statuses);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(statuses[0], FrameStatus::BadCrc);
    EXPECT_EQ(statuses[1], FrameStatus::Ok);
    EXPECT_EQ(got[1], (Request{1, 0x3020, 0}));
}

TEST(FrameScanner, ResetDropsTheRemainsOfAnUnfinishedFrame) {
    FrameScanner scanner;
    Frame stale = EncodeRequest({1, 0x2000, 9});
    scanner.Feed(stale.data(), 6);
    scanner.Reset();
    Frame fresh = EncodeRequest({2, 0x2000, 0});
    scanner.Feed(fresh.data(), fresh.size());
    std::vector<FrameStatus> statuses;
    std::vector<Request> got = ScanAll(scanner, &statuses);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(statuses[0], FrameStatus::Ok);
    EXPECT_EQ(got[0], (Request{2, 0x2000, 0}));
}

TEST(Auth, ResponseIsHmacSha256OfTheChallengeKeyedWithThePassword) {
    unsigned char challenge[kChallengeSize];
    for (std::size_t i = 0; i < kChallengeSize; ++i)
        challenge[i] = static_cast<unsigned char>(i);
    unsigned char response[kAuthResponseSize];
    ComputeAuthResponse(challenge, "abc", response);
    const unsigned char expected[kAuthResponseSize] = {0x4b, 0x8e, 0x11, 0xc6, 0xb1, 0xa3, 0x78, 0xd6, 0x06, 0x7e, 0xc5,
                                                       0xe5, 0xe3, 0x69, 0x37, 0x23, 0xba, 0xf1, 0xd4, 0x6a, 0xca, 0xc4,
                                                       0x5b, 0xa8, 0x18, 0x99, 0xc9, 0x2d, 0xa6, 0x70, 0xdd, 0xc1};
    EXPECT_TRUE(AuthResponsesEqual(response, expected));

    unsigned char other[kAuthResponseSize];
    ComputeAuthResponse(challenge, "abd", other);
    EXPECT_FALSE(AuthResponsesEqual(response, other));
    ComputeAuthResponse(challenge, "", other);
    EXPECT_FALSE(AuthResponsesEqual(response, other));

    unsigned char c1[kChallengeSize], c2[kChallengeSize];
    ASSERT_TRUE(RandomChallenge(c1));
    ASSERT_TRUE(RandomChallenge(c2));
    EXPECT_NE(std::string(c1, c1 + kChallengeSize), std::string(c2, c2 + kChallengeSize));
}

// The published test vectors, plus keys either side of the hash's block size (64 bytes),
// where a key stops being used as it is and is hashed first; those digests come from
// another HMAC implementation.
TEST(Digest, HmacSha256MatchesTheStandardVectorsAndHashesLongKeys) {
    auto hex = [](std::string_view key, std::string_view data) {
        unsigned char out[kSha256Size];
        HmacSha256(key, data, out);
        return orvane::ToHex(out);
    };
    EXPECT_EQ(hex("Jefe", "what do ya want for nothing?"),
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    EXPECT_EQ(hex(std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
              "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
    EXPECT_EQ(hex(std::string(64, 'k'), "block"), "1b7ee2f78bbad5f9d29e0b4e5f639ae046d13e1763f1ebc7a439089c128f294a");
    EXPECT_EQ(hex(std::string(65, 'k'), "block"), "205da1093ea96b1859b451191f3a71c6c93ec675f0872d8018cedab033bc8986");
}
