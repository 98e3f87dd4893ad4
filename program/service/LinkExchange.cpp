#include "service/LinkExchange.h"

#include "linkcore/LinkSession.h"
#include "linkcore/PjlinkSession.h"
#include "linkcore/PjlinkSettings.h"
#include "linkcore/PjlinkTranslator.h"
#include "linkcore/SerialChannel.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
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

// One connection's life. Kept alive by the handlers it has outstanding; every handler
// checks `over_` first, so that a late completion after the end does nothing.
class Exchange : public std::enable_shared_from_this<Exchange> {
public:
    Exchange(asio::io_context& loop, const Endpoint& endpoint, std::shared_ptr<const LinkConfig> config,
             std::vector<LinkOp> ops, ExchangeDone done)
        : loop_(loop), endpoint_(endpoint), config_(std::move(config)), ops_(std::move(ops)), done_(std::move(done)),
          socket_(loop), serial_(loop), timer_(loop) {
        outcome_.results.resize(ops_.size());
    }

    void Start() {
        const linkcore::SessionTimeouts timeouts = linkcore::SessionTimeouts::From(config_->link);
        if (endpoint_.method != 1) {
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
        // The connect is made here rather than by the socket's async_connect, which asks the
        // socket again (poll) after every wake-up: one system call per exchange fewer, and
        // a command to hundreds of projectors makes thousands of them. The socket is opened
        // by asio itself, so that closing it needs no separate removal from the epoll set.
        boost::system::error_code ec;
        socket_.open(asio::ip::tcp::v4(), ec);
        if (!ec)
            socket_.non_blocking(true, ec);
        if (ec) {
            Finish();
            return;
        }
        // Requests are ten bytes and wait for their answer: Nagle would only add latency.
        const int one = 1;
        setsockopt(socket_.native_handle(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const bool connected =
            connect(socket_.native_handle(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        if (!connected && errno != EINPROGRESS) {
            Finish();
            return;
        }
        ArmTimer();
        if (connected) {
            OnConnected();
            return;
        }
        socket_.async_wait(
            asio::ip::tcp::socket::wait_write, [self = shared_from_this()](const boost::system::error_code& error) {
                if (self->over_)
                    return;
                int failure = 0;
                socklen_t size = sizeof failure;
                if (error || getsockopt(self->socket_.native_handle(), SOL_SOCKET, SO_ERROR, &failure, &size) != 0 ||
                    failure != 0) {
                    self->Finish();
                    return;
                }
                self->OnConnected();
            });
    }

private:
    void StartSerial(const linkcore::SessionTimeouts& timeouts) {
        const int fd = linkcore::OpenSerialChannel(endpoint_.comNo, config_->link);
        if (fd < 0) {
            Finish();
            return;
        }
        boost::system::error_code ec;
        serial_.assign(fd, ec);
        if (ec) {
            close(fd);
            Finish();
            return;
        }
        session_ =
            std::make_unique<linkcore::LinkSession>(linkcore::LinkSession::Line::Serial, endpoint_.password, timeouts);
        session_->Begin(SessionClock::now());
        StartReading();
        Pump();
    }

    bool Serial() const { return endpoint_.method != 1; }

    void OnConnected() {
        session_->Connected(SessionClock::now());
        StartReading();
        Pump();
    }

    void StartReading() {
        auto self = shared_from_this();
        auto handler = [self](const boost::system::error_code& error, std::size_t n) { self->OnRead(error, n); };
        if (Serial()) {
            serial_.async_read_some(asio::buffer(buffer_), handler);
        } else {
            socket_.async_read_some(asio::buffer(buffer_), handler);
        }
    }

    void OnRead(const boost::system::error_code& error, std::size_t n) {
        if (over_)
            return;
        if (error) {
            session_->PeerClosed(SessionClock::now());
            Pump();
            return;
        }
        session_->Receive(linkcore::ByteView(buffer_.data(), n), SessionClock::now());
        // Moved on first: after the last answer the exchange ends, and a read started before
        // would only be tried once in vain and then cancelled.
        Pump();
        if (!over_ && !session_->IsFinished())
            StartReading();
    }

    void ArmTimer() {
        const std::optional<linkcore::SessionTime> deadline = session_->Deadline();
        if (!deadline || (timerArmed_ && *deadline == armedFor_))
            return;
        timerArmed_ = true;
        armedFor_ = *deadline;
        timer_.expires_at(*deadline);
        auto self = shared_from_this();
        timer_.async_wait([self, at = *deadline](const boost::system::error_code& error) {
            if (self->over_ || error || !self->timerArmed_ || self->armedFor_ != at)
                return;
            self->timerArmed_ = false;
            // Until the connect is done the socket's own operation is what must end.
            if (self->session_->State() == linkcore::SessionState::Connecting) {
                self->Finish();
                return;
            }
            self->session_->Tick(SessionClock::now());
            self->Pump();
        });
    }

    void Write() {
        writing_ = true;
        pieces_.clear();
        for (const linkcore::ByteView piece : session_->Output())
            pieces_.emplace_back(piece.data(), piece.size());
        auto self = shared_from_this();
        auto handler = [self](const boost::system::error_code& error, std::size_t n) {
            self->writing_ = false;
            if (self->over_)
                return;
            if (error) {
                self->session_->PeerClosed(SessionClock::now());
            } else {
                self->session_->ConsumeOutput(n);
            }
            self->Pump();
        };
        if (Serial()) {
            asio::async_write(serial_, pieces_, handler);
        } else {
            asio::async_write(socket_, pieces_, handler);
        }
    }

    // Moves the session on as far as it goes without the other side.
    void Pump() {
        if (over_)
            return;
        for (;;) {
            if (session_->IsFinished()) {
                TakeCurrent();
                Finish();
                return;
            }
            if (session_->OutputSize() > 0 && !writing_)
                Write();
            if (session_->Waiting()) {
                ArmTimer();
                return;
            }
            if (!session_->IsReady() || writing_)
                return;
            outcome_.opened = true;
            TakeCurrent();
            if (next_ >= ops_.size()) {
                Finish();
                return;
            }
            SubmitNext();
        }
    }

    // Starts the next operation; one the session does not take stays unanswered.
    void SubmitNext() {
        current_ = next_++;
        const LinkOp& op = ops_[current_];
        if (op.onlyAfterRefusal && (current_ == 0 || !outcome_.results[current_ - 1].answered ||
                                    outcome_.results[current_ - 1].reply.reply[0] != linkcore::kReplyNak))
            return;
        const linkcore::SessionTime now = SessionClock::now();
        if (op.pjlinkCommand) {
            const char cls = op.pjlinkClass != 0 ? op.pjlinkClass : ProjectorClass() == 2 ? '2' : '1';
            submitted_ = pjlink_ != nullptr && pjlink_->SubmitCommand(cls, op.name, op.param, now);
            return;
        }
        // On a serial line, bytes still queued from an earlier exchange that timed out would
        // be taken for this request's answer.
        if (Serial())
            tcflush(serial_.native_handle(), TCIFLUSH);
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

    void Finish() {
        if (over_)
            return;
        over_ = true;
        boost::system::error_code ignored;
        timer_.cancel();
        socket_.close(ignored);
        serial_.close(ignored);
        ExchangeDone done = std::move(done_);
        ExchangeOutcome outcome = std::move(outcome_);
        // Never from inside the caller's RunExchange: its bookkeeping is not done yet.
        asio::post(loop_,
                   [done = std::move(done), outcome = std::move(outcome)]() mutable { done(std::move(outcome)); });
    }

    asio::io_context& loop_;
    Endpoint endpoint_;
    std::shared_ptr<const LinkConfig> config_;
    std::vector<LinkOp> ops_;
    ExchangeDone done_;
    ExchangeOutcome outcome_;
    asio::ip::tcp::socket socket_;
    asio::posix::stream_descriptor serial_;
    asio::steady_timer timer_;
    std::unique_ptr<linkcore::Session> session_;
    linkcore::PjlinkSession* pjlink_ = nullptr;
    int classTold_ = 0; // by a %1CLSS answer of this exchange
    std::array<unsigned char, 4096> buffer_{};
    std::vector<asio::const_buffer> pieces_;
    std::size_t next_ = 0;
    std::size_t current_ = 0;
    bool submitted_ = false;
    bool writing_ = false;
    bool timerArmed_ = false;
    linkcore::SessionTime armedFor_{};
    bool over_ = false;
};

} // namespace

void RunExchange(asio::io_context& loop, const Endpoint& endpoint, std::shared_ptr<const LinkConfig> config,
                 std::vector<LinkOp> ops, ExchangeDone done) {
    std::make_shared<Exchange>(loop, endpoint, std::move(config), std::move(ops), std::move(done))->Start();
}

} // namespace orvane::service
