// The bridge end to end: orvaned against pjsim projectors and a Mosquitto broker of the test's
// own, watched and commanded by a client of the test.
#include "support/MosquittoBroker.h"
#include "support/PjsimProcess.h"
#include "support/ServiceProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <sys/stat.h>
#include <thread>

namespace orvane::test {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;

constexpr int kPowerType = 0x6000;

class MqttBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(broker_.Ready()) << broker_.Error();
        ASSERT_TRUE(sim_.Ready()) << sim_.Error();
    }

    // A service folder with orvaned.conf for `site` and rooms of the given pjsim projectors.
    std::unique_ptr<TempDir> Folder(const std::string& site, const std::map<std::string, std::vector<int>>& rooms,
                                    const std::string& extra = {}) const {
        auto dir = std::make_unique<TempDir>();
        mkdir(dir->File("rooms").c_str(), 0700);
        dir->Write("orvaned.conf", ServiceProcess::ConfigText(1, broker_.MqttSection(site, extra)));
        for (const auto& [id, projectors] : rooms) {
            std::vector<RoomProjector> list;
            for (const int n : projectors)
                list.push_back({sim_.Address(n), "pj-" + std::to_string(n) + "-secret"});
            dir->Write("rooms/" + id + ".txt", ServiceProcess::RoomText(list));
        }
        return dir;
    }

    static bool IsJsonWith(const std::string& payload, const char* key) {
        const Json j = Json::parse(payload, nullptr, false);
        return j.is_object() && j.contains(key);
    }

    bool PowerOnReached(int projector) const {
        for (const PjsimRequest& r : sim_.Requests()) {
            if (r.projector == projector && r.type == kPowerType && r.action == 1 && r.setting == 1)
                return true;
        }
        return false;
    }

    MosquittoBroker broker_;
    PjsimProcess sim_{{PjsimProcess::Tcp("power=off"), PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off")}};
};

TEST_F(MqttBridgeTest, PublishesRetainedStateOnlyOnChangeAndAnswersCommands) {
    const auto dir = Folder("main", {{"hall", {1, 2}}});
    ServiceProcess service(dir->File("orvaned.conf"));
    ASSERT_TRUE(service.Ready()) << service.Error();
    MqttProbe probe(broker_.Port(), {"orvane/#"});
    ASSERT_TRUE(probe.WaitSubscribed());
    ASSERT_TRUE(probe.WaitFor("orvane/main/hall/2/power", [](const std::string& p) { return p == "on"; }));
    ASSERT_TRUE(probe.WaitFor("orvane/main/hall/1/power", [](const std::string& p) { return p == "off"; }));
    probe.WaitQuiet(300ms);
    std::map<std::string, std::string> latest = probe.Latest();
    EXPECT_EQ(latest["orvane/main/status"], "online");
    EXPECT_EQ(latest["orvane/main/hall/1/reachable"], "true");
    const Json state = Json::parse(latest["orvane/main/hall/1/state"]);
    EXPECT_EQ(state["address"], sim_.Address(1));
    EXPECT_FALSE(state.contains("last_seen"));
    EXPECT_EQ(latest.count("orvane/main/hall/1/lamp_hours"), 0U); // not told by this projector

    // Polled twice more with nothing changed: nothing is sent.
    probe.Clear();
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(probe.Messages().empty()) << probe.Messages().front().topic;

    const struct {
        const char* command;
        const char* key; // what the result holds
    } commands[] = {{R"({"command": "power_on"})", "results"},
                    {R"({"command": "power_o)", "error"},
                    {R"({"command": "self_destruct"})", "error"},
                    {R"({"command": "input", "input": "Laserdisc"})", "error"}};
    std::string last;
    for (const auto& c : commands) {
        probe.Publish("orvane/main/hall/command", c.command);
        // Every answer differs from the one before.
        const auto result = probe.WaitFor("orvane/main/hall/result", [&](const std::string& p) { return p != last; });
        ASSERT_TRUE(result) << c.command;
        EXPECT_TRUE(IsJsonWith(*result, c.key)) << c.command << " -> " << *result;
        last = *result;
    }
    EXPECT_TRUE(PowerOnReached(1));
    EXPECT_TRUE(probe.WaitFor("orvane/main/hall/1/power", [](const std::string& p) { return p == "on"; }));
    for (const BusMessageSeen& m : probe.Messages()) {
        EXPECT_EQ(m.payload.find("secret"), std::string::npos) << m.topic;
        EXPECT_FALSE(m.topic.ends_with("/result") && m.retained);
    }
    EXPECT_EQ(service.Stop(), 0);
    EXPECT_TRUE(probe.WaitFor("orvane/main/status", [](const std::string& p) { return p == "offline"; }));
}

TEST_F(MqttBridgeTest, DiscoversRoomsRemovesGoneOnesAndAnswersHomeAssistantsRestart) {
    const auto dir = Folder("main", {{"hall", {1}}, {"lab", {2, 3}}});
    ServiceProcess service(dir->File("orvaned.conf"));
    ASSERT_TRUE(service.Ready()) << service.Error();
    MqttProbe probe(broker_.Port(), {"homeassistant/#"});
    ASSERT_TRUE(probe.WaitSubscribed());
    const std::string labReachable = "homeassistant/binary_sensor/orvane_main_lab/p2_reachable/config";
    ASSERT_TRUE(probe.WaitFor(labReachable));
    probe.WaitQuiet(300ms);
    std::size_t hallConfigs = 0, labConfigs = 0;
    for (const auto& [topic, payload] : probe.Latest()) {
        const Json config = Json::parse(payload);
        EXPECT_EQ(config["availability_topic"], "orvane/main/status") << topic;
        (topic.find("orvane_main_hall") != std::string::npos ? hallConfigs : labConfigs)++;
    }
    EXPECT_GE(hallConfigs, 3U + 4U);        // power, blank, mute ... and four of its projector
    EXPECT_EQ(labConfigs, hallConfigs + 4); // one projector more

    ASSERT_EQ(unlink(dir->File("rooms/lab.txt").c_str()), 0);
    service.Signal(SIGHUP);
    ASSERT_TRUE(probe.WaitFor(labReachable, [](const std::string& p) { return p.empty(); }));
    probe.WaitQuiet(300ms);
    for (const auto& [topic, payload] : probe.Latest())
        EXPECT_EQ(payload.empty(), topic.find("orvane_main_lab") != std::string::npos) << topic;

    probe.Clear();
    probe.Publish("homeassistant/status", "online");
    ASSERT_TRUE(probe.WaitFor("homeassistant/switch/orvane_main_hall/power/config"));
    probe.WaitQuiet(300ms);
    std::size_t again = 0;
    for (const BusMessageSeen& m : probe.Messages())
        again += m.topic.ends_with("/config") && m.topic.find("orvane_main_hall") != std::string::npos ? 1 : 0;
    EXPECT_EQ(again, hallConfigs);
}

TEST_F(MqttBridgeTest, TwoSitesOnOneBrokerShareNothingButTheBus) {
    const auto a = Folder("a", {{"hall", {1}}});
    const auto b = Folder("b", {{"hall", {3}}});
    ServiceProcess siteA(a->File("orvaned.conf"));
    ServiceProcess siteB(b->File("orvaned.conf"));
    ASSERT_TRUE(siteA.Ready()) << siteA.Error();
    ASSERT_TRUE(siteB.Ready()) << siteB.Error();
    MqttProbe probe(broker_.Port(), {"orvane/#"});
    ASSERT_TRUE(probe.WaitSubscribed());
    ASSERT_TRUE(probe.WaitFor("orvane/a/status", [](const std::string& p) { return p == "online"; }));
    ASSERT_TRUE(probe.WaitFor("orvane/b/status", [](const std::string& p) { return p == "online"; }));
    probe.Publish("orvane/a/hall/command", R"({"command": "power_on"})");
    ASSERT_TRUE(probe.WaitFor("orvane/a/hall/result"));
    EXPECT_TRUE(PowerOnReached(1));
    EXPECT_FALSE(PowerOnReached(3));
    EXPECT_FALSE(probe.WaitFor("orvane/b/hall/result", 300ms));
}

TEST_F(MqttBridgeTest, WaitsForALateBrokerAndSendsEverythingAgainAfterARestart) {
    broker_.Stop();
    const auto dir = Folder("main", {{"hall", {1}}});
    ServiceProcess service(dir->File("orvaned.conf"));
    ASSERT_TRUE(service.Ready()) << service.Error();
    EXPECT_EQ(Curl({service.Url() + "/healthz"}).body, "ok");
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(broker_.Start());
    {
        MqttProbe probe(broker_.Port(), {"orvane/#"});
        ASSERT_TRUE(probe.WaitSubscribed());
        EXPECT_TRUE(probe.WaitFor(
            "orvane/main/status", [](const std::string& p) { return p == "online"; }, 10s));
    }
    broker_.Stop();
    ASSERT_TRUE(broker_.Start());
    MqttProbe probe(broker_.Port(), {"#"});
    ASSERT_TRUE(probe.WaitSubscribed());
    // The retained messages were lost with the broker: all of them are back within 5 s.
    EXPECT_TRUE(probe.WaitFor(
        "orvane/main/status", [](const std::string& p) { return p == "online"; }, 5s));
    EXPECT_TRUE(probe.WaitFor("orvane/main/hall/1/state", 1s));
    EXPECT_TRUE(probe.WaitFor("homeassistant/sensor/orvane_main_hall/p1_power/config", 1s));
}

TEST_F(MqttBridgeTest, AKilledServiceIsOfflineByItsLastWill) {
    const auto dir = Folder("main", {{"hall", {1}}});
    ServiceProcess service(dir->File("orvaned.conf"));
    ASSERT_TRUE(service.Ready()) << service.Error();
    MqttProbe probe(broker_.Port(), {"orvane/main/status"});
    ASSERT_TRUE(probe.WaitSubscribed());
    ASSERT_TRUE(probe.WaitFor("orvane/main/status", [](const std::string& p) { return p == "online"; }));
    service.Kill();
    EXPECT_TRUE(probe.WaitFor("orvane/main/status", [](const std::string& p) { return p == "offline"; }));
}

TEST(MqttBridgeTls, LogsInOverTlsWithAPasswordThatNeverReachesTheBus) {
    MosquittoBroker broker({.tls = true, .users = {{"orvane", "bus-s3cret"}, {"probe", "probe-pw"}}});
    ASSERT_TRUE(broker.Ready()) << broker.Error();
    PjsimProcess sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    TempDir dir;
    mkdir(dir.File("rooms").c_str(), 0700);
    dir.Write("bus-password", "bus-s3cret\n");
    chmod(dir.File("bus-password").c_str(), 0600);
    dir.Write("orvaned.conf",
              ServiceProcess::ConfigText(1, broker.MqttSection("main", "User=orvane\nPasswordFile=bus-password\n")));
    dir.Write("rooms/hall.txt", ServiceProcess::RoomText({{sim.Address(1), "pj-secret"}}));
    ServiceProcess service(dir.File("orvaned.conf"));
    ASSERT_TRUE(service.Ready()) << service.Error();
    MqttProbe probe(broker.Port(), {"#"}, {.caFile = broker.CaFile(), .user = "probe", .password = "probe-pw"});
    ASSERT_TRUE(probe.WaitSubscribed());
    ASSERT_TRUE(probe.WaitFor("orvane/main/hall/1/power", [](const std::string& p) { return p == "on"; }))
        << service.Log();
    for (const BusMessageSeen& m : probe.Messages()) {
        EXPECT_EQ(m.payload.find("s3cret"), std::string::npos) << m.topic;
        EXPECT_EQ(m.payload.find("secret"), std::string::npos) << m.topic;
    }
}

} // namespace
} // namespace orvane::test
