#include "service/LinkExchange.h"

#include "linkcore/LinkSession.h"
#include "linkcore/PjlinkSession.h"
#include "linkcore/PjlinkSettings.h"
#include "linkcore/PjlinkTranslator.h"
#include "linkcore/SerialChannel.h"

#include "service/LinkCarrier.h"

#include <boost/asio/post.hpp>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace orvane::service {

namespace asio = boost::asio;

std::string Endpoint::Address() const {
    if (method == 1)
        return ip + ":" + std::to_string(port);
    return "com" + std::to_string(static_cast<long long>(comNo) + 1);
}

std::shared_ptr<const LinkConfig> LinkConfig::Load() {
    auto config = std::make_shared<LinkConfig>();
    config->link = linkcore::LinkSettings::Load();
    config->pjlink = linkcore::PjlinkSettings::FromProfile(config->link.Profile());
    return config;
}

namespace {

using linkcore::SessionClock;
using linkcore::SessionTime;

// One connection's life, carried by the loop's LinkCarrier from its start until Finish.
class Exchange final : public LinkCarrier::Connection {
public:
    Exchange(LinkCarrier& carrier, asio::io_context& loop, const Endpoint& endpoint,
             std::shared_ptr<const LinkConfig> config, std::vector<LinkOp> ops, ExchangeDone done)
        : carrier_(carrier), loop_(loop), endpoint_(endpoint), config_(std::move(config)), ops_(std::move(ops)),
          done_(std::move(done)) {
        outcome_.results.resize(ops_.size());
    }
    ~Exchange() override { CloseLine(); }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    void Start() {
        const linkcore::SessionTimeouts timeouts = linkcore::SessionTimeouts::From(config_->link);
        if (Serial()) {
            StartSerial(timeouts);
            return;
        }
        if (endpoint_.pjlink) {
            auto session = std::make_unique<linkcore::PjlinkSession>(endpoint_.password, timeouts, config_->pjlink);
            pjlink_ = session.get();
            session_ = std::move(session);
        } else {
            session_ =
                std::make_unique<linkcore::LinkSession>(linkcore::LinkSession::Line::Tcp, endpoint_.password, timeouts);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(endpoint_.port));
        if (inet_pton(AF_INET, endpoint_.ip.c_str(), &address.sin_addr) != 1 || endpoint_.port < 1 ||
            endpoint_.port > 65535) {
            Finish();
            return;
        }
        session_->Begin(SessionClock::now());
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            Finish();
            return;
        }
        // Requests are ten bytes and wait for their answer: Nagle would only add latency.
        const int one = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        // Watched only once the connect is under way, as the kernel has nothing to tell before.
        const bool connected = connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        if (!connected && errno != EINPROGRESS) {
            Finish();
            return;
        }
        if (connected) {
            OnConnected(SessionClock::now());
            return;
        }
        if (!carrier_.Watch(*this, fd_, EPOLLOUT)) {
            Finish();
            return;
        }
        carrier_.WakeAt(*this, session_->Deadline());
    }

    void OnReady(std::uint32_t events, SessionTime now) override {
        if (over_)
            return;
        if (session_->State() == linkcore::SessionState::Connecting) {
            int failure = 0;
            socklen_t size = sizeof failure;
            if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &failure, &size) != 0 || failure != 0) {
                Finish();
                return;
            }
            OnConnected(now);
            return;
        }
        if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0) {
            linkcore::ByteView bytes;
            const ssize_t n = carrier_.Read(fd_, !Serial(), bytes);
            if (n > 0) {
                session_->Receive(bytes, now);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                session_->PeerClosed(now);
            }
        }
        Pump(now);
    }

    void OnDeadline(SessionTime now) override {
        if (over_)
            return;
        // Until the connect is done the socket's own operation is what must end.
        if (session_->State() == linkcore::SessionState::Connecting) {
            Finish();
            return;
        }
        session_->Tick(now);
        Pump(now);
    }

