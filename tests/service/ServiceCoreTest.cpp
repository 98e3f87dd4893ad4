// The service's core against pjsim on loopback, its event loop run by the test itself.

#include "service/ServiceCore.h"
#include "catalog/Language.h"
#include "catalog/MessageCatalog.h"
#include "support/PjsimProcess.h"
#include "support/ServiceProcess.h"
#include "support/TempDir.h"
#include "support/UdpInbox.h"

#include "linkcore/PjlinkInfo.h"

#include "platform/PrivateProfile.h"

#include <boost/asio/io_context.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace orvane::test {
namespace {

using service::ServiceCore;
using service::ServiceEvent;
using namespace std::chrono_literals;

// Reply time-outs short enough that a silent projector costs a test little.
std::shared_ptr<const service::LinkConfig> Link(int pjlinkPort = 4352, const std::string& com1 = {}) {
    auto config = std::make_shared<service::LinkConfig>();
    const PrivateProfile profile =
        PrivateProfile::Parse("[Timeouts]\nConnectMs=300\nReplyMs=300\n[PJLink]\nPorts=" + std::to_string(pjlinkPort) +
                              "\n[Serial]\nCOM1=" + com1 + "\n");
    config->link = linkcore::LinkSettings::FromProfile(profile);
    config->pjlink = linkcore::PjlinkSettings::FromProfile(profile);
    return config;
}

class ServiceCoreTest : public ::testing::Test {
protected:
    // Rooms id -> projectors, written as room files and read by the service's reader.
    std::vector<service::RoomFile> Rooms(const std::vector<std::pair<std::string, std::vector<RoomProjector>>>& rooms) {
        for (const auto& [id, projectors] : rooms)
            dir_.Write(id + ".txt", ServiceProcess::RoomText(projectors));
        std::vector<service::ConfigProblem> problems;
        std::vector<service::RoomFile> files = service::LoadRooms(dir_.path(), problems);
        EXPECT_TRUE(problems.empty());
        return files;
    }

    void Start(ServiceCore::Options options, std::shared_ptr<const service::LinkConfig> link,
               std::vector<service::RoomFile> rooms) {
        core_ = std::make_unique<ServiceCore>(loop_, options, std::move(link));
        core_->SetRooms(std::move(rooms));
        subscription_ = core_->Subscribe([this](const ServiceEvent& e) { events_.push_back(e); });
    }

    // Runs the loop until `done` holds or the time runs out.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            loop_.run_for(10ms);
        }
        return true;
    }

    nlohmann::json Projector(const std::string& room, int slot) const {
        return core_->Room(room).value()["projectors"][slot - 1];
    }

    service::CommandOutcome Command(const std::string& room, const nlohmann::json& body) {
        std::optional<service::CommandOutcome> outcome;
        core_->RunCommand(room, body, [&outcome](service::CommandOutcome o) { outcome = std::move(o); });
        EXPECT_TRUE(RunUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(service::CommandOutcome{});
    }

    TempDir dir_;
    boost::asio::io_context loop_;
    std::unique_ptr<ServiceCore> core_;
    std::vector<ServiceEvent> events_;
    service::IServiceModel::Subscription subscription_ = 0;
};

ServiceCore::Options Every(std::chrono::milliseconds interval, int maxInFlight = 64) {
    ServiceCore::Options options;
    options.pollInterval = interval;
    options.maxInFlight = maxInFlight;
    return options;
}

