#include "support/FakeProjector.h"

#include "PjlinkService.h"
#include "ProjectorDef.h"
#include "ProjectorService.h"
#include "RequestLog.h"

#include "linkcore/Auth.h"
#include "linkcore/FrameScanner.h"
#include "linkcore/LinkSession.h"
#include "linkcore/LinkSettings.h"
#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkSession.h"
#include "linkcore/PjlinkSettings.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace orvane::test {

namespace {

// Far from anything a test listens on, and never connected to.
constexpr int kFirstPort = 64001;
constexpr int kFirstComNo = 40;
constexpr int kMethodTcp = 1;

std::string AsText(const unsigned char* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

} // namespace

struct FakeProjectors::Projector {
    pjsim::ProjectorDef def;
    std::unique_ptr<pjsim::ProjectorService> service;
    std::unique_ptr<pjsim::PjlinkService> pjlink;
    int port = 0;
    int comNo = -1;
};

// One connection's projector side: what the projector has said and must hear next.
class FakeProjectors::Connection {
public:
    Connection(Projector& projector, bool pjlink) : projector_(projector), pjlink_(pjlink), frames_(false) {}

    // The bytes the projector sends, given what the link sent; `hangup` when it ends the
    // connection after them.
    struct Reaction {
        std::string bytes;
        int delayMs = 0;
        bool hangup = false;
    };

    // What the projector says first: the hello or greeting (nothing on a serial line).
    Reaction Greet() {
        Reaction r = Hello();
        closed_ = r.hangup;
        return r;
    }

private:
    Reaction Hello() {
        const pjsim::ProjectorDef& def = projector_.def;
        Reaction r;
        if (def.fault == pjsim::Fault::Silent)
            return r;
        if (pjlink_) {
            linkcore::pjlink::Greeting greeting;
            if (!def.password.empty()) {
                greeting.auth = true;
                greeting.random = random_ = "0a1b2c3d";
            }
            r.bytes = linkcore::pjlink::FormatGreeting(greeting);
            r.hangup = def.fault == pjsim::Fault::Drop;
            return r;
        }
        if (def.serial)
            return r;
        if (def.password.empty()) {
            r.bytes.assign(1, static_cast<char>(linkcore::kHelloOpen));
        } else {
            for (std::size_t i = 0; i < linkcore::kChallengeSize; ++i)
                challenge_[i] = static_cast<unsigned char>(0x30 + 7 * i);
            r.bytes.assign(1, static_cast<char>(linkcore::kHelloChallenge));
            r.bytes += AsText(challenge_, sizeof challenge_);
            awaitingProof_ = true;
        }
        // Closed right after the hello, before any request.
        r.hangup = def.fault == pjsim::Fault::Drop;
        return r;
    }

public:
    Reaction Hear(const std::string& sent) {
        if (closed_) {
            Reaction r;
            r.hangup = true;
            return r;
        }
        Reaction r = pjlink_ ? HearLines(sent) : HearFrames(sent);
        closed_ = r.hangup;
        return r;
    }

private:
    Reaction HearFrames(const std::string& sent) {
        Reaction r;
        const pjsim::ProjectorDef& def = projector_.def;
        if (awaitingProof_) {
            proof_ += sent;
            if (proof_.size() < linkcore::kAuthResponseSize)
                return r;
            awaitingProof_ = false;
            unsigned char expected[linkcore::kAuthResponseSize];
            linkcore::ComputeAuthResponse(challenge_, def.password, expected);
            const bool good =
                linkcore::AuthResponsesEqual(expected, reinterpret_cast<const unsigned char*>(proof_.data()));
            r.bytes.assign(1, static_cast<char>(good ? linkcore::kReplyAck : linkcore::kReplyNak));
            r.hangup = !good || def.fault == pjsim::Fault::Drop;
            return r;
        }
        frames_.Feed(reinterpret_cast<const unsigned char*>(sent.data()), sent.size());
        linkcore::ScannedFrame frame;
        while (frames_.Next(frame)) {
            if (frame.kind != linkcore::ScannedFrame::Kind::Request)
                continue;
            const std::vector<unsigned char> answer = projector_.service->Answer(frame.request, frame.status);
            r.bytes += AsText(answer.data(), answer.size());
        }
        r.delayMs = projector_.service->ReplyDelayMs();
        return r;
    }

