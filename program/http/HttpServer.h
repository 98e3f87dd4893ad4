#pragma once

#include "service/ServiceModel.h"

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace orvane::http {

class IPublicContent;

struct HttpSettings {
    std::string host = "127.0.0.1";
    std::uint16_t port = 8740; // 0: a free one, see HttpServer::Url
    // PEM files; when both are set the server speaks HTTPS only.
    std::filesystem::path certificate;
    std::filesystem::path key;
    int maxConnections = 256;
    // The token file (orvaned-tokens.txt beside orvaned.conf); no file or no tokens in it:
    // the server refuses to listen on anything but a loopback address.
    std::filesystem::path tokenFile;
    std::chrono::milliseconds headerTimeout{10'000};
    std::chrono::milliseconds idleTimeout{60'000};
    std::chrono::milliseconds keepAliveInterval{15'000}; // event streams' ": keep-alive"
    std::size_t bodyLimit = std::size_t{64} * 1024;
    // The web remote's page, files and texts; none: their paths are 404.
    std::shared_ptr<const IPublicContent> publicContent;
};

// The HTTP(S) API over the service's core, on the core's event loop.
class HttpServer {
public:
    HttpServer(boost::asio::io_context& loop, service::IServiceModel& model, HttpSettings settings);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Reads the tokens, loads the certificate and binds. False with a one-line reason
    // (e.g. listening openly without tokens, a port in use, an unreadable key).
    [[nodiscard]] bool Start(std::string& error);
    // "http://HOST:PORT" or "https://HOST:PORT" with the port actually bound.
    std::string Url() const;
    // Re-reads the token file now (SIGHUP); the server also notices a changed file by itself.
    void ReloadTokens();
    // Stops accepting, ends every event stream and closes every connection.
    void Stop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace orvane::http
