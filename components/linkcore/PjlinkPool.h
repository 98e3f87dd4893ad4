#pragma once

#include "linkcore/Session.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace linkcore {

// PJLink connections kept open between exchanges, one per projector for the whole process,
// so that a status, an info or a poll round costs one greeting and one password check, and
// the toolbar's two links do not knock each other off a projector that takes one connection
// at a time. A connection is lent out whole (Take) and given back when its exchange is done
// (Put); while lent, another caller to the same projector opens a connection of its own.
//
// A connection idle for kIdleLimitMs is closed rather than lent: the standard lets a
// projector close one after 30 s, and a request must not race that. One the projector
// closed, or wrote on while nobody asked, is closed as well.
class PjlinkPool {
public:
    static constexpr int kIdleLimitMs = 20000;

    struct Connection {
        int fd = -1;
        std::unique_ptr<Session> session;
    };

    // The one every link of the process shares.
    static PjlinkPool& Shared();

    PjlinkPool() = default;
    ~PjlinkPool();
    PjlinkPool(const PjlinkPool&) = delete;
    PjlinkPool& operator=(const PjlinkPool&) = delete;

    // The kept connection to this projector, now the caller's; an empty Connection when there
    // is none fit for use.
    Connection Take(std::string_view address, int port, std::string_view password, SessionTime now);
    // Keeps a connection whose session is Ready; anything else is closed.
    void Put(std::string_view address, int port, std::string_view password, Connection connection, SessionTime now);

private:
    struct Kept {
        std::string address;
        int port = 0;
        std::string password;
        Connection connection;
        SessionTime since;
    };
    static void Discard(Kept& kept);
    void DropExpired(SessionTime now);

    std::mutex mutex_;
    std::vector<Kept> kept_;
};

} // namespace linkcore
