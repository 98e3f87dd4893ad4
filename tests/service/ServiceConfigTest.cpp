#include "service/ServiceConfig.h"
#include "linkcore/PjlinkInfo.h"
#include "model/ConfigFile.h"
#include "service/ProjectorState.h"
#include "service/RoomCommands.h"
#include "support/ServiceProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sys/stat.h>

namespace orvane::test {
namespace {

struct ConfigCase {
    const char* text;
    std::vector<std::string> problems; // as --check prints them, the file named "c"
};

void PrintTo(const ConfigCase& c, std::ostream* os) {
    *os << c.text;
}

class ServiceConfigTest : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(ServiceConfigTest, EachProblemNamesItsLine) {
    TempDir dir;
    ScopedWorkDir work(dir.path());
    ASSERT_EQ(mkdir(dir.File("rooms").c_str(), 0700), 0);
    dir.Write("c", GetParam().text);
    service::ServiceConfig config;
    std::vector<service::ConfigProblem> problems;
    EXPECT_EQ(service::LoadServiceConfig("c", config, problems), GetParam().problems.empty());
    std::vector<std::string> lines;
    for (const service::ConfigProblem& p : problems)
        lines.push_back(p.Describe());
    EXPECT_EQ(lines, GetParam().problems);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ServiceConfigTest,
    ::testing::Values(
        ConfigCase{"[Service]\nListen=0.0.0.0:8740 ; all\nPollSeconds=2\nMaxInFlight=8\n[Rooms]\nFolder=rooms\n", {}},
        ConfigCase{"[Service]\nListen=8740\nPollSeconds=0\nKey=k.pem\n",
                   {"c:2: Listen: \"8740\" is not HOST:PORT",
                    "c:3: PollSeconds: \"0\" is not a whole number in 1..3600",
                    "c:4: Key: HTTPS needs both Certificate and Key", "c:4: Key: cannot read k.pem: no such file"}},
        ConfigCase{"[Rooms]\nfolder=elsewhere\n", {"c:2: Folder: \"elsewhere\" is not a folder"}}));

TEST(ServiceRooms, ARoomShowsTheToolbarsCommandsAndInputsAndAnUnreadableOneIsLeftOut) {
    TempDir dir;
    dir.Write("hall.txt", ServiceProcess::RoomText({{"127.0.0.1:23", ""}}));
    ASSERT_EQ(mkdir(dir.File("broken.txt").c_str(), 0700), 0); // no file the reader takes
    std::vector<service::ConfigProblem> problems;
    const std::vector<service::RoomFile> rooms = service::LoadRooms(dir.path(), problems);
    ASSERT_EQ(rooms.size(), 1u);
    EXPECT_EQ(rooms[0].id, "hall");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].file, dir.File("broken.txt"));
    EXPECT_EQ(service::ToolbarCommands(*rooms[0].model),
              (std::vector<std::string>{"power_on", "power_off", "input", "blank_on", "blank_off", "unmute",
                                        "volume_up", "volume_down", "mute", "adjust"}));
    EXPECT_EQ(service::ToolbarInputs(*rooms[0].model), (std::vector<std::string>{"HDMI 1", "Video"}));
    EXPECT_TRUE(service::HasVolumeRange(*rooms[0].model));
}

TEST(ServiceState, TimesAreRfc3339InUtc) {
    EXPECT_EQ(service::Rfc3339(std::chrono::system_clock::from_time_t(1'796'000'000)), "2026-11-30T00:53:20Z");
}

TEST(ServiceState, APjlinkProjectorsOwnItemsKeepInfosNamesAndShapesAndNullWhatItDidNotTell) {
    linkcore::PjlinkInfo info;
    info.pjlinkClass = 2;
    info.manufacturer = "ORVANE";
    info.avmute = "31";
    info.lamps.emplace(); // a projector without lamps
    info.inputs = {{"31", "HDMI 1"}, {"3A", std::nullopt}};
    info.filterHours = 350;
    info.freeze = false;
    service::ProjectorState state;
    service::TakePjlinkInfo(info, state);
    const nlohmann::json j = service::ProjectorJson(state);
    EXPECT_EQ(j["class"], 2);
    EXPECT_EQ(j["manufacturer"], "ORVANE");
    EXPECT_EQ(j["avmute"], "31");
    EXPECT_EQ(j["lamps"], nlohmann::json::array());
    EXPECT_EQ(j["inputs"],
              nlohmann::json::parse(R"([{"code": "31", "name": "HDMI 1"}, {"code": "3A", "name": null}])"));
    EXPECT_EQ(j["filter_hours"], 350);
    EXPECT_EQ(j["freeze"], false);
    for (const char* untold : {"product", "other", "serial", "software", "input_resolution", "recommended_resolution",
                               "lamp_model", "filter_model", "name", "errors"})
        EXPECT_TRUE(j.at(untold).is_null()) << untold;

    // A change of any of them is a change to tell.
    service::ProjectorState frozen = state;
    frozen.told.freeze = true;
    EXPECT_FALSE(state.SameApartFromLastSeen(frozen));
}

} // namespace
} // namespace orvane::test
