#include "picpush/ImageTransfer.h"
#include "picpush/ImageSendJob.h"

#include "linkcore/BulkFrame.h"
#include "linkcore/FdIo.h"
#include "linkcore/FrameScanner.h"

#include "support/PjsimProcess.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace picpush;
using orvane::test::PjsimProcess;
using orvane::test::Sandbox;

namespace {

constexpr int kReplyMs = 400;

std::string Sha256Hex(const std::vector<unsigned char>& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

ImageTarget Target(const PjsimProcess& sim, int n, const std::string& password = "") {
    return ImageTarget{n - 1, "127.0.0.1", sim.Port(n), password};
}

// Short link time-outs in a private working directory.
class ImageTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        box_.Write("LinkCore.conf", "[Timeouts]\nConnectMs=400\nReplyMs=" + std::to_string(kReplyMs) + "\n");
    }

    SendOptions Small(bool show = false) {
        SendOptions options;
        options.show = show;
        options.chunkSize = 4096;
        return options;
    }

    Sandbox box_;
    std::atomic<bool> noCancel_{false};
};

TEST_F(ImageTransfer, JobSendsTheImageToEveryProjectorAndShowsIt) {
    orvane::test::TempDir images;
    PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=on,password=secret")},
                     {"--image-dir", images.path()});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    const std::vector<unsigned char> image = orvane::test::MakeJpeg(1280, 800, 20000);

    std::mutex mutex;
    std::map<std::size_t, std::vector<std::size_t>> progress;
    std::vector<SendResult> results(2, SendResult::Cancelled);
    std::atomic<int> allDone{0};
    ImageSendJob job;
    ImageSendJob::Events events;
    events.progress = [&](std::size_t index, std::size_t sent, std::size_t total) {
        std::lock_guard lock(mutex);
        EXPECT_EQ(total, image.size());
        progress[index].push_back(sent);
    };
    events.finished = [&](std::size_t index, SendResult result) {
        std::lock_guard lock(mutex);
        results[index] = result;
    };
    events.allDone = [&] { ++allDone; };
    ASSERT_TRUE(job.Start({Target(sim, 1), Target(sim, 2, "secret")},
                          std::make_shared<const std::vector<unsigned char>>(image), Small(true), events));
    job.Wait();

    EXPECT_EQ(results, (std::vector<SendResult>{SendResult::Sent, SendResult::Sent}));
    EXPECT_EQ(allDone.load(), 1);
    EXPECT_FALSE(job.Running());
    const std::size_t chunks = (image.size() + 4095) / 4096;
    for (std::size_t index : {0u, 1u}) {
        ASSERT_EQ(progress[index].size(), chunks);
        EXPECT_TRUE(std::is_sorted(progress[index].begin(), progress[index].end()));
        EXPECT_EQ(progress[index].back(), image.size());
    }
    const std::string hash = Sha256Hex(image);
    for (int n : {1, 2}) {
        const std::string line = "IMAGE " + std::to_string(n) + " bytes=" + std::to_string(image.size()) +
                                 " sha256=" + hash + " format=jpeg size=1280x800 reply=ack";
        const auto lines = sim.LogLines("IMAGE ");
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
        const std::string file = images.Read(std::to_string(n) + "-1.jpg");
        EXPECT_EQ(std::vector<unsigned char>(file.begin(), file.end()), image);
    }
    int shows = 0;
    for (const auto& r : sim.Requests())
        shows += r.type == linkcore::kTypeImageShow && r.setting == 1 && r.reply == "ack";
    EXPECT_EQ(shows, 2);
}

