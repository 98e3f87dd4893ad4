#include "http/HttpServer.h"

#include "http/AccessGate.h"
#include "http/ApiRouter.h"
#include "http/TokenFileWatch.h"
#include "platform/FileUtil.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <openssl/ssl.h>

#include <deque>
#include <exception>
#include <limits>
#include <map>
#include <optional>

namespace orvane::http {

namespace net = boost::asio;
namespace beast = boost::beast;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {
constexpr std::uint32_t kHeaderLimit = 16 * 1024;
constexpr std::size_t kReadChunk = std::size_t{8} * 1024;
// An event stream whose client reads slower than events come is dropped rather than
// buffered without end.
constexpr std::size_t kMaxStreamBacklog = std::size_t{4} * 1024 * 1024;
constexpr std::size_t kLingerBytes = std::size_t{1024} * 1024;
constexpr std::chrono::seconds kLingerTime{2};

class Connection {
public:
    Connection() = default;
    virtual ~Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    virtual void Close() = 0;
};
} // namespace

// What the connections share with the server; they keep it alive while a handler of theirs
// is still queued on the loop after the server has gone.
struct ServerState {
    ServerState(net::io_context& loop, service::IServiceModel& model, HttpSettings settings)
        : loop(loop), model(model), settings(std::move(settings)), gate(this->settings.tokenFile.string()),
          router(model, gate, counters, !this->settings.certificate.empty(), this->settings.publicContent.get()) {}

    net::io_context& loop;
    service::IServiceModel& model;
    HttpSettings settings;
    AccessGate gate;
    ServerCounters counters;
    ApiRouter router;
    std::optional<net::ssl::context> tls;
    std::map<Connection*, std::weak_ptr<Connection>> live;
    int refusing = 0;
    bool stopped = false;
};

namespace {

template <class Stream>
class StreamConnection : public Connection, public std::enable_shared_from_this<StreamConnection<Stream>> {
public:
    StreamConnection(std::shared_ptr<ServerState> state, Stream stream, std::string peer, bool refuse)
        : state_(std::move(state)), stream_(std::move(stream)), peer_(std::move(peer)), refuse_(refuse),
          keepAliveTimer_(state_->loop), idleTimer_(state_->loop) {
        if (refuse_) {
            ++state_->refusing;
        } else {
            ++state_->counters.connections;
        }
    }

    ~StreamConnection() override {
        try {
            Close();
        } catch (...) {
            // A destructor has nobody to tell; the socket is closed with the stream anyway.
        }
        if (refuse_) {
            --state_->refusing;
        } else {
            --state_->counters.connections;
        }
        state_->live.erase(this);
    }

    void Begin() {
        state_->live[this] = this->shared_from_this();
        headerDeadline_ = Clock::now() + state_->settings.headerTimeout;
        if constexpr (std::is_same_v<Stream, beast::tcp_stream>) {
            ReadRequest();
        } else {
            Lowest().expires_at(headerDeadline_);
            stream_.async_handshake(net::ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code ec) {
                                        if (ec) {
                                            self->Close();
                                        } else {
                                            self->ReadRequest();
                                        }
                                    });
        }
    }

    void Close() override {
        if (closed_)
            return;
        closed_ = true;
        if (subscribed_) {
            subscribed_ = false;
            --state_->counters.eventStreams;
            try {
                state_->model.Unsubscribe(subscription_);
            } catch (const std::exception&) {
                // Nothing more can be done for a stream that is going anyway.
            }
        }
        keepAliveTimer_.cancel();
        idleTimer_.cancel();
        beast::error_code ignored;
        Lowest().socket().shutdown(tcp::socket::shutdown_both, ignored);
        Lowest().close();
    }

private:
    beast::tcp_stream& Lowest() { return beast::get_lowest_layer(stream_); }

    void ReadRequest() {
        parser_.emplace();
        parser_->header_limit(kHeaderLimit);
        // The header alone first: whoever sends a body must have shown a token before its
        // length is judged (ScreenHeader sets the limit).
        parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
        parser_->eager(false);
        screened_ = false;
        if (buffer_.size() > 0 && idle_) {
            // The next request came along with the last one.
            idle_ = false;
            headerDeadline_ = Clock::now() + state_->settings.headerTimeout;
        }
        Parse();
    }

    // A keep-alive connection waits for its next request up to the idle time-out; from the
    // request's first byte on, its header has the header time-out to arrive.
    void ReadMore() {
        if (buffer_.size() >= buffer_.max_size()) {
            Fail(400, "request header too large");
            return;
        }
        if (idle_) {
            Lowest().expires_never();
            idleTimer_.expires_after(state_->settings.idleTimeout);
            idleTimer_.async_wait([weak = this->weak_from_this()](beast::error_code ec) {
                if (auto self = weak.lock(); self && !ec)
                    self->Close();
            });
        } else {
            Lowest().expires_at(headerDeadline_);
        }
        stream_.async_read_some(
            buffer_.prepare(kReadChunk),
            [self = this->shared_from_this()](beast::error_code ec, std::size_t n) { self->OnRead(ec, n); });
    }

