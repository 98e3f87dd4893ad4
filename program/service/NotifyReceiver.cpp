#include "service/NotifyReceiver.h"

#include "linkcore/PjlinkNotifyListener.h"

#include <unistd.h>

namespace orvane::service {

namespace asio = boost::asio;

NotifyReceiver::NotifyReceiver(asio::io_context& loop, Handler handler) : handler_(std::move(handler)), socket_(loop) {}

NotifyReceiver::~NotifyReceiver() {
    *alive_ = false;
    boost::system::error_code ignored;
    socket_.close(ignored);
}

bool NotifyReceiver::Start(const linkcore::PjlinkSettings& settings, std::string& error) {
    const int fd = linkcore::BindNotifySocket(settings, error);
    if (fd < 0)
        return false;
    boost::system::error_code ec;
    socket_.assign(asio::ip::udp::v4(), fd, ec);
    if (ec) {
        close(fd);
        error = "notifications: " + ec.message();
        return false;
    }
    Receive();
    return true;
}

void NotifyReceiver::Receive() {
    std::weak_ptr<bool> alive = alive_;
    socket_.async_receive_from(asio::buffer(buffer_), from_,
                               [this, alive](const boost::system::error_code& error, std::size_t n) {
                                   const auto live = alive.lock();
                                   if (!live || !*live || error == asio::error::operation_aborted)
                                       return;
                                   if (!error && from_.address().is_v4()) {
                                       const std::string source = from_.address().to_string();
                                       for (const linkcore::PjlinkNotification& notification :
                                            intake_.Take(source, std::string_view(buffer_.data(), n)))
                                           handler_(source, notification);
                                   }
                                   Receive();
                               });
}

} // namespace orvane::service