TEST_F(ServiceCoreTest, PollsTellWhatEachProtocolKnowsAndNullWhatItCannot) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,input=3,volume=10"),
                      PjsimProcess::Pjlink("power=on,lamp=1500,error=000200,name=Hall"),
                      PjsimProcess::Serial("power=off,input=1"), PjsimProcess::Tcp("fault=silent")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Start(Every(200ms), Link(sim.Port(2), sim.PtyPath(3)),
          Rooms({{"r", {{sim.Address(1), ""}, {sim.Address(2), ""}, {"127.0.0.1:1", ""}, {"com1", ""}}},
                 {"s", {{sim.Address(4), ""}}}}));
    // The silent projector's time-outs hold up none of the others.
    ASSERT_TRUE(RunUntil([&] {
        return !Projector("r", 1)["last_seen"].is_null() && !Projector("r", 2)["name"].is_null() &&
               !Projector("r", 4)["last_seen"].is_null();
    }));
    EXPECT_EQ(Projector("r", 4)["address"], "com1");
    EXPECT_EQ(Projector("r", 4)["input"], "Video");
    EXPECT_EQ(Projector("r", 4)["power"], "off");
    ASSERT_TRUE(RunUntil([&] { return core_->PollsInFlight() == 0; }));
    EXPECT_EQ(Projector("s", 1)["reachable"], false);

    nlohmann::json ours = Projector("r", 1);
    EXPECT_TRUE(ours["last_seen"].get<std::string>().ends_with("Z"));
    ours.erase("last_seen");
    EXPECT_EQ(ours, nlohmann::json::parse(R"({"slot": 1, "address": ")" + sim.Address(1) + R"(",
        "protocol": "orvane", "reachable": true, "power": "on", "input": "HDMI 1", "volume": 10, "name": null,
        "lamps": null, "errors": null, "last_error": null, "class": null, "manufacturer": null, "product": null,
        "other": null, "avmute": null, "inputs": null, "serial": null, "software": null, "input_resolution": null,
        "recommended_resolution": null, "filter_hours": null, "lamp_model": null, "filter_model": null,
        "freeze": null})"));
    const nlohmann::json pjlink = Projector("r", 2);
    EXPECT_EQ(pjlink["protocol"], "pjlink");
    EXPECT_EQ(pjlink["power"], "on");
    EXPECT_EQ(pjlink["volume"], nullptr); // PJLink tells no level
    EXPECT_EQ(pjlink["name"], "Hall");
    EXPECT_EQ(pjlink["lamps"][0]["hours"], 1500);
    EXPECT_EQ(pjlink["errors"],
              nlohmann::json::parse(R"({"fan":0,"lamp":0,"temperature":0,"cover":2,"filter":0,"other":0})"));
    const nlohmann::json dead = Projector("r", 3);
    EXPECT_EQ(dead["reachable"], false);
    EXPECT_EQ(dead["power"], nullptr);
    EXPECT_EQ(dead["last_seen"], nullptr);

    // The first answers were changes; polls that change nothing tell nothing.
    const std::size_t told = events_.size();
    EXPECT_GE(told, 2u);
    EXPECT_EQ(events_[0].name, "projector");
    EXPECT_EQ(events_[0].data["room"], "r");
    loop_.run_for(500ms);
    EXPECT_EQ(events_.size(), told);

    const std::string metrics = core_->Metrics();
    for (const char* line :
         {"orvane_projector_up{room=\"r\",slot=\"1\"} 1", "orvane_projector_up{room=\"r\",slot=\"3\"} 0",
          "orvane_projector_power{room=\"r\",slot=\"2\"} 1",
          "orvane_projector_lamp_hours{room=\"r\",slot=\"2\",lamp=\"1\"} 1500",
          "orvane_projector_error{room=\"r\",slot=\"2\",component=\"cover\"} 2",
          "orvane_poll_duration_seconds_bucket{le=\"+Inf\"} "})
        EXPECT_NE(metrics.find(line), std::string::npos) << line << "\n" << metrics;
}

int PollCount(const std::string& metrics) {
    const std::string key = "orvane_poll_duration_seconds_count ";
    const std::size_t at = metrics.find(key);
    return at == std::string::npos ? -1 : std::atoi(metrics.c_str() + at + key.size());
}