private:
    void StartSerial(const linkcore::SessionTimeouts& timeouts) {
        fd_ = linkcore::OpenSerialChannel(endpoint_.comNo, config_->link);
        if (fd_ < 0) {
            Finish();
            return;
        }
        session_ =
            std::make_unique<linkcore::LinkSession>(linkcore::LinkSession::Line::Serial, endpoint_.password, timeouts);
        const SessionTime now = SessionClock::now();
        session_->Begin(now);
        Pump(now);
    }

    bool Serial() const { return endpoint_.method != 1; }

    void OnConnected(SessionTime now) {
        session_->Connected(now);
        Pump(now);
    }

    // Writes what the session has to send, as far as the line takes it now.
    void Write(SessionTime now) {
        while (session_->OutputSize() > 0) {
            const linkcore::ByteView piece = session_->Output().front();
            const ssize_t n =
                Serial() ? write(fd_, piece.data(), piece.size()) : send(fd_, piece.data(), piece.size(), MSG_NOSIGNAL);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            if (n <= 0) {
                session_->PeerClosed(now);
                return;
            }
            session_->ConsumeOutput(static_cast<std::size_t>(n));
            if (static_cast<std::size_t>(n) < piece.size())
                return;
        }
    }

    // Moves the session on as far as it goes without the other side.
    void Pump(SessionTime now) {
        if (over_)
            return;
        for (;;) {
            if (session_->OutputSize() > 0)
                Write(now);
            if (session_->IsFinished()) {
                TakeCurrent();
                Finish();
                return;
            }
            if (session_->Waiting() || session_->OutputSize() > 0)
                break;
            if (!session_->IsReady())
                return;
            outcome_.opened = true;
            TakeCurrent();
            if (next_ >= ops_.size()) {
                Finish();
                return;
            }
            SubmitNext(now);
        }
        const std::uint32_t events = session_->OutputSize() > 0 ? EPOLLIN | EPOLLOUT : EPOLLIN;
        if (!carrier_.Watch(*this, fd_, events)) {
            Finish();
            return;
        }
        carrier_.WakeAt(*this, session_->Deadline());
    }

    // Starts the next operation; one the session does not take stays unanswered.
    void SubmitNext(SessionTime now) {
        current_ = next_++;
        const LinkOp& op = ops_[current_];
        if (op.onlyAfterRefusal && (current_ == 0 || !outcome_.results[current_ - 1].answered ||
                                    outcome_.results[current_ - 1].reply.reply[0] != linkcore::kReplyNak))
            return;
        if (op.pjlinkCommand) {
            const char cls = op.pjlinkClass != 0 ? op.pjlinkClass : ProjectorClass() == 2 ? '2' : '1';
            submitted_ = pjlink_ != nullptr && pjlink_->SubmitCommand(cls, op.name, op.param, now);
            return;
        }
        // On a serial line, bytes still queued from an earlier exchange that timed out would
        // be taken for this request's answer.
        if (Serial())
            tcflush(fd_, TCIFLUSH);
        submitted_ = session_->Submit(op.request, now);
    }

    void TakeCurrent() {
        if (!submitted_)
            return;
        submitted_ = false;
        LinkOpResult& result = outcome_.results[current_];
        if (ops_[current_].pjlinkCommand) {
            if (std::optional<linkcore::PjlinkAnswer> answer = pjlink_->TakeAnswer(); answer && answer->answered) {
                result.answered = true;
                result.value = answer->value;
                if (ops_[current_].name == "CLSS")
                    classTold_ = linkcore::PjlinkClassOf(answer->value);
            }
            return;
        }
        if (std::optional<linkcore::RequestResult> reply = session_->TakeResult(); reply && reply->answered) {
            result.answered = true;
            result.reply = *reply;
        }
    }

    int ProjectorClass() const {
        const int known = pjlink_ != nullptr ? pjlink_->Class() : 0;
        return known != 0 ? known : classTold_;
    }

    void CloseLine() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

    void Finish() {
        if (over_)
            return;
        over_ = true;
        CloseLine();
        // Never from inside the caller's RunExchange: its bookkeeping is not done yet.
        asio::post(loop_,
                   [done = std::move(done_), outcome = std::move(outcome_)]() mutable { done(std::move(outcome)); });
        carrier_.Drop(*this);
    }

    LinkCarrier& carrier_;
    asio::io_context& loop_;
    Endpoint endpoint_;
    std::shared_ptr<const LinkConfig> config_;
    std::vector<LinkOp> ops_;
    ExchangeDone done_;
    ExchangeOutcome outcome_;
    int fd_ = -1;
    std::unique_ptr<linkcore::Session> session_;
    linkcore::PjlinkSession* pjlink_ = nullptr;
    int classTold_ = 0; // by a %1CLSS answer of this exchange
    std::size_t next_ = 0;
    std::size_t current_ = 0;
    bool submitted_ = false;
    bool over_ = false;
};

} // namespace

void RunExchange(asio::io_context& loop, const Endpoint& endpoint, std::shared_ptr<const LinkConfig> config,
                 std::vector<LinkOp> ops, ExchangeDone done) {
    LinkCarrier& carrier = LinkCarrier::Of(loop);
    auto& exchange = static_cast<Exchange&>(carrier.Adopt(
        std::make_unique<Exchange>(carrier, loop, endpoint, std::move(config), std::move(ops), std::move(done))));
    exchange.Start();
}

} // namespace orvane::service
