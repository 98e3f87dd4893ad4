#include "linkcore/PjlinkConnection.h"

#include "linkcore/SessionRunner.h"
#include "linkcore/TcpChannel.h"

#include <cstring>
#include <unistd.h>

namespace linkcore {

namespace {

std::string_view PasswordText(const char* password) {
    return password == nullptr ? std::string_view() : std::string_view(password, strnlen(password, 63));
}

} // namespace

PjlinkConnection::~PjlinkConnection() {
    Close();
}

void PjlinkConnection::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    session_.reset();
    class_ = 0;
}

bool PjlinkConnection::Open(const char* ipAddress, int port, const char* password, const LinkSettings& settings) {
    Close();
    const SessionTime start = SessionClock::now();
    const SessionTimeouts timeouts = SessionTimeouts::From(settings);
    const int fd = ConnectTcp(ipAddress, port, settings.ConnectMs());
    if (fd < 0)
        return false;
    return Begin(fd, password, timeouts, start);
}

bool PjlinkConnection::Start(int fd, const char* password, int greetingMs, int replyMs) {
    Close();
    return Begin(fd, password, SessionTimeouts{greetingMs, replyMs}, SessionClock::now());
}

bool PjlinkConnection::Begin(int fd, const char* password, SessionTimeouts timeouts, SessionTime start) {
    fd_ = fd;
    session_ = std::make_unique<PjlinkSession>(PasswordText(password), timeouts);
    session_->Begin(start);
    session_->Connected(SessionClock::now());
    RunSession(*session_, fd_, true);
    if (!session_->IsReady()) {
        Close();
        return false;
    }
    return true;
}

PjlinkConnection::Outcome PjlinkConnection::Exchange(char cls, std::string_view name, std::string_view param,
                                                     std::string& value) {
    if (fd_ < 0 || !session_->SubmitCommand(cls, name, param, SessionClock::now())) {
        Close();
        return Outcome::Failed;
    }
    RunSession(*session_, fd_, true);
    std::optional<PjlinkAnswer> answer = session_->TakeAnswer();
    if (session_->IsFinished())
        Close();
    if (!answer || !answer->answered)
        return Outcome::Failed;
    value = std::move(answer->value);
    return Outcome::Answered;
}

int PjlinkConnection::Class() {
    if (class_ == 0 && session_)
        class_ = session_->Class();
    if (class_ == 0) {
        std::string value;
        if (Exchange('1', "CLSS", "?", value) == Outcome::Answered)
            class_ = PjlinkClassOf(value);
    }
    return class_;
}

} // namespace linkcore
