#include "mqtt/BusTopics.h"

namespace orvane::mqtt {

BusTopics::BusTopics(std::string prefix, std::string site) : base_(std::move(prefix) + "/" + std::move(site) + "/") {}

std::string BusTopics::Level(std::string_view id) {
    if (id.empty())
        return "_";
    std::string out(id);
    for (char& c : out) {
        if (c == '/' || c == '+' || c == '#' || c == '\0')
            c = '_';
    }
    return out;
}

std::string BusTopics::Projector(std::string_view room, int slot, std::string_view leaf) const {
    return base_ + Level(room) + "/" + std::to_string(slot) + "/" + std::string(leaf);
}

std::optional<std::string> BusTopics::CommandRoom(std::string_view topic) const {
    constexpr std::string_view kSuffix = "/command";
    if (!topic.starts_with(base_) || !topic.ends_with(kSuffix) || topic.size() <= base_.size() + kSuffix.size())
        return std::nullopt;
    const std::string_view room = topic.substr(base_.size(), topic.size() - base_.size() - kSuffix.size());
    if (room.find('/') != std::string_view::npos)
        return std::nullopt;
    return std::string(room);
}

} // namespace orvane::mqtt
