#include "service/ServiceConfig.h"

#include "model/ConfigFile.h"
#include "model/OptionFile.h"
#include "platform/PrivateProfile.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace orvane::service {

namespace {

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The private-profile reader keeps no line numbers: the line of the first `key=` in
// `section`, found the same way (names without regard to case, the first one counts).
int LineOf(const std::string& text, std::string_view section, std::string_view key) {
    bool inSection = false;
    int number = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ++number;
        const std::string_view line = Trim(std::string_view(text).substr(start, end - start));
        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos)
                inSection = SameText(line.substr(1, close - 1), section);
        } else if (inSection) {
            const std::size_t eq = line.find('=');
            if (eq != std::string_view::npos && SameText(Trim(line.substr(0, eq)), key))
                return number;
        }
        start = end + 1;
    }
    return 0;
}

// A value without its "; comment".
std::string Value(const PrivateProfile& profile, std::string_view section, std::string_view key) {
    std::string value = profile.GetString(section, key);
    if (const std::size_t semicolon = value.find(';'); semicolon != std::string::npos)
        value.resize(semicolon);
    return std::string(Trim(value));
}

bool ParseNumber(std::string_view text, int min, int max, int& out) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return false;
    out = value;
    return true;
}

using ProblemSink = std::function<void(std::string_view section, std::string_view key, const std::string& what)>;

// The bus's name parts: a topic level each, so no wildcard, separator or NUL in them.
bool IsTopicLevel(std::string_view text) {
    return !text.empty() && text.find_first_of(std::string_view("+#/\0", 4)) == std::string_view::npos;
}

void LoadMqttSection(const PrivateProfile& profile, MqttConfig& mqtt, const ProblemSink& problem) {
    const std::string broker = Value(profile, "MQTT", "Broker");
    if (broker.empty())
        return;
    if (!ParseBrokerUrl(broker, mqtt)) {
        problem("MQTT", "Broker", "\"" + broker + "\" is not mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
        return;
    }
    mqtt.enabled = true;
    mqtt.caFile = Value(profile, "MQTT", "CAFile");
    mqtt.user = Value(profile, "MQTT", "User");
    if (mqtt.tls && mqtt.caFile.empty())
        problem("MQTT", "CAFile", "mqtts:// needs the CA certificate that signed the broker's");
    if (!mqtt.caFile.empty()) {
        if (const FileReadResult probe = ProbeReadable(mqtt.caFile); !probe.ok()) {
            problem("MQTT", "CAFile",
                    probe.missing() ? "cannot read " + mqtt.caFile + ": no such file"
                                    : ReadFailureText(mqtt.caFile, probe));
        }
    }
    if (const std::string file = Value(profile, "MQTT", "PasswordFile"); !file.empty()) {
        struct stat info {};
        std::string text;
        if (stat(file.c_str(), &info) != 0) {
            problem("MQTT", "PasswordFile", "cannot read " + file + ": no such file");
        } else if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
            // Anyone else who can read it can be the service on the bus.
            problem("MQTT", "PasswordFile", file + " must be readable by its owner only (chmod 600)");
        } else if (const FileReadResult read = ReadWholeFile(file, text, kMaxSettingsFileSize); !read.ok()) {
            problem("MQTT", "PasswordFile", ReadFailureText(file, read));
        } else {
            mqtt.password = std::string(Trim(std::string_view(text).substr(0, text.find('\n'))));
        }
    }
    for (auto [key, field] : {std::pair<const char*, std::string*>{"Site", &mqtt.site},
                              std::pair<const char*, std::string*>{"TopicPrefix", &mqtt.topicPrefix}}) {
        if (const std::string value = Value(profile, "MQTT", key); !value.empty())
            *field = value;
        if (!IsTopicLevel(*field))
            problem("MQTT", key, "\"" + *field + "\" is not one topic level (no /, + or #)");
    }
    // An empty Discovery= turns discovery off; a missing one keeps the default.
    const std::vector<std::string> keys = profile.GetSection("MQTT").Keys();
    if (std::any_of(keys.begin(), keys.end(), [](const std::string& k) { return SameText(Trim(k), "Discovery"); }))
        mqtt.discovery = Value(profile, "MQTT", "Discovery");
    if (!mqtt.discovery.empty() && !IsTopicLevel(mqtt.discovery))
        problem("MQTT", "Discovery", "\"" + mqtt.discovery + "\" is not one topic level (no /, + or #)");
}

} // namespace

