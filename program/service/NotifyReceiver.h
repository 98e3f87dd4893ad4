#pragma once

#include "linkcore/PjlinkNotification.h"
#include "linkcore/PjlinkSettings.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvane::service {

// Hears the class 2 notifications of the PJLink projectors in use on the service's loop: the
// socket only carries the datagrams, NotificationIntake decides whom they are taken from and
// what they say, and the handler runs on the loop like every other callback of the core.
class NotifyReceiver {
public:
    using Handler = std::function<void(const std::string& source, const linkcore::PjlinkNotification&)>;

    NotifyReceiver(boost::asio::io_context& loop, Handler handler);
    ~NotifyReceiver();
    NotifyReceiver(const NotifyReceiver&) = delete;
    NotifyReceiver& operator=(const NotifyReceiver&) = delete;

    // Binds where `settings` say; false with the reason in `error`.
    [[nodiscard]] bool Start(const linkcore::PjlinkSettings& settings, std::string& error);
    void SetSources(std::vector<std::string> addresses) { intake_.SetSources(std::move(addresses)); }

private:
    void Receive();

    Handler handler_;
    boost::asio::ip::udp::socket socket_;
    boost::asio::ip::udp::endpoint from_;
    std::array<char, 512> buffer_{};
    linkcore::NotificationIntake intake_;
    // Completions after the receiver is gone do nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace orvane::service