    void OnRead(beast::error_code ec, std::size_t n) {
        if (closed_)
            return;
        if (ec) {
            Close();
            return;
        }
        buffer_.commit(n);
        if (idle_) {
            idle_ = false;
            idleTimer_.cancel();
            headerDeadline_ = Clock::now() + state_->settings.headerTimeout;
        }
        Parse();
    }

    void Parse() {
        try {
            while (buffer_.size() > 0 && !parser_->is_done()) {
                beast::error_code ec;
                const std::size_t used = parser_->put(buffer_.data(), ec);
                buffer_.consume(used);
                if (ec == beasthttp::error::need_more)
                    break;
                if (ec == beasthttp::error::body_limit) {
                    FailTooLarge();
                    return;
                }
                if (ec) {
                    Fail(400, "malformed request");
                    return;
                }
                if (parser_->is_header_done() && !screened_ && !ScreenHeader())
                    return;
                if (used == 0)
                    break;
            }
            if (parser_->is_header_done() && !screened_ && !ScreenHeader())
                return;
            if (parser_->is_done()) {
                Dispatch();
                return;
            }
        } catch (const std::exception&) {
            Close();
            return;
        }
        ReadMore();
    }

    // False when the request was answered on its header alone.
    bool ScreenHeader() {
        screened_ = true;
        version_ = parser_->get().version();
        if (refuse_) {
            ++state_->counters.refusedConnections;
            Fail(503, "too many connections");
            return false;
        }
        if (std::optional<Response> refusal = state_->router.Screen(parser_->get().base(), peer_, who_)) {
            // The body, if any, is not read: the connection cannot go on after it.
            Send(std::move(*refusal), true);
            return false;
        }
        const std::uint64_t limit = state_->settings.bodyLimit;
        if (const auto length = parser_->content_length(); length && *length > limit) {
            FailTooLarge();
            return false;
        }
        parser_->body_limit(limit);
        parser_->eager(true);
        return true;
    }

    void Fail(unsigned status, std::string_view message) { Send(ErrorResponse(status, message), true); }
    void FailTooLarge() {
        Fail(413, "the body is larger than " + std::to_string(state_->settings.bodyLimit) + " bytes");
    }

    void Dispatch() {
        request_ = parser_->release();
        parser_.reset();
        // A command's answer comes later from the loop, and nothing else holds the connection
        // meanwhile: the answer holds it.
        const bool stream = state_->router.Handle(request_, who_, [self = this->shared_from_this()](Response response) {
            self->Send(std::move(response), false);
        });
        if (stream)
            StartEventStream();
    }

    void Send(Response response, bool close) {
        if (closed_ || writing_)
            return;
        ++state_->counters.answers[response.result_int()];
        keepAlive_ = !close && request_.keep_alive() && !state_->stopped;
        response.version(version_ == 10 ? 10 : 11);
        response.keep_alive(keepAlive_);
        response.prepare_payload();
        response_.emplace(std::move(response));
        writing_ = true;
        Lowest().expires_after(state_->settings.idleTimeout);
        beasthttp::async_write(stream_, *response_,
                               [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                                   self->writing_ = false;
                                   if (ec) {
                                       self->Close();
                                       return;
                                   }
                                   if (!self->keepAlive_) {
                                       self->Linger();
                                       return;
                                   }
                                   self->response_.reset();
                                   self->request_ = {};
                                   self->idle_ = true;
                                   self->ReadRequest();
                               });
    }

    // Closing with a request's body still unread would reset the connection and could take
    // the answer with it: the client gets a moment to read it while the rest is thrown away.
    void Linger() {
        beast::error_code ignored;
        Lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
        lingerLeft_ = kLingerBytes;
        Lowest().expires_after(kLingerTime);
        Drain();
    }

    void Drain() {
        buffer_.clear();
        Lowest().async_read_some(buffer_.prepare(kReadChunk),
                                 [self = this->shared_from_this()](beast::error_code ec, std::size_t n) {
                                     if (ec || self->closed_ || n >= self->lingerLeft_) {
                                         self->Close();
                                         return;
                                     }
                                     self->lingerLeft_ -= n;
                                     self->Drain();
                                 });
    }

