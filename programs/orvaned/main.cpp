// orvaned: every room's projectors on the network. One event loop carries the polls, the
// commands and the HTTP API; the working directory is the folder of orvaned.conf.

#include "catalog/MessageCatalog.h"
#include "http/HttpServer.h"
#include "mqtt/MqttBridge.h"
#include "service/LinkExchange.h"
#include "service/ServiceConfig.h"
#include "service/ServiceCore.h"
#include "web/WebRemote.h"

#include <CLI/CLI.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

namespace asio = boost::asio;
using orvane::service::ConfigProblem;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitConfig = 2;

void Log(const std::string& message) {
    std::cerr << "orvaned: " << message << std::endl;
}

// The rooms of the folder; every room file that cannot be read is told and left out.
std::vector<orvane::service::RoomFile> ReadRooms(const orvane::service::ServiceConfig& config) {
    std::vector<ConfigProblem> problems;
    std::vector<orvane::service::RoomFile> rooms = orvane::service::LoadRooms(config.roomsFolder, problems);
    for (const ConfigProblem& p : problems)
        Log("room left out: " + p.Describe());
    return rooms;
}

int Check(const std::string& configName) {
    orvane::service::ServiceConfig config;
    std::vector<ConfigProblem> problems;
    // The rooms are checked too when the file has other problems, as long as their folder is there.
    (void)orvane::service::LoadServiceConfig(configName, config, problems);
    std::error_code ec;
    if (std::filesystem::is_directory(config.roomsFolder, ec))
        orvane::service::LoadRooms(config.roomsFolder, problems);
    for (const ConfigProblem& p : problems)
        std::cout << p.Describe() << '\n';
    std::cout.flush();
    return problems.empty() ? kExitOk : kExitConfig;
}

int Run(int argc, char** argv) {
    CLI::App app{"Orvane service: every room's projectors on the network", "orvaned"};
    std::string configPath = orvane::service::ServiceConfig::kFileName;
    bool check = false;
    app.add_option("--config", configPath, "The service's configuration (its folder is the working directory)")
        ->type_name("FILE");
    app.add_flag("--check", check, "Check the configuration and every room file, then exit (2: problems found)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::Error& e) {
        Log(e.what());
        return kExitConfig;
    }

    // LinkCore.conf, the rooms and the catalogs are found from the configuration's folder,
    // as the other programs find them from theirs.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(configPath, ec);
    const std::filesystem::path folder = absolute.parent_path();
    if (ec || chdir(folder.c_str()) != 0) {
        Log("cannot change to the folder of " + configPath);
        return kExitConfig;
    }
    const std::string configName = absolute.filename().string();
    if (check)
        return Check(configName);

    orvane::service::ServiceConfig config;
    std::vector<ConfigProblem> problems;
    if (!orvane::service::LoadServiceConfig(configName, config, problems)) {
        for (const ConfigProblem& p : problems)
            Log(p.Describe());
        return kExitConfig;
    }
    orvane::OpenCatalog();

    asio::io_context loop(1);
    orvane::service::ServiceCore::Options options;
    options.pollInterval = std::chrono::seconds(config.pollSeconds);
    options.maxInFlight = config.maxInFlight;
    orvane::service::ServiceCore core(loop, options, orvane::service::LinkConfig::Load());
    core.SetRooms(ReadRooms(config));
    if (std::string why; !core.HearNotifications(why))
        Log("no PJLink notifications: " + why);

    orvane::http::HttpSettings http;
    http.host = config.host;
    http.port = config.port;
    http.certificate = config.certificate;
    http.key = config.key;
    http.maxConnections = config.maxConnections;
    http.tokenFile = folder / orvane::service::ServiceConfig::kTokenFile;
    // The web remote's catalogs are read here, after the change to the configuration's folder.
    http.publicContent = std::make_shared<orvane::web::WebRemote>();
    orvane::http::HttpServer server(loop, core, http);
    std::unique_ptr<orvane::mqtt::MqttBridge> bridge;
    if (config.mqtt.enabled)
        bridge = std::make_unique<orvane::mqtt::MqttBridge>(loop, core, config.mqtt);

    // The signals are the loop's before anyone can know the service is up. SIGPIPE would end
    // it on a client that went away mid-answer.
    std::signal(SIGPIPE, SIG_IGN);
    asio::signal_set stop(loop, SIGTERM, SIGINT);
    asio::signal_set reload(loop, SIGHUP);
    asio::steady_timer grace(loop);
    stop.async_wait([&](const boost::system::error_code& e, int /*signal*/) {
        if (e)
            return;
        server.Stop();
        if (bridge)
            bridge->Stop();
        core.Stop();
        reload.cancel();
        // Answers and closes already under way get a moment to go out; exchanges with
        // projectors are abandoned.
        grace.expires_after(std::chrono::milliseconds(200));
        grace.async_wait([&loop](const boost::system::error_code&) { loop.stop(); });
    });
    std::function<void()> waitForReload = [&] {
        reload.async_wait([&](const boost::system::error_code& e, int /*signal*/) {
            if (e)
                return;
            core.SetLink(orvane::service::LinkConfig::Load());
            core.SetRooms(ReadRooms(config));
            if (bridge)
                bridge->RoomsChanged();
            server.ReloadTokens();
            Log("rooms, LinkCore.conf and tokens read again");
            waitForReload();
        });
    };
    waitForReload();

    std::string error;
    if (!server.Start(error)) {
        Log(error);
        return kExitFailed;
    }
    // A broker that is not there yet does not keep the rooms off HTTP: the bridge keeps trying.
    if (bridge && !bridge->Start(error)) {
        Log(error);
        return kExitFailed;
    }
    std::cout << "LISTENING " << server.Url() << '\n' << "READY" << std::endl;
    loop.run();
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    // Boost and the standard library may throw; nothing of theirs must end the service unsaid.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        Log(std::string("stopped: ") + e.what());
    } catch (...) {
        Log("stopped by an unknown exception");
    }
    return kExitFailed;
}
