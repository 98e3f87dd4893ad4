// The floor of bench_service_http: an HTTP/1.1 server of the same make as orvaned's (Boost.Beast
// on one Asio event loop, keep-alive) that answers every request with one fixed JSON body,
// read from a file at start. Whatever orvaned takes beyond it is its routing, its lookup of
// the room and the JSON it writes.
//
//   bench_fixed_http BODY_FILE      prints LISTENING http://127.0.0.1:PORT, then READY

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(tcp::socket socket, const std::string& body) : socket_(std::move(socket)), body_(body) {}
    void Read() {
        request_ = {};
        auto self = shared_from_this();
        http::async_read(socket_, buffer_, request_, [self](beast::error_code ec, std::size_t) {
            if (!ec)
                self->Answer();
        });
    }

private:
    void Answer() {
        response_ = {};
        response_.version(request_.version());
        response_.result(http::status::ok);
        // The header fields orvaned's JSON answers carry, so that only the body's making differs.
        response_.set(http::field::content_type, "application/json; charset=utf-8");
        response_.set(http::field::cache_control, "no-store");
        response_.keep_alive(request_.keep_alive());
        response_.body() = body_;
        response_.prepare_payload();
        auto self = shared_from_this();
        http::async_write(socket_, response_, [self](beast::error_code ec, std::size_t) {
            if (!ec && self->response_.keep_alive())
                self->Read();
        });
    }

    tcp::socket socket_;
    const std::string& body_;
    beast::flat_buffer buffer_;
    http::request<http::string_body> request_;
    http::response<http::string_body> response_;
};

void Accept(tcp::acceptor& acceptor, const std::string& body) {
    acceptor.async_accept([&acceptor, &body](beast::error_code ec, tcp::socket socket) {
        if (!ec) {
            socket.set_option(tcp::no_delay(true), ec);
            std::make_shared<Connection>(std::move(socket), body)->Read();
        }
        Accept(acceptor, body);
    });
}

} // namespace

int main(int argc, char** argv) try {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_fixed_http BODY_FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    asio::io_context loop;
    tcp::acceptor acceptor(loop, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    Accept(acceptor, body);
    asio::signal_set stop(loop, SIGTERM, SIGINT);
    stop.async_wait([&loop](beast::error_code, int) { loop.stop(); });
    std::printf("LISTENING http://127.0.0.1:%u\nREADY\n", acceptor.local_endpoint().port());
    std::fflush(stdout);
    loop.run();
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "bench_fixed_http: %s\n", e.what());
    return 1;
}
