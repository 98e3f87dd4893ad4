#pragma once

#include "mqtt/BusMessages.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace orvane::mqtt {

// What the broker should hold on the bridge's retained topics, and what it was sent since the
// connection began: the messages to send are only those that change a topic. Nothing changes,
// nothing is sent; a new connection (the broker may have restarted and lost everything) sends
// everything again.
class RetainedState {
public:
    // These topics should hold these payloads (an empty one: no retained message). Returns the
    // messages that change what the broker holds; none while not connected.
    std::vector<BusMessage> Want(const std::vector<BusMessage>& messages);
    // The whole set of topics wanted from now on: every topic wanted before and not among them
    // is cleared (a room or an entity that is gone). Returns what to send, as Want does.
    std::vector<BusMessage> Replace(const std::vector<BusMessage>& messages);

    // A connection began: every wanted topic is sent again, and the clears still owed.
    std::vector<BusMessage> Connected();
    void Disconnected();
    // Everything wanted, to send again regardless (a subscriber asked for it).
    std::vector<BusMessage> All();

    std::size_t WantedCount() const { return wanted_.size(); }

private:
    void Record(std::vector<BusMessage>& out, const BusMessage& message);

    bool connected_ = false;
    std::map<std::string, std::string> wanted_; // non-empty payloads only
    std::map<std::string, std::string> sent_;   // on this connection
    std::set<std::string> owedClears_;          // topics given up while not connected
};

} // namespace orvane::mqtt
