#pragma once

#include "Endpoint.h"
#include "ProjectorService.h"
#include "StopEvent.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace pjsim {

// A projector on a TCP port: one thread accepts, one thread per client serves it (hello,
// authentication, then frames until the client closes).
class TcpProjectorServer : public Endpoint {
public:
    TcpProjectorServer(std::unique_ptr<ProjectorService> service, const StopEvent& stop);
    ~TcpProjectorServer() override;

    // Serves on a socket that is already bound and listening (a fleet binds its run of
    // ports first); the server owns it from here. Call before Start.
    void UseListener(int fd) { listenFd_ = fd; }

    ProjectorService& Service() { return *service_; }

    bool Start(std::string& error) override;
    std::string Address() const override;
    void Join() override;

private:
    struct Connection {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    bool Listen(std::string& error);
    void AcceptLoop();
    void Serve(int fd);
    // Sends the hello; with a password, the challenge it carries is copied to `challenge`.
    bool SendHello(int fd, unsigned char* challenge);
    bool Authenticate(int fd, const unsigned char* challenge);
    void ReapFinished(bool all);

    // More clients than this at once are turned away, so that a runaway test cannot
    // exhaust the machine's threads.
    static constexpr std::size_t kMaxConnections = 64;

    std::unique_ptr<ProjectorService> service_;
    const StopEvent& stop_;
    int listenFd_ = -1;
    int port_ = 0;
    std::thread acceptThread_;
    std::list<Connection> connections_;
};

} // namespace pjsim
