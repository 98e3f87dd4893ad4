#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::mqtt {

// The topics of one site: PREFIX/SITE/status, PREFIX/SITE/ROOM/command and /result, and
// PREFIX/SITE/ROOM/SLOT/LEAF for a projector's state and plain values.
class BusTopics {
public:
    BusTopics(std::string prefix, std::string site);

    // A room id as one topic level: '/', '+', '#' and NUL would split or widen a topic and
    // become '_'; an empty id becomes "_".
    static std::string Level(std::string_view id);

    std::string Status() const { return base_ + "status"; }
    std::string Command(std::string_view room) const { return base_ + Level(room) + "/command"; }
    std::string Result(std::string_view room) const { return base_ + Level(room) + "/result"; }
    std::string Projector(std::string_view room, int slot, std::string_view leaf) const;
    // PREFIX/SITE/+/command: what the bridge subscribes to.
    std::string CommandFilter() const { return base_ + "+/command"; }
    // The room level of a command topic of this site, or none for any other topic.
    std::optional<std::string> CommandRoom(std::string_view topic) const;

private:
    std::string base_; // "PREFIX/SITE/"
};

} // namespace orvane::mqtt