TEST_F(ServiceCoreTest, AFailingProjectorIsPolledLessAndLessOften) {
    ServiceCore::Options options = Every(50ms);
    options.maxBackoff = 400ms;
    Start(options, Link(), Rooms({{"r", {{"127.0.0.1:1", ""}}}}));
    loop_.run_for(1500ms);
    // Every 50 ms would be 30 polls; doubling to 400 ms makes them 0, 100, 300, 700, 1100, 1500.
    const int polls = PollCount(core_->Metrics());
    EXPECT_GE(polls, 4);
    EXPECT_LE(polls, 8);
    EXPECT_EQ(Projector("r", 1)["reachable"], false);
}

TEST_F(ServiceCoreTest, NoMorePollsUnderWayThanTheCap) {
    std::vector<std::string> defs(6, PjsimProcess::Tcp("power=on,fault=slow:100"));
    PjsimProcess sim(defs);
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    std::vector<RoomProjector> first;
    std::vector<RoomProjector> second;
    for (int n = 1; n <= 6; ++n)
        (n <= 3 ? first : second).push_back({sim.Address(n), ""});
    Start(Every(5000ms, 2), Link(), Rooms({{"a", first}, {"b", second}}));
    ASSERT_TRUE(RunUntil([&] { return PollCount(core_->Metrics()) >= 6; }));
    EXPECT_EQ(core_->PeakPollsInFlight(), 2);
    for (const char* room : {"a", "b"}) {
        for (int slot = 1; slot <= 3; ++slot)
            EXPECT_EQ(Projector(room, slot)["reachable"], true) << room << slot;
    }
}

// Projectors that keep failing, more of them than there are exchanges, are retried in at most
// half of those: the one that answers is polled on while they wait out their time-outs.
TEST_F(ServiceCoreTest, FailingProjectorsLeaveTheAnsweringOnesExchanges) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("fault=silent"),
                      PjsimProcess::Tcp("fault=silent"), PjsimProcess::Tcp("fault=silent")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    ServiceCore::Options options = Every(50ms, 2);
    options.maxBackoff = 50ms; // the silent ones are due again at every poll
    Start(options, Link(),
          Rooms({{"a", {{sim.Address(2), ""}, {sim.Address(3), ""}, {sim.Address(4), ""}}},
                 {"b", {{sim.Address(1), ""}}}}));
    ASSERT_TRUE(RunUntil([&] { return Projector("a", 3)["reachable"] == false && PollCount(core_->Metrics()) >= 4; }));
    auto requestsOfTheAnsweringOne = [&sim] {
        std::size_t count = 0;
        for (const PjsimRequest& request : sim.Requests())
            count += request.projector == 1 ? 1 : 0;
        return count;
    };
    const std::size_t before = requestsOfTheAnsweringOne();
    loop_.run_for(1500ms);
    EXPECT_EQ(core_->PeakFailingPollsInFlight(), 1);
    // Polled every 50 ms that is some 30 polls of two or three requests; held behind the
    // silent ones' 300 ms time-outs it would be a handful.
    EXPECT_GE(requestsOfTheAnsweringOne() - before, 30U);
    EXPECT_EQ(Projector("b", 1)["reachable"], true);
}

TEST_F(ServiceCoreTest, ACommandWaitsForTheRunningPollOfItsProjector) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,fault=slow:150")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Start(Every(5000ms), Link(), Rooms({{"r", {{sim.Address(1), ""}}}}));
    ASSERT_TRUE(RunUntil([&] { return core_->PollsInFlight() == 1; }));
    EXPECT_EQ(Command("r", {{"command", "blank_on"}}).status, 200);
    std::vector<std::string> order;
    for (const PjsimRequest& r : sim.Requests())
        order.push_back(std::to_string(r.action) + "," + std::to_string(r.type));
    // Power, input and volume of the poll, then the command's kind query and its set: had the
    // command not waited, its kind query would have come while the poll's answers were held.
    ASSERT_GE(order.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 5),
              (std::vector<std::string>{"2,24576", "2,8192", "2,8193", "2,4103", "1,12320"}));
}

