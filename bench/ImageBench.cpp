// How long sending a 2 MiB image to five projectors takes beside the floor of writing the
// same bytes over five bare loopback connections. Runs against pjsim and an in-process
// listener on 127.0.0.1 only.
//
//   build/bin/bench_image
//
// The goal is a ratio of at most 1.5; it is printed at the end.

#include "picpush/ImageSendJob.h"

#include "linkcore/BulkFrame.h"
#include "linkcore/Frame.h"
#include "support/PjsimProcess.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using orvane::test::PjsimProcess;

constexpr int kProjectors = 5;
constexpr std::size_t kImageBytes = 2 * 1024 * 1024;

// A JPEG of exactly 2 MiB, as far as a projector can tell.
const std::vector<unsigned char>& Image() {
    static const std::vector<unsigned char> image =
        orvane::test::MakeJpeg(1920, 1080, kImageBytes - orvane::test::MakeJpeg(1920, 1080, 0).size());
    return image;
}

// What the client writes for the image, frame by frame: begin, the bulk frames, end.
const std::vector<std::vector<unsigned char>>& WireFrames() {
    static const std::vector<std::vector<unsigned char>> frames = [] {
        std::vector<std::vector<unsigned char>> out;
        auto request = [](std::uint16_t type) {
            const linkcore::Frame f = linkcore::EncodeRequest({linkcore::kActionSet, type, 0});
            return std::vector<unsigned char>(f.begin(), f.end());
        };
        out.push_back(request(linkcore::kTypeImageBegin));
        const std::vector<unsigned char>& image = Image();
        for (std::size_t at = 0; at < image.size(); at += picpush::kDefaultChunkSize) {
            const auto size = static_cast<std::uint32_t>(std::min(picpush::kDefaultChunkSize, image.size() - at));
            unsigned char header[linkcore::kBulkHeaderSize];
            linkcore::EncodeBulkHeader(size, header);
            std::vector<unsigned char> frame;
            frame.reserve(size + 10);
            frame.insert(frame.end(), header, header + sizeof header);
            frame.insert(frame.end(), image.begin() + static_cast<std::ptrdiff_t>(at),
                         image.begin() + static_cast<std::ptrdiff_t>(at + size));
            unsigned char crc[4];
            linkcore::PutLe32(crc, linkcore::Crc32(image.data() + at, size));
            frame.insert(frame.end(), crc, crc + 4);
            out.push_back(std::move(frame));
        }
        out.push_back(request(linkcore::kTypeImageEnd));
        return out;
    }();
    return frames;
}

std::size_t WireBytes() {
    std::size_t total = 0;
    for (const auto& frame : WireFrames())
        total += frame.size();
    return total;
}

// Five projectors that are on. pjsim's SHA-256 of every image is a test aid, not projector
// work; the main benchmark leaves it out, the second shows what it costs.
struct Projectors {
    explicit Projectors(bool hash) {
        std::vector<std::string> defs(kProjectors, PjsimProcess::Tcp("power=on"));
        sim = std::make_unique<PjsimProcess>(defs, hash ? std::vector<std::string>{}
                                                        : std::vector<std::string>{"--no-image-hash"});
        for (int n = 1; n <= kProjectors; ++n)
            targets.push_back({n - 1, "127.0.0.1", sim->Port(n), ""});
    }
    std::unique_ptr<PjsimProcess> sim;
    std::vector<picpush::ImageTarget> targets;
};

void SendToFive(benchmark::State& state, Projectors& p) {
    if (!p.sim->Ready()) {
        state.SkipWithError(p.sim->Error().c_str());
        return;
    }
    for (auto _ : state) {
        for (picpush::SendResult result : picpush::SendToAll(p.targets, Image(), picpush::SendOptions{})) {
            if (result != picpush::SendResult::Sent) {
                state.SkipWithError(picpush::ResultName(result));
                return;
            }
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kProjectors *
                            static_cast<int64_t>(Image().size()));
}

void BM_ImageToFiveProjectors(benchmark::State& state) {
    static Projectors p(false);
    SendToFive(state, p);
}
BENCHMARK(BM_ImageToFiveProjectors)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImageToFiveHashingProjectors(benchmark::State& state) {
    static Projectors p(true);
    SendToFive(state, p);
}
BENCHMARK(BM_ImageToFiveHashingProjectors)->Unit(benchmark::kMillisecond)->UseRealTime();

// The least a projector could do with the same bytes. Streamed: read them all, answer once.
// Exchanged: send the hello, then answer each frame once it is in, as the client waits for.
class SinkListener {
public:
    explicit SinkListener(bool perFrame) : perFrame_(perFrame) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        addr_.sin_family = AF_INET;
        addr_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr_;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr_), sizeof addr_) != 0 || listen(fd_, 64) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&addr_), &len) != 0)
            return;
        thread_ = std::thread([this] { Accept(); });
    }
    ~SinkListener() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable())
            thread_.join();
        close(fd_);
    }
    const sockaddr_in& Address() const { return addr_; }

