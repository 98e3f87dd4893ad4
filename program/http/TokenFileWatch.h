#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>

#include <array>
#include <functional>
#include <string>

namespace orvane::http {

// Tells when the token file may have changed: inotify on its folder, heard on the loop, so
// that a request need not ask the file system whether it did. A change is told before any
// request that arrives after it is read, as the kernel queues the file's event first and the
// loop hears its descriptors in that order.
//
// Watching ends (Watching() false, and `lost` is called) when the folder goes away or events
// were dropped; the caller then has to look at the file itself again.
class TokenFileWatch {
public:
    TokenFileWatch(boost::asio::io_context& loop, std::function<void()> changed, std::function<void()> lost);
    ~TokenFileWatch();
    TokenFileWatch(const TokenFileWatch&) = delete;
    TokenFileWatch& operator=(const TokenFileWatch&) = delete;

    // Starts watching `file`; false when it cannot be watched.
    [[nodiscard]] bool Start(const std::string& file);
    bool Watching() const { return watching_; }

private:
    void Read();
    void Lose();

    boost::asio::posix::stream_descriptor inotify_;
    std::function<void()> changed_;
    std::function<void()> lost_;
    std::string name_; // the file's name within its folder
    std::array<char, 4096> buffer_{};
    bool watching_ = false;
};

} // namespace orvane::http