// The requests pjsim logged from `from` on, as "action,type".
std::vector<std::string> RequestsSince(const PjsimProcess& sim, std::size_t from) {
    std::vector<std::string> order;
    const std::vector<PjsimRequest> requests = sim.Requests();
    for (std::size_t i = from; i < requests.size(); ++i)
        order.push_back(std::to_string(requests[i].action) + "," + std::to_string(requests[i].type));
    return order;
}

TEST_F(ServiceCoreTest, AReloadWhileACommandRunsKeepsItsProjectorToOneExchangeAndItsRoomToOneCommand) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,fault=slow:100")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Start(Every(60000ms), Link(), Rooms({{"r", {{sim.Address(1), ""}}}}));
    ASSERT_TRUE(RunUntil([&] { return Projector("r", 1)["reachable"] == true; }));
    const std::size_t before = sim.Requests().size();
    std::vector<int> answered;
    core_->RunCommand("r", {{"command", "blank_on"}},
                      [&](const service::CommandOutcome& o) { answered.push_back(o.status); });
    loop_.run_for(30ms);
    // Another password makes the slot anew, at the same address: neither its first poll nor a
    // second command may reach the projector while the first command runs.
    core_->SetRooms(Rooms({{"r", {{sim.Address(1), "changed"}}}}));
    core_->RunCommand("r", {{"command", "blank_off"}},
                      [&](const service::CommandOutcome& o) { answered.push_back(o.status); });
    ASSERT_TRUE(RunUntil([&] { return answered.size() == 2 && core_->PollsInFlight() == 0; }));
    EXPECT_EQ(answered, (std::vector<int>{200, 200}));
    // The first command's kind query and blank set, then the second's; the new slot's first
    // poll fell due while the first command had the projector and waits for the next round.
    EXPECT_EQ(RequestsSince(sim, before), (std::vector<std::string>{"2,4103", "1,12320", "2,4103", "1,12320"}));
}

TEST_F(ServiceCoreTest, WhatACommandChangedIsReadBackAtOnceAndTold) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on,volume=10")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Start(Every(60000ms), Link(), Rooms({{"r", {{sim.Address(1), ""}}}}));
    ASSERT_TRUE(RunUntil([&] { return Projector("r", 1)["volume"] == 10; }));
    events_.clear();
    EXPECT_EQ(Command("r", {{"command", "volume_up"}}).status, 200);
    // The next round is a minute away: only the read after the command can show it.
    ASSERT_TRUE(RunUntil([&] { return Projector("r", 1)["volume"] == 11; }, 2000ms));
    EXPECT_TRUE(std::any_of(events_.begin(), events_.end(),
                            [](const ServiceEvent& e) { return e.name == "projector" && e.data["volume"] == 11; }));
}