private:
    void Accept() {
        while (!stop_) {
            int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            int one = 1;
            setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            // One reader per connection, as a projector serves each client on its own.
            std::thread([this, c] { Serve(c); }).detach();
        }
    }
    void Serve(int c) {
        std::vector<unsigned char> buffer(64 * 1024);
        const unsigned char ack = 6;
        bool ok = !perFrame_ || write(c, "", 1) == 1;
        std::vector<std::size_t> sizes;
        if (perFrame_) {
            for (const auto& frame : WireFrames())
                sizes.push_back(frame.size());
        } else {
            sizes.push_back(WireBytes());
        }
        for (std::size_t want : sizes) {
            std::size_t got = 0;
            while (ok && got < want) {
                ssize_t n = read(c, buffer.data(), std::min(buffer.size(), want - got));
                ok = n > 0;
                got += ok ? static_cast<std::size_t>(n) : 0;
            }
            ok = ok && write(c, &ack, 1) == 1;
        }
        close(c);
    }
    bool perFrame_;
    int fd_ = -1;
    sockaddr_in addr_{};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool WriteAll(int fd, const std::vector<unsigned char>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAck(int fd) {
    unsigned char reply = 0;
    return read(fd, &reply, 1) == 1 && reply == 6;
}

// One bare connection carrying the image's bytes; perFrame waits for each frame's answer.
bool BareTransfer(const sockaddr_in& addr, bool perFrame) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    unsigned char hello = 0xFF;
    ok = ok && (!perFrame || (read(fd, &hello, 1) == 1 && hello == 0));
    for (const auto& frame : WireFrames()) {
        ok = ok && WriteAll(fd, frame) && (!perFrame || ReadAck(fd));
    }
    ok = ok && (perFrame || ReadAck(fd));
    close(fd);
    return ok;
}

void FiveBareConnections(benchmark::State& state, bool perFrame) {
    static SinkListener streamed(false);
    static SinkListener exchanged(true);
    const sockaddr_in& addr = perFrame ? exchanged.Address() : streamed.Address();
    for (auto _ : state) {
        std::atomic<int> failed{0};
        std::vector<std::thread> writers;
        for (int i = 0; i < kProjectors; ++i)
            writers.emplace_back([&] { failed += BareTransfer(addr, perFrame) ? 0 : 1; });
        for (std::thread& t : writers)
            t.join();
        if (failed != 0) {
            state.SkipWithError("bare transfer failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kProjectors *
                            static_cast<int64_t>(Image().size()));
}

// The floor: the same bytes over five bare connections at once, answered once at the end.
void BM_FiveBareConnectionsFloor(benchmark::State& state) {
    FiveBareConnections(state, false);
}
BENCHMARK(BM_FiveBareConnectionsFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with the protocol's round trips (hello, an answer per frame) and nothing else: what
// is left between this and the transfer is the checking (CRCs, the image check, the hash).
void BM_FiveBareExchangesFloor(benchmark::State& state) {
    FiveBareConnections(state, true);
}
BENCHMARK(BM_FiveBareExchangesFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return orvane::bench::RunAndReport(argc, argv, [](orvane::bench::RatioReporter& reporter) {
        reporter.PrintRatio("BM_ImageToFiveProjectors", "BM_FiveBareConnectionsFloor");
        reporter.PrintRatio("BM_ImageToFiveProjectors", "BM_FiveBareExchangesFloor");
        reporter.PrintRatio("BM_ImageToFiveHashingProjectors", "BM_FiveBareConnectionsFloor");
    });
}
