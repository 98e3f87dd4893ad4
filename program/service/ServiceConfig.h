#pragma once

#include "model/ModelInfo2.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::service {

// orvaned.conf:
//
//   [Service]
//   Listen=127.0.0.1:8740   ; HOST:PORT, port 0 picks a free one
//   PollSeconds=5
//   Certificate=            ; PEM files: when both are set, HTTPS only
//   Key=
//   MaxConnections=256
//   MaxInFlight=64          ; projector exchanges under way at once
//   [Rooms]
//   Folder=rooms            ; every *.txt there is a room
//   [MQTT]                  ; no Broker: no bridge
//   Broker=mqtt://127.0.0.1:1883   ; mqtts:// with CAFile= for TLS
//   CAFile=
//   User=
//   PasswordFile=           ; readable by its owner only
//   Site=main
//   TopicPrefix=orvane
//   Discovery=homeassistant ; empty turns discovery off
//
// Relative paths are taken from the folder of the file, which is the service's working
// directory.

// The [MQTT] section; the bridge that reads it lives above the service.
struct MqttConfig {
    bool enabled = false; // a Broker is set
    std::string host;
    std::uint16_t port = 1883;
    bool tls = false;
    std::string caFile;
    std::string user;
    std::string password; // the first line of PasswordFile
    std::string site = "main";
    std::string topicPrefix = "orvane";
    std::string discovery = "homeassistant";
};

struct ServiceConfig {
    static constexpr const char* kFileName = "orvaned.conf";
    static constexpr const char* kTokenFile = "orvaned-tokens.txt";

    std::string host = "127.0.0.1";
    std::uint16_t port = 8740;
    int pollSeconds = 5;
    std::string certificate;
    std::string key;
    int maxConnections = 256;
    int maxInFlight = 64;
    std::string roomsFolder = "rooms";
    MqttConfig mqtt;
};

// "mqtt://HOST[:PORT]" (1883) or "mqtts://HOST[:PORT]" (8883) into `out`; false for anything else.
[[nodiscard]] bool ParseBrokerUrl(std::string_view url, MqttConfig& out);

// "FILE:LINE: what" or "FILE: what", as --check prints it.
struct ConfigProblem {
    std::string file;
    int line = 0; // 0: the problem has no line
    std::string text;

    std::string Describe() const;
};

// Reads orvaned.conf. A missing file, or a value that is not what its key takes, is a problem;
// a missing key keeps the default. False when there is a problem.
[[nodiscard]] bool LoadServiceConfig(const std::string& path, ServiceConfig& config,
                                     std::vector<ConfigProblem>& problems);

// One room: a configuration file of the toolbar, its id the file name without ".txt".
struct RoomFile {
    std::string id;
    std::string path;
    std::unique_ptr<CModelInfo2> model;
};

// Every *.txt of the folder, by id, read by the toolbar's configuration reader. A file that
// cannot be read is a problem and is left out; the others are read all the same.
std::vector<RoomFile> LoadRooms(const std::string& folder, std::vector<ConfigProblem>& problems);

} // namespace orvane::service
