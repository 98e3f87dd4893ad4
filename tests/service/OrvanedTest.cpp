// orvaned end to end: the real program against pjsim, asked through curl.

#include "catalog/MessageCatalog.h"
#include "linkcore/PjtInterface.h"
#include "support/PjsimProcess.h"
#include "support/RunProgram.h"
#include "support/ServiceProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <future>
#include <sys/stat.h>
#include <thread>

namespace orvane::test {
namespace {

using namespace std::chrono_literals;

class OrvanedTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(mkdir(dir_.File("rooms").c_str(), 0700), 0); }

    void Room(const std::string& id, const std::vector<RoomProjector>& projectors) const {
        dir_.Write("rooms/" + id + ".txt", ServiceProcess::RoomText(projectors));
    }

    // A GET of the service's JSON, once the answer satisfies `done` (the polls take their time).
    nlohmann::json GetUntil(const ServiceProcess& service, const std::string& path,
                            const std::function<bool(const nlohmann::json&)>& done) const {
        nlohmann::json last;
        for (int i = 0; i < 100; ++i) {
            const CurlResult r = Curl({service.Url() + path});
            if (r.status == 200) {
                last = nlohmann::json::parse(r.body, nullptr, false);
                if (done(last))
                    return last;
            }
            std::this_thread::sleep_for(50ms);
        }
        return last;
    }

    static CurlResult Post(const ServiceProcess& service, const std::string& room, const std::string& body) {
        return Curl({"-X", "POST", "-H", "Content-Type: application/json", "-d", body,
                     service.Url() + "/api/v1/rooms/" + room + "/commands"});
    }

    TempDir dir_;
};