bool ParseBrokerUrl(std::string_view url, MqttConfig& out) {
    bool tls = false;
    if (url.starts_with("mqtts://")) {
        tls = true;
        url.remove_prefix(8);
    } else if (url.starts_with("mqtt://")) {
        url.remove_prefix(7);
    } else {
        return false;
    }
    if (!url.empty() && url.back() == '/')
        url.remove_suffix(1);
    int port = tls ? 8883 : 1883;
    std::string_view host = url;
    // "[::1]:1883" keeps the colons of its address inside the brackets.
    const std::size_t close = url.rfind(']');
    const std::size_t colon = url.rfind(':');
    if (colon != std::string_view::npos && (close == std::string_view::npos || colon > close)) {
        host = url.substr(0, colon);
        if (!ParseNumber(url.substr(colon + 1), 1, 65535, port))
            return false;
    }
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host.empty() || host.find_first_of("/@ ") != std::string_view::npos)
        return false;
    out.host = std::string(host);
    out.port = static_cast<std::uint16_t>(port);
    out.tls = tls;
    return true;
}

std::string ConfigProblem::Describe() const {
    return file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + text;
}

bool LoadServiceConfig(const std::string& path, ServiceConfig& config, std::vector<ConfigProblem>& problems) {
    const std::size_t before = problems.size();
    std::string text;
    const FileReadResult read = ReadWholeFile(path, text, kMaxSettingsFileSize);
    if (!read.ok()) {
        problems.push_back({path, 0, read.missing() ? "no such file" : read.reason});
        return false;
    }
    const PrivateProfile profile = PrivateProfile::Parse(text);
    auto problem = [&](std::string_view section, std::string_view key, const std::string& what) {
        problems.push_back({path, LineOf(text, section, key), std::string(key) + ": " + what});
    };
    auto number = [&](std::string_view key, int min, int max, int& out) {
        const std::string value = Value(profile, "Service", key);
        if (!value.empty() && !ParseNumber(value, min, max, out)) {
            problem("Service", key,
                    "\"" + value + "\" is not a whole number in " + std::to_string(min) + ".." + std::to_string(max));
        }
    };

    if (const std::string listen = Value(profile, "Service", "Listen"); !listen.empty()) {
        const std::size_t colon = listen.rfind(':');
        int port = 0;
        if (colon == std::string::npos || colon == 0 || !ParseNumber(listen.substr(colon + 1), 0, 65535, port)) {
            problem("Service", "Listen", "\"" + listen + "\" is not HOST:PORT");
        } else {
            config.host = listen.substr(0, colon);
            config.port = static_cast<std::uint16_t>(port);
        }
    }
    number("PollSeconds", 1, 3600, config.pollSeconds);
    number("MaxConnections", 1, 100000, config.maxConnections);
    number("MaxInFlight", 1, 100000, config.maxInFlight);
    config.certificate = Value(profile, "Service", "Certificate");
    config.key = Value(profile, "Service", "Key");
    if (config.certificate.empty() != config.key.empty())
        problem("Service", config.certificate.empty() ? "Key" : "Certificate", "HTTPS needs both Certificate and Key");
    for (const std::string* pem : {&config.certificate, &config.key}) {
        if (pem->empty())
            continue;
        const FileReadResult probe = ProbeReadable(*pem);
        if (probe.missing()) {
            problem("Service", pem == &config.certificate ? "Certificate" : "Key",
                    "cannot read " + *pem + ": no such file");
        } else if (!probe.ok()) {
            problem("Service", pem == &config.certificate ? "Certificate" : "Key", ReadFailureText(*pem, probe));
        }
    }
    if (const std::string folder = Value(profile, "Rooms", "Folder"); !folder.empty())
        config.roomsFolder = folder;
    std::error_code ec;
    if (!std::filesystem::is_directory(config.roomsFolder, ec))
        problem("Rooms", "Folder", "\"" + config.roomsFolder + "\" is not a folder");
    LoadMqttSection(profile, config.mqtt, problem);
    return problems.size() == before;
}

std::vector<RoomFile> LoadRooms(const std::string& folder, std::vector<ConfigProblem>& problems) {
    std::vector<RoomFile> rooms;
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() == ".txt")
            files.push_back(entry.path());
    }
    if (ec) {
        problems.push_back({folder, 0, ec.message()});
        return rooms;
    }
    std::sort(files.begin(), files.end());
    const ModelList noCatalog;
    for (const std::filesystem::path& file : files) {
        RoomFile room{file.stem().string(), file.string(), std::make_unique<CModelInfo2>()};
        OptionValues options;
        FileReadResult read;
        if (ReadConfigFile(room.path, 0, *room.model, noCatalog, options, &read) != ConfigSource::File) {
            problems.push_back({room.path, 0, read.reason.empty() ? "cannot be read" : read.reason});
            continue;
        }
        for (std::int32_t& kind : room.model->PjtKind)
            kind = -1;
        rooms.push_back(std::move(room));
    }
    return rooms;
}

} // namespace orvane::service
