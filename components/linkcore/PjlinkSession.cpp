#include "linkcore/PjlinkSession.h"

#include "linkcore/FdIo.h"
#include "linkcore/TcpChannel.h"

#include <cerrno>
#include <cstring>
#include <openssl/crypto.h>
#include <poll.h>
#include <unistd.h>

namespace linkcore {

namespace {

bool WriteText(int fd, const std::string& text, const Deadline& deadline) {
    return WriteAll(fd, reinterpret_cast<const unsigned char*>(text.data()), text.size(), deadline, true) ==
           IoResult::Ok;
}

int ClassOf(std::string_view value) {
    return value == "1" ? 1 : value == "2" ? 2 : 0;
}

} // namespace

PjlinkSession::~PjlinkSession() {
    Close();
}

void PjlinkSession::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    class_ = 0;
    reader_ = pjlink::LineReader();
}

bool PjlinkSession::ReadLine(std::string& line, int timeoutMs) {
    Deadline deadline(timeoutMs);
    char buffer[256];
    for (;;) {
        if (reader_.Next(line))
            return true;
        if (reader_.Broken())
            return false;
        ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            reader_.Feed(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        if (WaitFor(fd_, POLLIN, deadline) != IoResult::Ok)
            return false;
    }
}

bool PjlinkSession::Open(const char* ipAddress, int port, const char* password, const LinkSettings& settings) {
    Close();
    // The greeting belongs to opening the link, as our own protocol's hello does.
    const Deadline opening(settings.ConnectMs());
    const int fd = ConnectTcp(ipAddress, port, settings.ConnectMs());
    if (fd < 0)
        return false;
    return Start(fd, password, opening.RemainingMs(), settings.ReplyMs());
}

bool PjlinkSession::Start(int fd, const char* password, int greetingMs, int replyMs) {
    Close();
    fd_ = fd;
    replyMs_ = replyMs;
    std::string line;
    pjlink::Greeting greeting;
    if (!ReadLine(line, greetingMs) || !pjlink::ParseGreeting(line, greeting)) {
        Close();
        return false;
    }
    if (!greeting.auth)
        return true;

    std::string pass = password == nullptr ? std::string() : std::string(password, strnlen(password, 63));
    std::string first = pjlink::AuthDigest(greeting.random, pass) + pjlink::FormatCommand('1', "CLSS", "?");
    OPENSSL_cleanse(pass.data(), pass.size());
    Deadline deadline(replyMs_);
    bool sent = WriteText(fd_, first, deadline);
    OPENSSL_cleanse(first.data(), first.size());
    pjlink::Answer answer;
    // Any answer to the class query proves the password; a refusal is the projector's
    // "PJLINK ERRA" line.
    if (!sent || !ReadLine(line, deadline.RemainingMs()) || !pjlink::ParseAnswer(line, answer) || answer.cls != '1' ||
        answer.name != "CLSS") {
        Close();
        return false;
    }
    class_ = ClassOf(answer.value);
    return true;
}

PjlinkSession::Outcome PjlinkSession::Exchange(char cls, std::string_view name, std::string_view param,
                                               std::string& value) {
    if (fd_ < 0)
        return Outcome::Failed;
    Deadline deadline(replyMs_);
    std::string line;
    pjlink::Answer answer;
    if (!WriteText(fd_, pjlink::FormatCommand(cls, name, param), deadline) || !ReadLine(line, deadline.RemainingMs()) ||
        !pjlink::ParseAnswer(line, answer) || answer.cls != cls || answer.name != name) {
        // A late or stray answer would be read as the next command's: the line is out of step.
        Close();
        return Outcome::Failed;
    }
    value = std::move(answer.value);
    return Outcome::Answered;
}

int PjlinkSession::Class() {
    if (class_ == 0) {
        std::string value;
        if (Exchange('1', "CLSS", "?", value) == Outcome::Answered)
            class_ = ClassOf(value);
    }
    return class_;
}

} // namespace linkcore
