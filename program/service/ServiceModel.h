#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::service {

// The answer to one command request: the HTTP status it deserves and its JSON body (the
// command answer, or {"error": "..."}).
struct CommandOutcome {
    int status = 200; // 200 all accepted, 502 one failed, 400 bad command/input/value, 404 unknown room
    nlohmann::json body;
};

// One server-sent event: "projector" (data: {"room": ID, ...PROJECTOR}) or "command"
// (data: {"room": ID, ...command answer}).
struct ServiceEvent {
    std::string name;
    nlohmann::json data;
};

// What the network side asks of the service's core: the rooms' state, commands, the change
// events and the core's metrics. The core and the network side share one event loop, so
// every call and every callback runs on that loop's thread and nothing here locks.
class IServiceModel {
public:
    using Subscription = std::uint64_t;
    using Listener = std::function<void(const ServiceEvent&)>;
    using CommandDone = std::function<void(CommandOutcome)>;

    IServiceModel() = default;
    virtual ~IServiceModel() = default;
    IServiceModel(const IServiceModel&) = delete;
    IServiceModel& operator=(const IServiceModel&) = delete;

    // {"rooms": [ROOM, ...]} from the state the polls keep; never waits on a projector.
    virtual nlohmann::json Rooms() const = 0;
    // One ROOM, or none for an unknown id.
    virtual std::optional<nlohmann::json> Room(std::string_view id) const = 0;
    // The same ROOM as the JSON text an answer carries. A core that keeps the text between
    // changes answers a busy dashboard without building the document for every request.
    virtual std::optional<std::string> RoomText(std::string_view id) const {
        std::optional<nlohmann::json> room = Room(id);
        if (!room)
            return std::nullopt;
        return room->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    // Checks a command body (already parsed JSON) and runs it. `done` is called exactly once,
    // possibly before RunCommand returns (a refused body), otherwise from the loop when the
    // last projector has answered. The caller may have gone by then: `done` must not assume it.
    // Nothing but the caller keeps a request alive meanwhile: a connection that wants the
    // answer must hold itself (not only a weak pointer to itself) in `done`, or it is gone
    // before the projectors have answered and its client gets no reply at all.
    virtual void RunCommand(std::string_view roomId, const nlohmann::json& body, CommandDone done) = 0;
    // The current state of every projector as "projector" events, for a new event stream.
    virtual std::vector<ServiceEvent> CurrentState() const = 0;
    // Every later change (a field other than last_seen) and every command answer.
    virtual Subscription Subscribe(Listener listener) = 0;
    virtual void Unsubscribe(Subscription subscription) = 0;
    // The core's metrics in the Prometheus text format (projectors, polls, commands).
    virtual std::string Metrics() const = 0;
};

} // namespace orvane::service