    void StartEventStream() {
        try {
            Queue(state_->router.EventStreamStart());
            subscription_ = state_->model.Subscribe([weak = this->weak_from_this()](const service::ServiceEvent& e) {
                if (auto self = weak.lock())
                    self->Queue(ApiRouter::FormatEvent(e));
            });
        } catch (const std::exception&) {
            Close();
            return;
        }
        subscribed_ = true;
        ++state_->counters.eventStreams;
        ++state_->counters.answers[200];
        // The client sends nothing more: anything readable is its going. The wait keeps the
        // stream alive until then.
        Lowest().socket().async_wait(tcp::socket::wait_read,
                                     [self = this->shared_from_this()](beast::error_code) { self->Close(); });
    }

    void Queue(std::string text) {
        if (closed_)
            return;
        backlog_ += text.size();
        if (backlog_ > kMaxStreamBacklog) {
            Close();
            return;
        }
        outbox_.push_back(std::move(text));
        ArmKeepAlive();
        Flush();
    }

    void ArmKeepAlive() {
        keepAliveTimer_.expires_after(state_->settings.keepAliveInterval);
        keepAliveTimer_.async_wait([weak = this->weak_from_this()](beast::error_code ec) {
            if (auto self = weak.lock(); self && !ec)
                self->Queue(std::string(ApiRouter::kKeepAlive));
        });
    }

    void Flush() {
        if (writing_ || outbox_.empty() || closed_)
            return;
        writing_ = true;
        Lowest().expires_after(state_->settings.idleTimeout);
        net::async_write(stream_, net::buffer(outbox_.front()),
                         [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                             self->writing_ = false;
                             if (ec || self->closed_) {
                                 self->Close();
                                 return;
                             }
                             self->backlog_ -= self->outbox_.front().size();
                             self->outbox_.pop_front();
                             self->Flush();
                         });
    }

    std::shared_ptr<ServerState> state_;
    Stream stream_;
    std::string peer_;
    bool refuse_;
    net::steady_timer keepAliveTimer_;
    net::steady_timer idleTimer_;
    beast::flat_buffer buffer_{kHeaderLimit + 2 * kReadChunk};
    std::optional<beasthttp::request_parser<beasthttp::string_body>> parser_;
    Request request_;
    std::optional<Response> response_;
    Identity who_;
    Clock::time_point headerDeadline_{};
    unsigned version_ = 11;
    bool idle_ = false;
    bool screened_ = false;
    bool writing_ = false;
    bool keepAlive_ = false;
    bool closed_ = false;
    bool subscribed_ = false;
    service::IServiceModel::Subscription subscription_ = 0;
    std::deque<std::string> outbox_;
    std::size_t backlog_ = 0;
    std::size_t lingerLeft_ = 0;
};

bool IsLoopback(const net::ip::address& address) {
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6()).is_loopback();
    return address.is_loopback();
}

} // namespace

class HttpServer::Impl {
public:
    Impl(net::io_context& loop, service::IServiceModel& model, HttpSettings settings)
        : state_(std::make_shared<ServerState>(loop, model, std::move(settings))), acceptor_(loop) {}

    bool Start(std::string& error) {
        const HttpSettings& s = state_->settings;
        beast::error_code ec;
        const std::string host = s.host == "localhost" ? std::string("127.0.0.1") : s.host;
        const net::ip::address address = net::ip::make_address(host, ec);
        if (ec) {
            error = "Listen: \"" + s.host + "\" is not an IP address";
            return false;
        }
        // Watched before it is read, so that no change falls between the two.
        if (!s.tokenFile.empty()) {
            tokenWatch_ = std::make_unique<TokenFileWatch>(
                state_->loop, [state = state_.get()] { state->gate.MarkChanged(); },
                [state = state_.get()] { state->gate.SetWatched(false); });
            state_->gate.SetWatched(tokenWatch_->Start(s.tokenFile.string()));
        }
        if (!s.tokenFile.empty() && !state_->gate.Reload(error))
            return false;
        const bool open = !IsLoopback(address);
        if (open && !state_->gate.HasTokens()) {
            error = "refusing to listen on " + s.host + " without tokens (add one with orvanectl token add NAME)";
            return false;
        }
        state_->gate.RequireTokens(open);
        if (s.certificate.empty() != s.key.empty()) {
            error = "HTTPS needs both Certificate and Key";
            return false;
        }
        if (!s.certificate.empty() && !LoadCertificate(error))
            return false;
        const tcp::endpoint endpoint(address, s.port);
        acceptor_.open(endpoint.protocol(), ec);
        if (!ec)
            acceptor_.set_option(net::socket_base::reuse_address(true), ec);
        if (!ec)
            acceptor_.bind(endpoint, ec);
        if (!ec)
            acceptor_.listen(net::socket_base::max_listen_connections, ec);
        if (ec) {
            error = "cannot listen on " + s.host + ":" + std::to_string(s.port) + ": " + ec.message();
            beast::error_code ignored;
            acceptor_.close(ignored);
            return false;
        }
        port_ = acceptor_.local_endpoint(ec).port();
        Accept();
        return true;
    }