TEST_F(OrvanedTest, ServesRoomsCommandsAndEventsAndEndsCleanly) {
    PjsimProcess sim({PjsimProcess::Tcp("power=off"), PjsimProcess::Tcp("power=on"),
                      PjsimProcess::Pjlink("class=2,power=on,name=Stage")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("orvaned.conf", ServiceProcess::ConfigText(1));
    dir_.Write("LinkCore.conf", "[PJLink]\nPorts=" + std::to_string(sim.Port(3)) + "\n");
    Room("hall", {{sim.Address(1), ""}});
    Room("lab", {{sim.Address(2), ""}, {"127.0.0.1:1", "secret"}});
    Room("stage", {{sim.Address(3), ""}});
    ServiceProcess service(dir_.File("orvaned.conf"));
    ASSERT_TRUE(service.Ready()) << service.Error();

    const nlohmann::json rooms = GetUntil(service, "/api/v1/rooms", [](const nlohmann::json& j) {
        return j.contains("rooms") && j["rooms"].size() == 3 && j["rooms"][0]["projectors"][0]["reachable"] == true;
    });
    ASSERT_EQ(rooms["rooms"].size(), 3u) << rooms;
    EXPECT_EQ(rooms["rooms"][0]["id"], "hall");
    EXPECT_EQ(rooms["rooms"][0]["inputs"], nlohmann::json::parse(R"(["HDMI 1", "Video"])"));

    // A PJLink projector also tells what orvanectl info asks of it.
    const nlohmann::json stage = GetUntil(service, "/api/v1/rooms/stage", [](const nlohmann::json& j) {
        return j.contains("projectors") && j["projectors"][0]["serial"].is_string();
    })["projectors"][0];
    EXPECT_EQ(stage["name"], "Stage");
    EXPECT_EQ(stage["class"], 2);
    EXPECT_EQ(stage["manufacturer"], "ORVANE");
    EXPECT_EQ(stage["serial"], "PJSIM0003");
    EXPECT_EQ(stage["avmute"], "30");
    EXPECT_EQ(stage["inputs"][7], nlohmann::json::parse(R"({"code": "31", "name": "HDMI 1"})"));
    EXPECT_EQ(stage["input_resolution"], "1920x1080");
    EXPECT_EQ(stage["filter_hours"], 350);
    EXPECT_EQ(stage["filter_model"], "FLT-100");
    EXPECT_EQ(stage["freeze"], false);

    // Another client switches the projector on; the event stream tells it.
    auto events = std::async(std::launch::async, [&] {
        return Curl({"-N", "--max-time", "4", service.Url() + "/api/v1/events"}).body;
    });
    std::this_thread::sleep_for(500ms);
    CPjtInterface other;
    char ip[] = "127.0.0.1";
    char none[] = "";
    other.CopyData(1, 0, sim.Port(1), ip, none);
    ASSERT_NE(other.Open(&other), 0);
    unsigned char reply[128] = {};
    ASSERT_NE(other.Send(1, 0x6000, 1, reply, &other), 0);
    other.Close(&other);
    const std::string stream = events.get();
    EXPECT_NE(stream.find("event: projector\ndata: {\"address\":\"" + sim.Address(1)), std::string::npos) << stream;
    EXPECT_NE(stream.find("\"power\":\"on\",\"product\":null,\"protocol\":\"orvane\",\"reachable\":true,"
                          "\"recommended_resolution\":null,\"room\":\"hall\""),
              std::string::npos)
        << stream;

    const CurlResult ok = Post(service, "hall", R"({"command": "blank_on"})");
    EXPECT_EQ(ok.status, 200) << ok.body;
    const CurlResult failed = Post(service, "lab", R"({"command": "blank_on"})");
    EXPECT_EQ(failed.status, 502);
    OpenCatalog();
    EXPECT_EQ(nlohmann::json::parse(failed.body, nullptr, false)["results"][1]["message"],
              CatalogText(kCatalogSetErrors, 89) + "(127.0.0.1)");
    EXPECT_EQ(failed.body.find("secret"), std::string::npos);
    EXPECT_EQ(service.Stop(), 0);
}

TEST_F(OrvanedTest, AnUnreadableRoomIsToldAndTheOthersServedAndSighupReadsThemAgain) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    dir_.Write("orvaned.conf", ServiceProcess::ConfigText(1));
    Room("hall", {{sim.Address(1), ""}});
    ASSERT_EQ(mkdir(dir_.File("rooms/broken.txt").c_str(), 0700), 0);
    ServiceProcess service(dir_.File("orvaned.conf"));
    ASSERT_TRUE(service.Ready()) << service.Error();
    EXPECT_NE(service.Log().find("room left out: rooms/broken.txt: "), std::string::npos) << service.Log();
    EXPECT_EQ(Curl({service.Url() + "/api/v1/rooms/broken"}).status, 404);
    GetUntil(service, "/api/v1/rooms/hall", [](const nlohmann::json& j) { return j["projectors"][0]["reachable"]; });

    Room("hall", {{sim.Address(1), ""}, {sim.Address(2), ""}});
    service.Signal(SIGHUP);
    const nlohmann::json hall = GetUntil(service, "/api/v1/rooms/hall", [](const nlohmann::json& j) {
        return j["projectors"].size() == 2 && j["projectors"][1]["reachable"] == true;
    });
    ASSERT_EQ(hall["projectors"].size(), 2u) << hall;
    EXPECT_EQ(hall["projectors"][0]["power"], "on"); // kept, not forgotten
    EXPECT_EQ(hall["projectors"][1]["power"], "off");
}

TEST_F(OrvanedTest, AfterKillNineItStartsAgainOnTheSamePort) {
    // A port that is free now; the first service holds it until it is killed.
    int port = 0;
    {
        dir_.Write("probe.conf", ServiceProcess::ConfigText(5));
        ServiceProcess probe(dir_.File("probe.conf"));
        ASSERT_TRUE(probe.Ready()) << probe.Error();
        port = std::stoi(probe.Url().substr(probe.Url().rfind(':') + 1));
    }
    dir_.Write("orvaned.conf", "[Service]\nListen=127.0.0.1:" + std::to_string(port) + "\n[Rooms]\nFolder=rooms\n");
    Room("hall", {{"127.0.0.1:1", ""}});
    ServiceProcess first(dir_.File("orvaned.conf"));
    ASSERT_TRUE(first.Ready()) << first.Error();
    ASSERT_EQ(Curl({first.Url() + "/api/v1/rooms/hall"}).status, 200);
    first.Kill();
    ServiceProcess second(dir_.File("orvaned.conf"));
    ASSERT_TRUE(second.Ready()) << second.Error();
    EXPECT_EQ(second.Url(), first.Url());
    EXPECT_EQ(Curl({second.Url() + "/api/v1/rooms/hall"}).status, 200);
}

TEST_F(OrvanedTest, CheckNamesEveryProblemWithItsFileAndLine) {
    dir_.Write("orvaned.conf", "[Service]\nListen=127.0.0.1:8740\nPollSeconds=soon\n[Rooms]\nFolder=rooms\n");
    Room("hall", {{"127.0.0.1:23", ""}});
    ASSERT_EQ(mkdir(dir_.File("rooms/broken.txt").c_str(), 0700), 0);
    const ProgramResult bad = RunProgram("orvaned", {"--config", dir_.File("orvaned.conf"), "--check"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.out, "orvaned.conf:3: PollSeconds: \"soon\" is not a whole number in 1..3600\n"
                       "rooms/broken.txt: is a directory\n");

    dir_.Write("orvaned.conf", ServiceProcess::ConfigText(5));
    const ProgramResult rooms = RunProgram("orvaned", {"--config", dir_.File("orvaned.conf"), "--check"});
    EXPECT_EQ(rooms.exitCode, 2);
    EXPECT_EQ(rooms.out, "rooms/broken.txt: is a directory\n");

    ASSERT_EQ(rmdir(dir_.File("rooms/broken.txt").c_str()), 0);
    const ProgramResult good = RunProgram("orvaned", {"--config", dir_.File("orvaned.conf"), "--check"});
    EXPECT_EQ(good.exitCode, 0) << good.out;
    EXPECT_EQ(good.out, "");
}

} // namespace
} // namespace orvane::test
