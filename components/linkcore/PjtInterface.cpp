#include "linkcore/PjtInterface.h"

#include "linkcore/BulkFrame.h"
#include "linkcore/LinkSession.h"
#include "linkcore/LinkSettings.h"
#include "linkcore/PjlinkPool.h"
#include "linkcore/PjlinkSession.h"
#include "linkcore/PjlinkSettings.h"
#include "linkcore/SerialChannel.h"
#include "linkcore/SessionRunner.h"
#include "linkcore/TcpChannel.h"

#include <cstring>
#include <openssl/crypto.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kMethodTcp = 1;

void CopyField(char (&field)[64], const char* text) {
    OPENSSL_cleanse(field, sizeof field);
    if (text != nullptr)
        std::memcpy(field, text, strnlen(text, sizeof field - 1));
}

linkcore::SessionTime Now() {
    return linkcore::SessionClock::now();
}

} // namespace

CPjtInterface::CPjtInterface() = default;

CPjtInterface::~CPjtInterface() {
    Close(nullptr);
    OPENSSL_cleanse(password_, sizeof password_);
}

void CPjtInterface::CopyData(int method, int comPort, int tcpPort, char* ipAddress, char* password) {
    method_ = method;
    comPort_ = comPort;
    tcpPort_ = tcpPort;
    CopyField(ipAddress_, ipAddress);
    CopyField(password_, password);
}

int CPjtInterface::Open(IProjectorLink* /*peer*/) {
    // A caller that skipped Close must not leak the old connection into this exchange.
    Close(nullptr);
    // Read on every Open: it is a small file, and a changed setting takes effect at once.
    const linkcore::LinkSettings settings = linkcore::LinkSettings::Load();
    const linkcore::SessionTimeouts timeouts = linkcore::SessionTimeouts::From(settings);
    const std::string_view password = Password();
    isSocket_ = method_ == kMethodTcp;
    if (!isSocket_) {
        fd_ = linkcore::OpenSerialChannel(comPort_, settings);
        if (fd_ < 0)
            return 0;
        auto session = std::make_unique<linkcore::LinkSession>(linkcore::LinkSession::Line::Serial, password, timeouts);
        linkSession_ = session.get();
        session_ = std::move(session);
        session_->Begin(Now());
        open_ = true;
        return 1;
    }

    const linkcore::SessionTime start = Now();
    const auto pjlinkSettings = linkcore::PjlinkSettings::FromProfile(settings.Profile());
    if (pjlinkSettings.IsPjlinkPort(tcpPort_)) {
        keep_ = pjlinkSettings.KeepConnection();
        if (keep_) {
            linkcore::PjlinkPool::Connection kept =
                linkcore::PjlinkPool::Shared().Take(ipAddress_, tcpPort_, password, start);
            if (kept.session) {
                fd_ = kept.fd;
                session_ = std::move(kept.session);
                reused_ = true;
                open_ = true;
                return 1;
            }
        }
        session_ = std::make_unique<linkcore::PjlinkSession>(password, timeouts, pjlinkSettings);
    } else {
        auto session = std::make_unique<linkcore::LinkSession>(linkcore::LinkSession::Line::Tcp, password, timeouts);
        linkSession_ = session.get();
        session_ = std::move(session);
    }
    session_->Begin(start);
    fd_ = linkcore::ConnectTcp(ipAddress_, tcpPort_, settings.ConnectMs());
    if (fd_ >= 0) {
        session_->Connected(Now());
        linkcore::RunSession(*session_, fd_, true);
    }
    if (fd_ < 0 || !session_->IsReady()) {
        Close(nullptr);
        return 0;
    }
    open_ = true;
    return 1;
}

int CPjtInterface::Run(unsigned char* reply) {
    linkcore::RunSession(*session_, fd_, isSocket_);
    const std::optional<linkcore::RequestResult> result = session_->TakeResult();
    if (session_->IsFinished())
        CloseDescriptor();
    if (!result || !result->answered)
        return 0;
    std::memcpy(reply, result->reply.data(), result->size);
    return 1;
}

int CPjtInterface::Send(unsigned short action, unsigned short type, unsigned short setting, unsigned char* reply,
                        IProjectorLink* /*peer*/) {
    if (reply == nullptr || fd_ < 0 || !session_)
        return 0;
    // On a serial line, bytes still queued from an earlier exchange that timed out would be
    // taken for this request's answer.
    if (!isSocket_)
        tcflush(fd_, TCIFLUSH);
    const linkcore::Request request{action, type, setting};
    if (!session_->Submit(request, Now()))
        return 0;
    const bool reused = reused_;
    reused_ = false;
    const int result = Run(reply);
    // A kept connection the projector closed as the request went out: nothing was answered,
    // so the request goes once more on a connection of its own.
    if (result == 0 && reused && session_->End() == linkcore::SessionEnd::PeerClosed && Open(nullptr) != 0 &&
        session_->Submit(request, Now()))
        return Run(reply);
    return result;
}

int CPjtInterface::SendBulk(const unsigned char* data, unsigned int size, unsigned char* reply,
                            IProjectorLink* /*peer*/) {
    if (fd_ < 0 || !isSocket_ || linkSession_ == nullptr || reply == nullptr || data == nullptr || size == 0 ||
        size > linkcore::kMaxBulkPayload)
        return 0;
    if (!linkSession_->SubmitBulk(linkcore::ByteView(data, size), Now()))
        return 0;
    return Run(reply);
}

void CPjtInterface::CloseDescriptor() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

std::string_view CPjtInterface::Password() const {
    return {password_, strnlen(password_, sizeof password_ - 1)};
}

int CPjtInterface::Close(IProjectorLink* /*peer*/) {
    if (keep_ && fd_ >= 0 && session_ && session_->IsReady()) {
        linkcore::PjlinkPool::Shared().Put(ipAddress_, tcpPort_, Password(), {fd_, std::move(session_)}, Now());
        fd_ = -1;
    }
    keep_ = false;
    reused_ = false;
    CloseDescriptor();
    session_.reset();
    linkSession_ = nullptr;
    const bool wasOpen = open_;
    open_ = false;
    return wasOpen ? 1 : 0;
}
