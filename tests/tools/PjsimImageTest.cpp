#include "linkcore/BulkFrame.h"
#include "linkcore/Frame.h"

#include "support/PjsimProcess.h"
#include "support/RawClient.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using orvane::test::PjsimProcess;
using orvane::test::RawClient;

namespace {

const std::string kAck(1, '\x06');
const std::string kNak(1, '\x15');

std::vector<unsigned char> Bulk(const std::vector<unsigned char>& payload, std::uint32_t announced) {
    unsigned char header[linkcore::kBulkHeaderSize];
    linkcore::EncodeBulkHeader(announced, header);
    std::vector<unsigned char> out;
    out.reserve(sizeof header + payload.size() + 4);
    out.insert(out.end(), header, header + sizeof header);
    out.insert(out.end(), payload.begin(), payload.end());
    unsigned char crc[4];
    linkcore::PutLe32(crc, linkcore::Crc32(payload.data(), payload.size()));
    out.insert(out.end(), crc, crc + 4);
    return out;
}

std::vector<unsigned char> Bulk(const std::vector<unsigned char>& payload) {
    return Bulk(payload, static_cast<std::uint32_t>(payload.size()));
}

// A client past the hello, asking one thing at a time.
struct Session {
    explicit Session(int port) : client(port) { hello = client.Read(1); }
    std::string Request(std::uint16_t type, std::uint16_t setting = 0) {
        client.WriteFrame(linkcore::EncodeRequest({linkcore::kActionSet, type, setting}));
        return client.Read(1);
    }
    std::string Send(const std::vector<unsigned char>& bytes) {
        client.Write(bytes.data(), bytes.size());
        return client.Read(1);
    }
    RawClient client;
    std::string hello;
};

} // namespace

TEST(PjsimImage, RefusesDamagedOversizedAndUnbegunBulkFrames) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Session s(sim.Port(1));
    ASSERT_EQ(s.hello, std::string(1, '\0'));
    const std::vector<unsigned char> image = orvane::test::MakeJpeg(64, 64, 3000);
    const std::vector<unsigned char> head(image.begin(), image.begin() + 1000);
    const std::vector<unsigned char> tail(image.begin() + 1000, image.end());

    EXPECT_EQ(s.Send(Bulk(head)), kNak) << "no image begun";
    EXPECT_EQ(s.Request(linkcore::kTypeImageEnd), kNak) << "no image begun";

    // A damaged frame gives the image up: the rest, though sound, no longer makes one.
    ASSERT_EQ(s.Request(linkcore::kTypeImageBegin), kAck);
    std::vector<unsigned char> damaged = Bulk(head);
    damaged[200] ^= 0x01;
    EXPECT_EQ(s.Send(damaged), kNak);
    EXPECT_EQ(s.Send(Bulk(tail)), kNak);
    EXPECT_EQ(s.Request(linkcore::kTypeImageEnd), kNak);

    // A frame announcing more than 1 MiB is refused and its bytes skipped.
    ASSERT_EQ(s.Request(linkcore::kTypeImageBegin), kAck);
    std::vector<unsigned char> huge(linkcore::kMaxBulkPayload + 1, 0x5A);
    EXPECT_EQ(s.Send(Bulk(huge)), kNak);
    EXPECT_EQ(s.Request(linkcore::kTypeImageEnd), kNak);

    // Beyond 16 MiB in all, the image is given up at the frame that crosses the limit.
    ASSERT_EQ(s.Request(linkcore::kTypeImageBegin), kAck);
    const std::vector<unsigned char> mebibyte(linkcore::kMaxBulkPayload, 0x11);
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(s.Send(Bulk(mebibyte)), kAck) << i;
    EXPECT_EQ(s.Send(Bulk({0x01})), kNak);
    EXPECT_EQ(s.Request(linkcore::kTypeImageEnd), kNak);

    // And after all that, a sound image in two frames is taken.
    ASSERT_EQ(s.Request(linkcore::kTypeImageBegin), kAck);
    EXPECT_EQ(s.Send(Bulk(head)), kAck);
    EXPECT_EQ(s.Send(Bulk(tail)), kAck);
    EXPECT_EQ(s.Request(linkcore::kTypeImageEnd), kAck);
    EXPECT_EQ(s.Request(linkcore::kTypeImageShow, 1), kAck);
    EXPECT_EQ(s.Request(linkcore::kTypeImageShow, 0), kAck);
    EXPECT_EQ(s.Request(linkcore::kTypeImageShow, 2), kNak);
    EXPECT_EQ(sim.LogLines("IMAGE ").size(), 1u);
}

TEST(PjsimImage, OneImageAtATimeAndNoShowWithoutOne) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    auto first = std::make_unique<Session>(sim.Port(1));
    EXPECT_EQ(first->Request(linkcore::kTypeImageShow, 1), kNak) << "nothing to show yet";
    ASSERT_EQ(first->Request(linkcore::kTypeImageBegin), kAck);
    {
        Session second(sim.Port(1));
        EXPECT_EQ(second.Request(linkcore::kTypeImageBegin), kNak) << "busy";
    }
    // The first client goes away mid-image; the projector is free again.
    first.reset();
    Session third(sim.Port(1));
    bool taken = false;
    for (int attempt = 0; attempt < 100 && !taken; ++attempt) {
        taken = third.Request(linkcore::kTypeImageBegin) == kAck;
        if (!taken)
            usleep(10000); // the projector notices the closed connection on its own thread
    }
    EXPECT_TRUE(taken);
}

TEST(PjsimImage, ProjectorWithoutImagesSkipsBulkFramesAsNoise) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,images=0")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Session s(sim.Port(1));
    EXPECT_EQ(s.Request(linkcore::kTypeImageBegin), kNak) << "an unknown type";
    // No answer to the bulk frame: the next answer read is that of the power get behind it.
    std::vector<unsigned char> bytes = Bulk({1, 2, 3});
    const linkcore::Frame get = linkcore::EncodeRequest({linkcore::kActionGet, 0x6000, 0});
    bytes.insert(bytes.end(), get.begin(), get.end());
    s.client.Write(bytes.data(), bytes.size());
    EXPECT_EQ(s.client.Read(3), std::string("\x1D\x01\x00", 3));
    EXPECT_TRUE(sim.LogLines("BULK ").empty());
}
