#include "mqtt/RetainedState.h"

namespace orvane::mqtt {

void RetainedState::Record(std::vector<BusMessage>& out, const BusMessage& message) {
    if (!connected_)
        return;
    const auto sent = sent_.find(message.topic);
    if (message.payload.empty()) {
        // A value never told is not published; one told before is taken back.
        if (sent == sent_.end())
            return;
        sent_.erase(sent);
    } else if (sent != sent_.end() && sent->second == message.payload) {
        return;
    } else {
        sent_[message.topic] = message.payload;
    }
    out.push_back(message);
}

std::vector<BusMessage> RetainedState::Want(const std::vector<BusMessage>& messages) {
    std::vector<BusMessage> out;
    for (const BusMessage& m : messages) {
        if (m.payload.empty()) {
            // What the broker may still hold from an earlier connection is taken back on the next.
            if (wanted_.erase(m.topic) > 0 && !connected_)
                owedClears_.insert(m.topic);
        } else {
            wanted_[m.topic] = m.payload;
            owedClears_.erase(m.topic);
        }
        Record(out, m);
    }
    return out;
}

std::vector<BusMessage> RetainedState::Replace(const std::vector<BusMessage>& messages) {
    std::set<std::string> keep;
    for (const BusMessage& m : messages)
        keep.insert(m.topic);
    std::vector<BusMessage> gone;
    for (const auto& [topic, payload] : wanted_) {
        if (keep.count(topic) == 0)
            gone.push_back({topic, ""});
    }
    std::vector<BusMessage> out = Want(gone);
    for (BusMessage& m : Want(messages))
        out.push_back(std::move(m));
    return out;
}

std::vector<BusMessage> RetainedState::Connected() {
    connected_ = true;
    sent_.clear();
    std::vector<BusMessage> out;
    for (const std::string& topic : owedClears_)
        out.push_back({topic, ""});
    owedClears_.clear();
    for (const auto& [topic, payload] : wanted_)
        Record(out, {topic, payload});
    return out;
}

void RetainedState::Disconnected() {
    connected_ = false;
    sent_.clear();
}

std::vector<BusMessage> RetainedState::All() {
    std::vector<BusMessage> out;
    out.reserve(wanted_.size());
    for (const auto& [topic, payload] : wanted_)
        out.push_back({topic, payload});
    return out;
}

} // namespace orvane::mqtt
