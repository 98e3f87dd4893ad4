#pragma once

#include "mqtt/BusTopics.h"
#include "mqtt/DiscoveryConfigs.h"
#include "mqtt/MqttClient.h"
#include "mqtt/RetainedState.h"
#include "service/ServiceConfig.h"
#include "service/ServiceModel.h"

#include <boost/asio/io_context.hpp>

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace orvane::mqtt {

// The rooms on a message bus: every projector's state and plain values as retained messages
// (sent when they change, and all again on every new connection), commands taken from
// PREFIX/SITE/ROOM/command and answered on .../result, PREFIX/SITE/status "online" (the last
// will says "offline"), and Home Assistant's discovery of every room. It reads and commands
// the service through the same model the HTTP API uses, on the same event loop.
class MqttBridge {
public:
    MqttBridge(boost::asio::io_context& loop, service::IServiceModel& model, const service::MqttConfig& config);
    ~MqttBridge();
    MqttBridge(const MqttBridge&) = delete;
    MqttBridge& operator=(const MqttBridge&) = delete;

    // Starts watching the model and reaching for the broker; a broker that is not there is
    // tried again and again, so only settings the library refuses are an error.
    [[nodiscard]] bool Start(std::string& error);
    // The rooms were read again: new ones appear, and rooms and entities that are gone get
    // empty retained messages (Home Assistant then removes them).
    void RoomsChanged();
    // "offline" on the status topic, then the connection ends.
    void Stop();

private:
    void Connected();
    void Message(const std::string& topic, const std::string& payload);
    void Command(const std::string& level, const std::string& payload);
    void Changed(const service::ServiceEvent& event);
    void Send(const std::vector<BusMessage>& messages);

    service::IServiceModel& model_;
    service::MqttConfig config_;
    BusTopics topics_;
    std::optional<DiscoveryConfigs> discovery_;
    RetainedState retained_;
    MqttClient client_;
    std::optional<service::IServiceModel::Subscription> subscription_;
    std::map<std::string, std::string> roomOfLevel_; // topic level -> room id
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace orvane::mqtt