TEST_F(ServiceCoreTest, APjlinkProjectorsBlankMuteAndFreezeAreReadBackAfterTheirCommands) {
    PjsimProcess sim({PjsimProcess::Pjlink("class=2,power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Start(Every(60000ms), Link(sim.Port(1)), Rooms({{"r", {{sim.Address(1), ""}}}}));
    ASSERT_TRUE(RunUntil([&] { return Projector("r", 1)["avmute"] == "30"; }));
    EXPECT_EQ(Projector("r", 1)["freeze"], false);
    // The slow items are a minute away: only the read after each command can show it.
    const struct {
        const char* command;
        const char* item;
        nlohmann::json told;
    } cases[] = {
        {"blank_on", "avmute", "11"},  {"mute", "avmute", "31"},      {"unmute", "avmute", "11"},
        {"blank_off", "avmute", "30"}, {"freeze_on", "freeze", true}, {"freeze_off", "freeze", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(Command("r", {{"command", c.command}}).status, 200);
        EXPECT_TRUE(RunUntil([&] { return Projector("r", 1)[c.item] == c.told; }, 2000ms)) << Projector("r", 1)[c.item];
    }
}

TEST_F(ServiceCoreTest, ACommandAnswersPerProjectorWithTheToolbarsMessageAndIsTold) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Start(Every(5000ms), Link(), Rooms({{"r", {{sim.Address(1), ""}, {"127.0.0.1:1", "secret"}}}}));
    const service::CommandOutcome outcome = Command("r", {{"command", "blank_on"}});
    OpenCatalog();
    const std::string message = CatalogText(kCatalogSetErrors, 89) + "(127.0.0.1)";
    EXPECT_EQ(outcome.status, 502);
    EXPECT_EQ(outcome.body, nlohmann::json::parse(R"({"command": "blank_on", "ok": false, "results": [
        {"slot": 1, "ok": true, "message": null}, {"slot": 2, "ok": false, "message": ")" +
                                                  message + R"("}]})"));
    EXPECT_EQ(Projector("r", 2)["last_error"], message);
    const auto command =
        std::find_if(events_.begin(), events_.end(), [](const auto& e) { return e.name == "command"; });
    ASSERT_NE(command, events_.end());
    EXPECT_EQ(command->data["room"], "r");
    EXPECT_EQ(command->data["results"], outcome.body["results"]);
    EXPECT_NE(core_->Metrics().find("orvane_commands_total{room=\"r\",command=\"blank_on\",result=\"failed\"} 1"),
              std::string::npos);
    // A page in another language asks for its messages in it; what everyone sees stays.
    events_.clear();
    const service::CommandOutcome chinese = Command("r", {{"command", "blank_on"}, {"lang", "zh"}});
    const std::shared_ptr<const CatalogFile> zh = LoadCatalogFile(kChineseCatalogFile);
    ASSERT_NE(zh, nullptr);
    const std::string zhMessage =
        CatalogTextIn(zh.get(), kLangChineseSimplified, kCatalogSetErrors, 89) + "(127.0.0.1)";
    EXPECT_NE(zhMessage, message);
    EXPECT_EQ(chinese.body["results"][1]["message"], zhMessage);
    EXPECT_EQ(Projector("r", 2)["last_error"], message);
    ASSERT_FALSE(events_.empty());
    EXPECT_EQ(events_.back().data["results"][1]["message"], message);
    // The password stays inside.
    EXPECT_EQ(core_->Metrics().find("secret"), std::string::npos);
    EXPECT_EQ(core_->Rooms().dump().find("secret"), std::string::npos);
}

TEST_F(ServiceCoreTest, BodiesThatNameNothingKnownAreRefusedAtOnce) {
    Start(Every(5000ms), Link(), Rooms({{"r", {{"127.0.0.1:1", ""}}}}));
    struct Case {
        const char* room;
        const char* body;
        int status;
    };
    for (const Case& c : {Case{"r", R"({"command": "explode"})", 400}, Case{"r", R"(["power_on"])", 400},
                          Case{"r", R"({"command": "input", "input": "SCART"})", 400},
                          Case{"r", R"({"command": "adjust", "name": "Volume", "value": 99})", 400},
                          Case{"r", R"({"command": "adjust", "name": "Volume", "value": 9, "slot": 2})", 400},
                          Case{"r", R"({"command": "power_on", "lang": "fr"})", 400},
                          Case{"r", R"({"command": "power_on", "lang": "xx"})", 400},
                          Case{"r", R"({"command": "power_on", "lang": 2052})", 400},
                          Case{"nowhere", R"({"command": "power_on"})", 404}}) {
        std::optional<service::CommandOutcome> outcome;
        core_->RunCommand(c.room, nlohmann::json::parse(c.body), [&](service::CommandOutcome o) { outcome = o; });
        ASSERT_TRUE(outcome.has_value()) << c.body;
        EXPECT_EQ(outcome->status, c.status) << c.body;
        EXPECT_TRUE(outcome->body["error"].is_string()) << c.body;
    }
}

TEST_F(ServiceCoreTest, ReadingTheRoomsAgainKeepsWhatIsKnownOfUnchangedProjectors) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Start(Every(60000ms), Link(), Rooms({{"r", {{sim.Address(1), ""}}}}));
    ASSERT_TRUE(RunUntil([&] { return Projector("r", 1)["reachable"] == true; }));
    core_->SetRooms(Rooms({{"r", {{sim.Address(1), ""}, {sim.Address(2), ""}}}}));
    // Slot 1 is not asked again (its next poll is a minute away), slot 2 is new.
    EXPECT_EQ(Projector("r", 1)["power"], "on");
    EXPECT_EQ(Projector("r", 2)["reachable"], false);
    ASSERT_TRUE(RunUntil([&] { return Projector("r", 2)["reachable"] == true; }));
    EXPECT_EQ(Projector("r", 2)["power"], "off");
}

TEST_F(ServiceCoreTest, TheRoomsKeptTextFollowsEveryUpdateAndReload) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Start(Every(60000ms), Link(), Rooms({{"r", {{sim.Address(1), ""}}}}));
    auto same = [&] { return nlohmann::json::parse(core_->RoomText("r").value()) == core_->Room("r").value(); };
    EXPECT_TRUE(same());
    ASSERT_TRUE(RunUntil([&] { return Projector("r", 1)["reachable"] == true; }));
    EXPECT_TRUE(same());
    core_->SetRooms(Rooms({{"r", {{sim.Address(1), ""}, {sim.Address(2), ""}}}}));
    EXPECT_TRUE(same());
    EXPECT_FALSE(core_->RoomText("elsewhere").has_value());
}

