#include "DiscoveryResponder.h"

#include "UdpSocket.h"

#include "platform/UdpBind.h"

#include "finder/DiscoveryMessage.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pjsim {

DiscoveryResponder::DiscoveryResponder(std::string host, int port, std::vector<DiscoveryEntry> entries,
                                       const StopEvent& stop)
    : host_(std::move(host)), port_(port), entries_(std::move(entries)), stop_(stop) {}

DiscoveryResponder::~DiscoveryResponder() {
    Join();
    if (fd_ >= 0)
        close(fd_);
}

bool DiscoveryResponder::ParseHostPort(std::string_view text, std::string& host, int& port, std::string& error) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        error = "expected HOST:PORT, got '" + std::string(text) + "'";
        return false;
    }
    std::string h(text.substr(0, colon));
    if (h == "localhost")
        h = "127.0.0.1";
    in_addr addr{};
    if (inet_pton(AF_INET, h.c_str(), &addr) != 1) {
        error = "not an IPv4 address: '" + h + "'";
        return false;
    }
    const std::string_view digits = text.substr(colon + 1);
    long value = 0;
    if (digits.empty() || digits.size() > 5) {
        error = "bad port in '" + std::string(text) + "'";
        return false;
    }
    for (char c : digits) {
        if (c < '0' || c > '9') {
            error = "bad port in '" + std::string(text) + "'";
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value > 65535) {
        error = "bad port in '" + std::string(text) + "'";
        return false;
    }
    host = h;
    port = static_cast<int>(value);
    return true;
}

bool DiscoveryResponder::ParseProbe(std::string_view datagram, std::string& id) {
    uint64_t value = 0;
    if (!finder::ParseProbe(datagram, value))
        return false;
    // The id as the probe wrote it: the answer repeats it.
    std::string_view line = datagram.substr(0, datagram.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    id = std::string(line.substr(finder::kProbeTag.size() + 1));
    return true;
}

std::string DiscoveryResponder::FormatAnswer(std::string_view id, const DiscoveryEntry& entry) {
    uint64_t value = 0;
    std::from_chars(id.data(), id.data() + id.size(), value, 16);
    finder::DiscoveryAnswer answer;
    answer.name = entry.name;
    answer.info = entry.info;
    in_addr addr{};
    if (inet_pton(AF_INET, entry.host.c_str(), &addr) == 1) {
        std::memcpy(answer.addr, &addr.s_addr, sizeof answer.addr);
        answer.hasAddr = true;
    }
    return finder::FormatAnswer(value, answer);
}

bool DiscoveryResponder::Start(std::string& error) {
    fd_ = orvane::BindUdp(host_, port_, error);
    if (fd_ < 0)
        return false;
    thread_ = std::thread([this] { Loop(); });
    return true;
}

std::string DiscoveryResponder::Address() const {
    return host_ + ":" + std::to_string(port_);
}

void DiscoveryResponder::Join() {
    if (thread_.joinable())
        thread_.join();
}

void DiscoveryResponder::Loop() {
    // A byte more than a datagram may have, so that an over-long one is seen and refused.
    AnswerDatagrams(fd_, stop_, finder::kMaxDatagram + 1, [this](std::string_view probe) {
        std::vector<std::string> answers;
        std::string id;
        if (ParseProbe(probe, id)) {
            for (const DiscoveryEntry& entry : entries_)
                answers.push_back(FormatAnswer(id, entry));
        }
        return answers;
    });
}

} // namespace pjsim