TEST_F(ImageTransfer, RefusingProjectorsAndUnacceptableImages) {
    PjsimProcess sim({PjsimProcess::Tcp("power=off"), PjsimProcess::Tcp("power=transit"),
                      PjsimProcess::Tcp("power=on,images=0"), PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    const std::vector<unsigned char> image = orvane::test::MakePng(100, 100, 10000);
    for (int n : {1, 2, 3}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(SendImage(Target(sim, n), image, Small(), noCancel_), SendResult::Refused);
    }
    // Bytes that are no image get through the frames, but the end is refused.
    std::vector<unsigned char> notImage(9000, 0x42);
    EXPECT_EQ(SendImage(Target(sim, 4), notImage, Small(), noCancel_), SendResult::Refused);
    // A 5000-pixel-wide picture is refused as well.
    EXPECT_EQ(SendImage(Target(sim, 4), orvane::test::MakePng(5000, 10), Small(), noCancel_), SendResult::Refused);
    EXPECT_EQ(SendImage(Target(sim, 4), image, Small(), noCancel_), SendResult::Sent);

    EXPECT_TRUE(sim.LogLines("BULK 1").empty());
    EXPECT_TRUE(sim.LogLines("BULK 3").empty()); // the projector without images saw none
    const auto lines = sim.LogLines("IMAGE ");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("bytes=9000 sha256=" + Sha256Hex(notImage) + " format=none size=0x0 reply=nak"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("format=png size=5000x10 reply=nak"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("format=png size=100x100 reply=ack"), std::string::npos) << lines[2];
}

TEST_F(ImageTransfer, CancelStopsBetweenBulkFramesAndFreesTheProjector) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    const std::vector<unsigned char> image = orvane::test::MakeJpeg(800, 600, 50000);
    std::atomic<bool> cancel{false};
    int frames = 0;
    const SendResult result = SendImage(Target(sim, 1), image, Small(), cancel, [&](std::size_t, std::size_t) {
        if (++frames == 2)
            cancel = true;
    });
    EXPECT_EQ(result, SendResult::Cancelled);
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(sim.LogLines("BULK 1").size(), 2u);
    EXPECT_TRUE(sim.LogLines("IMAGE ").empty());

    // The cancelled session gave the projector up, so the next image is taken once the
    // projector has seen the connection close.
    SendResult next = SendResult::Refused;
    for (int attempt = 0; attempt < 200 && next == SendResult::Refused; ++attempt) {
        next = SendImage(Target(sim, 1), image, Small(), noCancel_);
        if (next == SendResult::Refused)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(next, SendResult::Sent);
    // A job cancelled before it starts talks to nobody.
    std::atomic<bool> cancelled{true};
    EXPECT_EQ(SendImage(Target(sim, 1), image, Small(), cancelled), SendResult::Cancelled);
    EXPECT_EQ(sim.LogLines("IMAGE ").size(), 1u);
}

// A projector that takes the begin and the first bulk frame, then reads on without answering.
class FallsSilentProjector {
public:
    FallsSilentProjector() {
        listen_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listen_, 1);
        getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FallsSilentProjector() {
        thread_.join();
        close(listen_);
    }
    int Port() const { return port_; }
    int BulkFramesSeen() const { return bulk_; }

private:
    void Serve() {
        int fd = accept(listen_, nullptr, nullptr);
        if (fd < 0)
            return;
        const unsigned char hello = 0;
        write(fd, &hello, 1);
        linkcore::FrameScanner scanner(true);
        unsigned char buffer[65536];
        for (;;) {
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            scanner.Feed(buffer, static_cast<std::size_t>(n));
            linkcore::ScannedFrame frame;
            while (scanner.Next(frame)) {
                if (frame.kind == linkcore::ScannedFrame::Kind::Bulk)
                    ++bulk_;
                if (frame.kind == linkcore::ScannedFrame::Kind::Request || bulk_ == 1) {
                    const unsigned char ack = linkcore::kReplyAck;
                    write(fd, &ack, 1);
                }
            }
        }
        close(fd);
    }

    int listen_ = -1;
    int port_ = 0;
    std::atomic<int> bulk_{0};
    std::thread thread_;
};

TEST_F(ImageTransfer, ProjectorFallingSilentCostsOneReplyTimeout) {
    const std::vector<unsigned char> image = orvane::test::MakeJpeg(800, 600, 40000); // ten frames
    SendResult result;
    int seen = 0;
    {
        FallsSilentProjector projector;
        result = SendImage(ImageTarget{0, "127.0.0.1", projector.Port(), ""}, image, Small(), noCancel_);
        // The transfer is over before the projector's side closes, so the count is final.
        seen = projector.BulkFramesSeen();
    }
    EXPECT_EQ(result, SendResult::NoAnswer);
    // The unanswered second frame ended the transfer: no third one waited for its own time-out.
    EXPECT_EQ(seen, 2);
}

TEST_F(ImageTransfer, UnreachableProjectorIsNoAnswer) {
    // A port nobody listens on: bound, not listening.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    const std::vector<SendResult> results =
        SendToAll({ImageTarget{0, "127.0.0.1", ntohs(addr.sin_port), ""}}, orvane::test::MakeJpeg(8, 8), Small());
    close(fd);
    EXPECT_EQ(results, (std::vector<SendResult>{SendResult::NoAnswer}));
}

} // namespace
