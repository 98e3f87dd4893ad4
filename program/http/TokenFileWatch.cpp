#include "http/TokenFileWatch.h"

#include <cstring>
#include <filesystem>
#include <sys/inotify.h>
#include <unistd.h>

namespace orvane::http {

namespace asio = boost::asio;

TokenFileWatch::TokenFileWatch(asio::io_context& loop, std::function<void()> changed, std::function<void()> lost)
    : inotify_(loop), changed_(std::move(changed)), lost_(std::move(lost)) {}

TokenFileWatch::~TokenFileWatch() {
    boost::system::error_code ignored;
    inotify_.close(ignored);
}

bool TokenFileWatch::Start(const std::string& file) {
    const std::filesystem::path path(file);
    const std::string folder = path.has_parent_path() ? path.parent_path().string() : ".";
    name_ = path.filename().string();
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return false;
    // The file is replaced by a rename when it is written, so its folder is what is watched.
    constexpr std::uint32_t kEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ATTRIB |
                                      IN_DELETE_SELF | IN_MOVE_SELF;
    if (inotify_add_watch(fd, folder.c_str(), kEvents) < 0) {
        close(fd);
        return false;
    }
    boost::system::error_code ec;
    inotify_.assign(fd, ec);
    if (ec) {
        close(fd);
        return false;
    }
    watching_ = true;
    Read();
    return true;
}

void TokenFileWatch::Read() {
    inotify_.async_read_some(asio::buffer(buffer_), [this](const boost::system::error_code& error, std::size_t n) {
        if (error == asio::error::operation_aborted)
            return;
        if (error) {
            Lose();
            return;
        }
        bool changed = false;
        for (std::size_t at = 0; at + sizeof(inotify_event) <= n;) {
            inotify_event event{};
            std::memcpy(&event, buffer_.data() + at, sizeof event);
            const char* name = buffer_.data() + at + sizeof event;
            if ((event.mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
                Lose();
                return;
            }
            if (event.len > 0 && name_ == std::string(name, strnlen(name, event.len)))
                changed = true;
            at += sizeof event + event.len;
        }
        if (changed)
            changed_();
        Read();
    });
}

void TokenFileWatch::Lose() {
    if (!watching_)
        return;
    watching_ = false;
    boost::system::error_code ignored;
    inotify_.close(ignored);
    lost_();
}

} // namespace orvane::http
