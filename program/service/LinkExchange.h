#pragma once

#include "linkcore/LinkSettings.h"
#include "linkcore/PjlinkSettings.h"
#include "linkcore/Session.h"

#include <boost/asio/io_context.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvane::service {

// How one projector is reached, copied out of its room's record.
struct Endpoint {
    int method = 0; // 1 network, else RS-232C
    int comNo = 0;
    int port = 0;
    std::string ip;
    std::string password;
    bool pjlink = false; // a network slot on a port LinkCore.conf gives to PJLink

    // "10.0.0.5:23" or "com1".
    std::string Address() const;
};

// One operation on a connection: a request of ours (translated on a PJLink line), or a
// PJLink command of its own (PJLink lines only).
struct LinkOp {
    linkcore::Request request{};
    bool pjlinkCommand = false;
    std::string name;  // four characters, e.g. "LAMP"
    std::string param; // "?" for a query
    // The command's class: '1', '2', or 0 for the projector's own, as the session learnt it
    // opening the connection or from an earlier %1CLSS answer on it (class 1 while unknown).
    char pjlinkClass = '1';
    // Sent only when the operation before it was refused (0x15), as the adjustment
    // dialog reads back the value a projector kept.
    bool onlyAfterRefusal = false;
};

struct LinkOpResult {
    bool answered = false;
    linkcore::RequestResult reply; // a request of ours
    std::string value;             // a PJLink command's answer text
};

struct ExchangeOutcome {
    bool opened = false; // the connection (and its handshake) worked
    std::vector<LinkOpResult> results;
};

// LinkCore.conf as the exchanges use it, read once and shared by every exchange under way.
struct LinkConfig {
    linkcore::LinkSettings link;
    linkcore::PjlinkSettings pjlink;

    static std::shared_ptr<const LinkConfig> Load();
};

using ExchangeDone = std::function<void(ExchangeOutcome)>;

// Opens one connection to a projector on the loop (a non-blocking TCP socket, or the serial
// line as a stream descriptor), runs the operations on it one after the other through the
// projector's link session, closes it and calls `done` once, from the loop. The session
// decides every time-out; a loop timer only wakes it at its deadline. Operations after one
// that failed on a stream that cannot be trusted again stay unanswered.
void RunExchange(boost::asio::io_context& loop, const Endpoint& endpoint, std::shared_ptr<const LinkConfig> config,
                 std::vector<LinkOp> ops, ExchangeDone done);

} // namespace orvane::service
