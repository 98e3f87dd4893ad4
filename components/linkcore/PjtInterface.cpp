#include "linkcore/PjtInterface.h"

#include "linkcore/BulkFrame.h"
#include "linkcore/FdIo.h"
#include "linkcore/Frame.h"
#include "linkcore/LinkSettings.h"
#include "linkcore/RequestExchange.h"
#include "linkcore/PjlinkSession.h"
#include "linkcore/PjlinkSettings.h"
#include "linkcore/PjlinkTranslator.h"
#include "linkcore/SerialChannel.h"
#include "linkcore/TcpChannel.h"

#include <cstring>
#include <openssl/crypto.h>
#include <unistd.h>

namespace {

constexpr int kMethodTcp = 1;

void CopyField(char (&field)[64], const char* text) {
    OPENSSL_cleanse(field, sizeof field);
    if (text != nullptr)
        std::memcpy(field, text, strnlen(text, sizeof field - 1));
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

int CPjtInterface::Open(CPjtInterface* /*peer*/) {
    // A caller that skipped Close must not leak the old connection into this exchange.
    Close(nullptr);
    // Read on every Open: it is a small file, and a changed setting takes effect at once.
    linkcore::LinkSettings settings = linkcore::LinkSettings::Load();
    replyMs_ = settings.ReplyMs();
    isSocket_ = method_ == kMethodTcp;
    if (isSocket_) {
        auto pjlinkSettings =
            std::make_unique<linkcore::PjlinkSettings>(linkcore::PjlinkSettings::FromProfile(settings.Profile()));
        if (pjlinkSettings->IsPjlinkPort(tcpPort_)) {
            auto session = std::make_unique<linkcore::PjlinkSession>();
            if (!session->Open(ipAddress_, tcpPort_, password_, settings))
                return 0;
            pjlink_ = std::move(session);
            pjlinkSettings_ = std::move(pjlinkSettings);
            return 1;
        }
    }
    if (isSocket_)
        fd_ = linkcore::OpenTcpChannel(ipAddress_, tcpPort_, password_, settings);
    else
        fd_ = linkcore::OpenSerialChannel(comPort_, settings);
    return fd_ >= 0 ? 1 : 0;
}

int CPjtInterface::Send(unsigned short action, unsigned short type, unsigned short setting, unsigned char* reply,
                        CPjtInterface* /*peer*/) {
    if (reply == nullptr)
        return 0;
    if (pjlink_)
        return linkcore::SendAsPjlink(*pjlink_, *pjlinkSettings_, linkcore::Request{action, type, setting}, reply) ? 1
                                                                                                                   : 0;
    if (fd_ < 0)
        return 0;
    return linkcore::ExchangeRequest(fd_, isSocket_, linkcore::Request{action, type, setting}, replyMs_, reply) ? 1 : 0;
}

int CPjtInterface::SendBulk(const unsigned char* data, unsigned int size, unsigned char* reply,
                            CPjtInterface* /*peer*/) {
    if (fd_ < 0 || !isSocket_ || reply == nullptr || data == nullptr || size == 0 || size > linkcore::kMaxBulkPayload)
        return 0;
    linkcore::Deadline deadline(replyMs_);
    if (linkcore::WriteBulkFrame(fd_, data, size, deadline) != linkcore::IoResult::Ok)
        return 0;
    unsigned char answer = 0;
    if (linkcore::ReadExact(fd_, &answer, 1, deadline) != linkcore::IoResult::Ok)
        return 0;
    if (answer != linkcore::kReplyAck && answer != linkcore::kReplyNak)
        return 0;
    reply[0] = answer;
    return 1;
}

int CPjtInterface::Close(CPjtInterface* /*peer*/) {
    if (pjlink_) {
        pjlink_.reset();
        pjlinkSettings_.reset();
        return 1;
    }
    if (fd_ < 0)
        return 0;
    close(fd_);
    fd_ = -1;
    return 1;
}