    bool LoadCertificate(std::string& error) {
        const HttpSettings& s = state_->settings;
        for (const auto& path : {s.certificate, s.key}) {
            if (const FileReadResult probe = ProbeReadable(path.string()); !probe.ok()) {
                error = probe.missing() ? "cannot read " + path.string() + ": No such file or directory"
                                        : ReadFailureText(path.string(), probe);
                return false;
            }
        }
        net::ssl::context context(net::ssl::context::tls_server);
        beast::error_code ec;
        context.set_options(net::ssl::context::default_workarounds | net::ssl::context::no_sslv2 |
                                net::ssl::context::no_sslv3 | net::ssl::context::single_dh_use,
                            ec);
        SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION);
        if (!ec)
            context.use_certificate_chain_file(s.certificate.string(), ec);
        if (ec) {
            error = "cannot use the certificate " + s.certificate.string() + ": " + ec.message();
            return false;
        }
        context.use_private_key_file(s.key.string(), net::ssl::context::pem, ec);
        if (ec) {
            error = "cannot use the key " + s.key.string() + ": " + ec.message();
            return false;
        }
        if (SSL_CTX_check_private_key(context.native_handle()) != 1) {
            error = "the key " + s.key.string() + " does not belong to the certificate " + s.certificate.string();
            return false;
        }
        state_->tls.emplace(std::move(context));
        return true;
    }

    void Accept() {
        acceptor_.async_accept([this, state = state_](beast::error_code ec, tcp::socket socket) {
            if (state->stopped || ec == net::error::operation_aborted)
                return;
            if (!ec)
                Admit(std::move(socket));
            Accept();
        });
    }

    void Admit(tcp::socket socket) {
        const int limit = state_->settings.maxConnections;
        const bool refuse = state_->counters.connections >= limit;
        // Past the limit a few more are told 503; beyond those they are only closed.
        if (refuse && state_->refusing >= std::max(limit, 16))
            return;
        beast::error_code ec;
        const tcp::endpoint remote = socket.remote_endpoint(ec);
        std::string peer = ec ? std::string("?") : remote.address().to_string();
        socket.set_option(tcp::no_delay(true), ec);
        try {
            if (state_->tls) {
                using TlsStream = beast::ssl_stream<beast::tcp_stream>;
                auto connection = std::make_shared<StreamConnection<TlsStream>>(
                    state_, TlsStream(beast::tcp_stream(std::move(socket)), *state_->tls), std::move(peer), refuse);
                connection->Begin();
            } else {
                auto connection = std::make_shared<StreamConnection<beast::tcp_stream>>(
                    state_, beast::tcp_stream(std::move(socket)), std::move(peer), refuse);
                connection->Begin();
            }
        } catch (const std::exception&) {
            // Out of memory or descriptors for one connection: the others go on.
        }
    }

    void Stop() {
        state_->stopped = true;
        beast::error_code ignored;
        acceptor_.close(ignored);
        std::vector<std::shared_ptr<Connection>> open;
        for (auto& [raw, weak] : state_->live) {
            if (auto connection = weak.lock())
                open.push_back(std::move(connection));
        }
        for (const auto& connection : open)
            connection->Close();
    }

    std::string Url() const {
        const HttpSettings& s = state_->settings;
        const bool v6 = s.host.find(':') != std::string::npos;
        return std::string(state_->tls ? "https://" : "http://") + (v6 ? "[" + s.host + "]" : s.host) + ":" +
               std::to_string(port_);
    }

    void ReloadTokens() {
        std::string ignored;
        (void)state_->gate.Reload(ignored);
    }

private:
    std::shared_ptr<ServerState> state_;
    std::unique_ptr<TokenFileWatch> tokenWatch_; // tells state_'s gate: gone before state_ is
    tcp::acceptor acceptor_;
    std::uint16_t port_ = 0;
};

HttpServer::HttpServer(net::io_context& loop, service::IServiceModel& model, HttpSettings settings)
    : impl_(std::make_unique<Impl>(loop, model, std::move(settings))) {}

HttpServer::~HttpServer() {
    Stop();
}

bool HttpServer::Start(std::string& error) {
    try {
        return impl_->Start(error);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

std::string HttpServer::Url() const {
    return impl_->Url();
}

void HttpServer::ReloadTokens() {
    impl_->ReloadTokens();
}

void HttpServer::Stop() {
    impl_->Stop();
}

} // namespace orvane::http
