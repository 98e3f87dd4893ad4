#include "linkcore/PjlinkPool.h"

#include <openssl/crypto.h>
#include <poll.h>
#include <unistd.h>

namespace linkcore {

namespace {

// A projector never sends unasked: anything readable on an idle connection is its end of
// stream or a line that would be taken for the next answer.
bool IsQuiet(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 0;
}

// More projectors than the five slots may be in use (the finder, several configurations);
// the oldest connection goes first when this many are kept.
constexpr std::size_t kMaxKept = 64;

} // namespace

PjlinkPool& PjlinkPool::Shared() {
    // Never destroyed: a link that is itself destroyed late in the exit may still put its
    // connection back. The system closes what is kept when the process ends.
    static auto* pool = new PjlinkPool;
    return *pool;
}

PjlinkPool::~PjlinkPool() {
    for (Kept& kept : kept_)
        Discard(kept);
}

void PjlinkPool::Discard(Kept& kept) {
    if (kept.connection.fd >= 0)
        close(kept.connection.fd);
    kept.connection.fd = -1;
    kept.connection.session.reset();
    OPENSSL_cleanse(kept.password.data(), kept.password.size());
}

void PjlinkPool::DropExpired(SessionTime now) {
    for (auto it = kept_.begin(); it != kept_.end();) {
        if (now - it->since >= std::chrono::milliseconds(kIdleLimitMs)) {
            Discard(*it);
            it = kept_.erase(it);
        } else {
            ++it;
        }
    }
}

PjlinkPool::Connection PjlinkPool::Take(std::string_view address, int port, std::string_view password,
                                        SessionTime now) {
    std::lock_guard lock(mutex_);
    DropExpired(now);
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->port != port || it->address != address || it->password != password)
            continue;
        Connection out;
        if (IsQuiet(it->connection.fd)) {
            out = std::move(it->connection);
            it->connection.fd = -1;
        }
        Discard(*it);
        kept_.erase(it);
        return out;
    }
    return {};
}

void PjlinkPool::Put(std::string_view address, int port, std::string_view password, Connection connection,
                     SessionTime now) {
    Kept kept{std::string(address), port, std::string(password), std::move(connection), now};
    if (kept.connection.fd < 0 || !kept.connection.session || !kept.connection.session->IsReady()) {
        Discard(kept);
        return;
    }
    std::lock_guard lock(mutex_);
    DropExpired(now);
    if (kept_.size() >= kMaxKept) {
        Discard(kept_.front());
        kept_.erase(kept_.begin());
    }
    kept_.push_back(std::move(kept));
}

} // namespace linkcore
