#include "mqtt/MqttBridge.h"

#include <iostream>

namespace orvane::mqtt {

namespace {

MqttClient::Options ClientOptions(const service::MqttConfig& config, const BusTopics& topics) {
    MqttClient::Options o;
    o.host = config.host;
    o.port = config.port;
    o.tls = config.tls;
    o.caFile = config.caFile;
    o.user = config.user;
    o.password = config.password;
    // One session per site: two services of one site on one broker would take it from each other.
    o.clientId = "orvaned-" + config.topicPrefix + "-" + config.site;
    o.willTopic = topics.Status();
    o.willPayload = "offline";
    return o;
}

void Log(const std::string& text) {
    std::cerr << "orvaned: MQTT: " << text << std::endl;
}

} // namespace

MqttBridge::MqttBridge(boost::asio::io_context& loop, service::IServiceModel& model, const service::MqttConfig& config)
    : model_(model), config_(config), topics_(config.topicPrefix, config.site),
      client_(loop, ClientOptions(config, topics_),
              {[this] { Connected(); }, [this] { retained_.Disconnected(); },
               [this](const std::string& topic, const std::string& payload) { Message(topic, payload); }, &Log}) {
    if (!config.discovery.empty())
        discovery_.emplace(config.discovery, config.site, topics_, DiscoveryNames::FromCatalog());
}

MqttBridge::~MqttBridge() {
    *alive_ = false;
    if (subscription_)
        model_.Unsubscribe(*subscription_);
}

bool MqttBridge::Start(std::string& error) {
    subscription_ = model_.Subscribe([this](const service::ServiceEvent& event) { Changed(event); });
    RoomsChanged();
    return client_.Start(error);
}

void MqttBridge::RoomsChanged() {
    std::vector<BusMessage> all;
    roomOfLevel_.clear();
    const nlohmann::json rooms = model_.Rooms();
    for (const nlohmann::json& room : rooms["rooms"]) {
        const std::string id = room.value("id", "");
        roomOfLevel_[BusTopics::Level(id)] = id;
        for (const nlohmann::json& projector : room["projectors"]) {
            for (BusMessage& m : ProjectorMessages(topics_, id, projector))
                all.push_back(std::move(m));
        }
        if (discovery_) {
            for (BusMessage& m : discovery_->Room(DiscoveryRoom::FromJson(room)))
                all.push_back(std::move(m));
        }
    }
    Send(retained_.Replace(all));
}

void MqttBridge::Stop() {
    client_.Publish(topics_.Status(), "offline", true);
    client_.Stop();
}

void MqttBridge::Send(const std::vector<BusMessage>& messages) {
    for (const BusMessage& m : messages)
        client_.Publish(m.topic, m.payload, true);
}

void MqttBridge::Connected() {
    client_.Publish(topics_.Status(), "online", true);
    client_.Subscribe(topics_.CommandFilter());
    if (discovery_)
        client_.Subscribe(discovery_->StatusTopic());
    Send(retained_.Connected());
}

void MqttBridge::Changed(const service::ServiceEvent& event) {
    if (event.name != "projector")
        return;
    Send(retained_.Want(ProjectorMessages(topics_, event.data.value("room", ""), event.data)));
}

void MqttBridge::Message(const std::string& topic, const std::string& payload) {
    if (discovery_ && topic == discovery_->StatusTopic()) {
        // Home Assistant started again and may have lost what it knew.
        if (payload == "online")
            Send(retained_.All());
        return;
    }
    if (const std::optional<std::string> level = topics_.CommandRoom(topic))
        Command(*level, payload);
}

void MqttBridge::Command(const std::string& level, const std::string& payload) {
    const std::string resultTopic = topics_.Result(level);
    nlohmann::json body;
    std::string error;
    if (!ParseCommandPayload(payload, body, error)) {
        client_.Publish(resultTopic, ErrorResult(error), false);
        return;
    }
    const auto room = roomOfLevel_.find(level);
    std::weak_ptr<bool> alive = alive_;
    model_.RunCommand(room == roomOfLevel_.end() ? level : room->second, body,
                      [this, alive, resultTopic](const service::CommandOutcome& outcome) {
                          const auto live = alive.lock();
                          if (!live || !*live)
                              return;
                          client_.Publish(resultTopic, JsonText(outcome.body), false);
                      });
}

} // namespace orvane::mqtt