    Reaction HearLines(const std::string& sent) {
        Reaction r;
        const pjsim::ProjectorDef& def = projector_.def;
        lines_.Feed(sent.data(), sent.size());
        std::string line;
        while (lines_.Next(line)) {
            if (!random_.empty()) {
                const std::string expected = linkcore::pjlink::AuthDigest(random_, def.password);
                random_.clear();
                constexpr std::size_t kDigest = linkcore::pjlink::kDigestSize;
                if (line.size() <= kDigest || line.compare(0, kDigest, expected) != 0) {
                    Log(line.size() > kDigest ? line.substr(kDigest) : line, linkcore::pjlink::kAuthError);
                    r.bytes += std::string(linkcore::pjlink::kAuthError) + linkcore::pjlink::kTerminator;
                    r.hangup = true;
                    return r;
                }
                line.erase(0, kDigest);
            }
            std::string answer = projector_.pjlink->Answer(line);
            if (def.fault == pjsim::Fault::Silent || def.fault == pjsim::Fault::Garbage) {
                Log(line, "");
                if (def.fault == pjsim::Fault::Garbage)
                    r.bytes += "\x01noise\r";
                continue;
            }
            Log(line, answer);
            if (!answer.empty())
                r.bytes += answer + linkcore::pjlink::kTerminator;
        }
        r.delayMs = projector_.service->ReplyDelayMs();
        return r;
    }

    void Log(const std::string& command, std::string_view answer) {
        projector_.service->Log().WriteLine("PJLINK " + std::to_string(projector_.service->Index()) + " " + command +
                                            " -> " + std::string(answer.empty() ? "none" : answer));
    }

    Projector& projector_;
    bool pjlink_;
    linkcore::FrameScanner frames_;
    linkcore::pjlink::LineReader lines_;
    unsigned char challenge_[linkcore::kChallengeSize] = {};
    bool awaitingProof_ = false;
    std::string proof_;
    std::string random_;
    bool closed_ = false;
};

FakeProjectors::FakeProjectors(const std::vector<std::string>& defs) : logPath_(dir_.File("requests.log")) {
    log_ = std::make_unique<pjsim::RequestLog>();
    if (!log_->Open(logPath_, error_))
        return;
    int index = 0;
    for (const std::string& text : defs) {
        auto projector = std::make_unique<Projector>();
        std::string error;
        if (!pjsim::ParseProjectorDef(text, projector->def, error)) {
            error_ = "projector " + std::to_string(index + 1) + ": " + error;
            return;
        }
        ++index;
        projector->service = std::make_unique<pjsim::ProjectorService>(index, projector->def, *log_);
        projector->pjlink = std::make_unique<pjsim::PjlinkService>(*projector->service);
        if (projector->def.serial)
            projector->comNo = kFirstComNo + index;
        else
            projector->port = kFirstPort + index;
        projectors_.push_back(std::move(projector));
    }
}

FakeProjectors::~FakeProjectors() = default;

int FakeProjectors::Port(int n) const {
    return n >= 1 && n <= static_cast<int>(projectors_.size()) ? projectors_[n - 1]->port : 0;
}

int FakeProjectors::ComNo(int n) const {
    return n >= 1 && n <= static_cast<int>(projectors_.size()) ? projectors_[n - 1]->comNo : -1;
}

int FakeProjectors::Find(int method, int comNo, int port) const {
    for (std::size_t i = 0; i < projectors_.size(); ++i) {
        const Projector& p = *projectors_[i];
        if (method == kMethodTcp ? (!p.def.serial && p.port == port) : (p.def.serial && p.comNo == comNo))
            return static_cast<int>(i) + 1;
    }
    return 0;
}

std::vector<std::string> FakeProjectors::RequestLines() const {
    std::vector<std::string> lines;
    std::ifstream in(logPath_);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("REQ ", 0) == 0 || line.rfind("PJLINK ", 0) == 0)
            lines.push_back(line);
    }
    return lines;
}