// A class 2 projector's notification changes its state and its event goes out at once; the
// next poll is a minute away.
TEST_F(ServiceCoreTest, ANotificationIsToldAtOnce) {
    UdpInbox port;
    port.Release();
    const std::string notifyPort = std::to_string(port.Port());
    PjsimProcess sim({PjsimProcess::Pjlink("class=2,power=on,input=21,notify=127.0.0.1:" + notifyPort)});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    auto link = std::make_shared<service::LinkConfig>();
    const PrivateProfile profile =
        PrivateProfile::Parse("[Timeouts]\nConnectMs=300\nReplyMs=300\n[PJLink]\nPorts=" + std::to_string(sim.Port(1)) +
                              "\nNotifyAddress=127.0.0.1\nNotifyPort=" + notifyPort + "\n");
    link->link = linkcore::LinkSettings::FromProfile(profile);
    link->pjlink = linkcore::PjlinkSettings::FromProfile(profile);
    Start(Every(60000ms), link, Rooms({{"r", {{sim.Address(1), ""}}}}));
    std::string error;
    ASSERT_TRUE(core_->HearNotifications(error)) << error;
    ASSERT_TRUE(RunUntil([&] { return Projector("r", 1)["input"] == "Video"; }));

    std::string answer;
    ASSERT_TRUE(linkcore::SelectPjlinkInput("127.0.0.1", sim.Port(1), "", link->link, "31", answer));
    ASSERT_EQ(answer, "OK");
    ASSERT_TRUE(RunUntil([&] {
        return std::any_of(events_.begin(), events_.end(),
                           [](const ServiceEvent& e) { return e.name == "projector" && e.data["input"] == "HDMI 1"; });
    }));
    EXPECT_EQ(Projector("r", 1)["input"], "HDMI 1");
}

TEST_F(ServiceCoreTest, LabelValuesAreEscaped) {
    Start(Every(60000ms), Link(), Rooms({{"a\"b\\c", {{"127.0.0.1:1", ""}}}}));
    EXPECT_NE(core_->Metrics().find("orvane_projector_up{room=\"a\\\"b\\\\c\",slot=\"1\"} 0"), std::string::npos)
        << core_->Metrics();
}

} // namespace
} // namespace orvane::test
