#pragma once

#include "finder/FoundProjectors.h"
#include "finder/UdpSocket.h"

#include <future>
#include <string>
#include <string_view>
#include <vector>

namespace finder {

// "%2SRCH" followed by CR: the search datagram of PJLink class 2.
std::string FormatPjlinkSearch();
// The MAC of a "%2ACKN=<MAC>" answer (six pairs of hexadecimal digits joined by ':', CR at
// the end optional), upper-cased; false for anything else.
[[nodiscard]] bool ParsePjlinkAck(std::string_view datagram, std::string& mac);

// The PJLink search beside our own probe: sends "%2SRCH" to the probe's address at the PJLink
// port and takes every "%2ACKN=<MAC>" as a projector at the answer's source address. The
// name of each is asked over TCP on the same port on a thread of its own, so that a slow
// projector holds up neither the dialog nor the other answers; a projector that does not
// tell its name (it wants a password, say) is listed with an empty one.
class PjlinkSearch {
public:
    explicit PjlinkSearch(int port) : port_(port) {}
    ~PjlinkSearch();
    PjlinkSearch(const PjlinkSearch&) = delete;
    PjlinkSearch& operator=(const PjlinkSearch&) = delete;

    // Opens the socket, bound to the PJLink port when it is free (projectors that answer to
    // that port rather than to the sender's are heard too), else to any port. 0 or an errno.
    [[nodiscard]] int Open();
    int Fd() const { return socket_.Fd(); }

    // One search datagram to `address`; 0 or an errno.
    [[nodiscard]] int Send(std::string_view address);
    // Takes the waiting datagrams; each new answer starts its name query.
    void Receive();
    // The answers whose name query has ended, each once, in the order they came.
    std::vector<FoundProjector> TakeFinished();
    bool Pending() const;
    // Waits for the running name queries (each bounded by the link's time-outs) and closes
    // the socket. TakeFinished then has every answer.
    void Finish();

private:
    struct Lookup {
        FoundProjector projector;
        std::future<std::string> name;
        bool taken = false;
    };

    int port_;
    UdpSocket socket_;
    std::vector<Lookup> lookups_;
};

} // namespace finder
