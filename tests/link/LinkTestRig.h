#pragma once

// Shared by the transport, command and poller tests: a working directory with short link
// time-outs and the English catalog, a recorder of slot errors, and a working record whose
// slots point at projectors: pjsim's (PjsimProcess, over loopback) or in-process ones
// (FakeProjectors, through sessions in memory), addressed the same way.

#include "catalog/MessageCatalog.h"
#include "link/CommandTransport.h"
#include "link/SharedField.h"
#include "linkcore/PjtInterface.h"
#include "model/ModelInfo2.h"
#include "support/FakeProjector.h"
#include "support/LoopbackPort.h"
#include "support/PjsimProcess.h"
#include "support/TempDir.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace orvane::test {

// Short, so that every fault case ends quickly; far above what loopback needs.
inline constexpr int kTestConnectMs = 400;
inline constexpr int kTestReplyMs = 400;
// "Bounded, not hung": far above any time-out sum the tests can add up.
inline constexpr std::chrono::seconds kHangBound{10};

struct RecordedError {
    int slot;
    int number;
    int style;
    std::string message;
};

class RecordingSink : public ISlotErrorSink {
public:
    int ShowSlotError(int slot, int number, int style, const std::string& message) override {
        std::lock_guard lock(mutex_);
        errors_.push_back({slot, number, style, message});
        return 1;
    }
    std::vector<RecordedError> Errors() const {
        std::lock_guard lock(mutex_);
        return errors_;
    }
    std::vector<int> Slots() const {
        std::vector<int> slots;
        for (const RecordedError& e : Errors())
            slots.push_back(e.slot);
        return slots;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        errors_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<RecordedError> errors_;
};

// The working directory of one test: LinkCore.conf with short time-outs (and `extraConf`
// appended, e.g. a [Serial] section), GETENG and the English catalog, opened.
class LinkSandbox {
public:
    explicit LinkSandbox(const std::string& extraConf = "") {
        WriteLinkConf(extraConf);
        std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/res/txtdef.cat", std::ios::binary);
        sandbox_.Write("txtdef.cat", std::string(std::istreambuf_iterator<char>(in), {}));
        sandbox_.Write("GETENG", "");
        OpenCatalog();
    }
    ~LinkSandbox() { CloseCatalog(); }
    LinkSandbox(const LinkSandbox&) = delete;
    LinkSandbox& operator=(const LinkSandbox&) = delete;

    void WriteLinkConf(const std::string& extraConf) const {
        sandbox_.Write("LinkCore.conf", "[Timeouts]\nConnectMs=" + std::to_string(kTestConnectMs) +
                                            "\nReplyMs=" + std::to_string(kTestReplyMs) + "\n" + extraConf);
    }
    const Sandbox& Box() const { return sandbox_; }

private:
    Sandbox sandbox_;
};

// A record with `slots` projectors in use and nothing else of interest.
inline CModelInfo2 MakeWorkingModel(int slots, int modelId = 101) {
    CModelInfo2 m;
    m.Name = "TEST-1";
    m.ModelID = modelId;
    m.PjtNum = slots;
    m.SelectPrj = slots > 0 ? 1 : 0;
    return m;
}

// `sim` is a PjsimProcess or FakeProjectors.
template <typename Projectors>
void PointSlotAt(CModelInfo2& m, int slot, const Projectors& sim, int projector, const char* password = "") {
    m.ConnectMethod[slot] = 1;
    m.ComNo[slot] = 0;
    m.PortNo[slot] = sim.Port(projector);
    SetText(m.IPAddress[slot], "127.0.0.1");
    SetText(m.Password[slot], password);
}

inline void PointSlotAtPort(CModelInfo2& m, int slot, int port) {
    m.ConnectMethod[slot] = 1;
    m.ComNo[slot] = 0;
    m.PortNo[slot] = port;
    SetText(m.IPAddress[slot], "127.0.0.1");
    SetText(m.Password[slot], "");
}

inline void PointSlotAtSerial(CModelInfo2& m, int slot, int comNo) {
    m.ConnectMethod[slot] = 0;
    m.ComNo[slot] = comNo;
    m.PortNo[slot] = 0;
    SetText(m.IPAddress[slot], "");
    SetText(m.Password[slot], "");
}

// A port no in-process projector answers on: its link does not open.
inline constexpr int kUnservedPort = 1;

// A projector that is plugged in but never speaks: the system completes every connection
// into the listener's queue, nobody accepts it, and no hello ever comes. Counts the
// connections made so far.
class QuietListener {
public:
    QuietListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(fd_, 16) == 0 &&
            getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port_ = ntohs(addr.sin_port);
    }
    ~QuietListener() {
        if (fd_ >= 0)
            close(fd_);
    }
    QuietListener(const QuietListener&) = delete;
    QuietListener& operator=(const QuietListener&) = delete;
    int Port() const { return port_; }
    // The connections made since the last call.
    int TakeConnections() {
        int count = 0;
        for (int c; (c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; ++count)
            close(c);
        return count;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

// The window's two links: CPjtInterface objects, or links to in-process projectors.
struct LinkPair {
    LinkPair() : link(std::make_unique<CPjtInterface>()), pollLink(std::make_unique<CPjtInterface>()) {}
    explicit LinkPair(FakeProjectors& sim)
        : link(std::make_unique<FakeLink>(sim)), pollLink(std::make_unique<FakeLink>(sim)) {}
    std::unique_ptr<IProjectorLink> link;
    std::unique_ptr<IProjectorLink> pollLink;
};

// The record, its two links and a transport over them, as the main window holds them.
struct TransportRig {
    explicit TransportRig(CModelInfo2 initial) { model = initial; }
    TransportRig(CModelInfo2 initial, FakeProjectors& sim) : links(sim) { model = initial; }
    CModelInfo2 model;
    LinkPair links;
    RecordingSink sink;
    CommandTransport transport{model, *links.link, *links.pollLink, sink};
};

// The projectors' log as "<projector> <action>,0x<type>,<setting>" lines, for readable
// comparisons. `sim` is a PjsimProcess or FakeProjectors.
template <typename Projectors> std::vector<std::string> Sent(const Projectors& sim) {
    std::vector<std::string> out;
    for (const PjsimRequest& r : sim.Requests()) {
        char line[64];
        std::snprintf(line, sizeof line, "%d %d,0x%04x,%d", r.projector, r.action, r.type, r.setting);
        out.push_back(line);
    }
    return out;
}

inline std::string Msg(int number) {
    return CatalogText(kCatalogSetErrors, number);
}

using Clock = std::chrono::steady_clock;

} // namespace orvane::test