std::vector<PjsimRequest> FakeProjectors::Requests() const {
    std::vector<PjsimRequest> out;
    for (const std::string& line : RequestLines()) {
        PjsimRequest request;
        if (PjsimProcess::ParseRequestLine(line, request))
            out.push_back(request);
    }
    return out;
}

void FakeProjectors::ConnectionEnd::operator()(Connection* connection) const {
    delete connection;
}

FakeProjectors::ConnectionPtr FakeProjectors::Open(int n, linkcore::Session& session, SessionPeer& peer) {
    Projector& projector = *projectors_.at(static_cast<std::size_t>(n - 1));
    ConnectionPtr connection(new Connection(projector, projector.def.protocol == pjsim::Protocol::Pjlink));
    peer.Connect();
    if (!session.Waiting())
        return connection;
    const Connection::Reaction greeting = connection->Greet();
    if (greeting.bytes.empty()) {
        peer.Expire();
        return connection;
    }
    peer.Give(greeting.bytes);
    if (greeting.hangup && session.Waiting())
        session.PeerClosed(peer.Now());
    Serve(*connection, session, peer);
    return connection;
}

void FakeProjectors::Serve(Connection& connection, linkcore::Session& session, SessionPeer& peer) {
    while (session.Waiting()) {
        const Connection::Reaction r = connection.Hear(peer.TakeSent());
        if (r.bytes.empty()) {
            if (r.hangup)
                session.PeerClosed(peer.Now());
            else
                peer.Expire();
            continue;
        }
        if (r.delayMs > 0) {
            peer.Advance(r.delayMs);
            session.Tick(peer.Now());
        }
        peer.Give(r.bytes);
        if (r.hangup && session.Waiting())
            session.PeerClosed(peer.Now());
    }
}

FakeLink::~FakeLink() {
    Close(nullptr);
}

void FakeLink::CopyData(int method, int comPort, int tcpPort, char* /*ipAddress*/, char* password) {
    method_ = method;
    comPort_ = comPort;
    tcpPort_ = tcpPort;
    password_ = password == nullptr ? std::string() : std::string(password, strnlen(password, 63));
}

int FakeLink::Open(IProjectorLink* /*peer*/) {
    Close(nullptr);
    const int n = projectors_.Find(method_, comPort_, tcpPort_);
    if (n == 0)
        return 0;
    const linkcore::LinkSettings settings = linkcore::LinkSettings::Load();
    const linkcore::SessionTimeouts timeouts = linkcore::SessionTimeouts::From(settings);
    const bool tcp = method_ == kMethodTcp;
    if (tcp && linkcore::PjlinkSettings::FromProfile(settings.Profile()).IsPjlinkPort(tcpPort_))
        session_ = std::make_unique<linkcore::PjlinkSession>(password_, timeouts);
    else
        session_ = std::make_unique<linkcore::LinkSession>(
            tcp ? linkcore::LinkSession::Line::Tcp : linkcore::LinkSession::Line::Serial, password_, timeouts);
    peer_ = std::make_unique<SessionPeer>(*session_);
    connection_ = projectors_.Open(n, *session_, *peer_);
    if (!session_->IsReady()) {
        Close(nullptr);
        return 0;
    }
    return 1;
}

int FakeLink::Send(unsigned short action, unsigned short type, unsigned short setting, unsigned char* reply,
                   IProjectorLink* /*peer*/) {
    if (reply == nullptr || !session_ || !session_->Submit(linkcore::Request{action, type, setting}, peer_->Now()))
        return 0;
    projectors_.Serve(*connection_, *session_, *peer_);
    const std::optional<linkcore::RequestResult> result = session_->TakeResult();
    if (!result || !result->answered)
        return 0;
    std::memcpy(reply, result->reply.data(), result->size);
    return 1;
}

int FakeLink::SendBulk(const unsigned char*, unsigned int, unsigned char*, IProjectorLink*) {
    return 0;
}

int FakeLink::Close(IProjectorLink* /*peer*/) {
    const bool open = session_ != nullptr;
    connection_.reset();
    peer_.reset();
    session_.reset();
    return open ? 1 : 0;
}

} // namespace orvane::test
