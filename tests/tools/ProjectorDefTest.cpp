#include "ProjectorDef.h"
#include "RequestLog.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace pjsim;

namespace {

ProjectorDef Parse(const std::string& text) {
    ProjectorDef def;
    std::string error;
    EXPECT_TRUE(ParseProjectorDef(text, def, error)) << text << ": " << error;
    return def;
}

} // namespace

TEST(ProjectorDef, AddressAndDefaults) {
    ProjectorDef def = Parse("127.0.0.1:0");
    EXPECT_FALSE(def.serial);
    EXPECT_EQ(def.host, "127.0.0.1");
    EXPECT_EQ(def.port, 0);
    EXPECT_EQ(def.sim.kind, 1);
    EXPECT_EQ(def.sim.power, InitialPower::Off);
    EXPECT_EQ(def.sim.warmMs, 0);
    EXPECT_EQ(def.sim.volmax, 63);
    EXPECT_EQ(def.fault, Fault::None);
    EXPECT_TRUE(def.password.empty());

    EXPECT_EQ(Parse("localhost:9715").host, "127.0.0.1");
    EXPECT_EQ(Parse("localhost:9715").port, 9715);
    EXPECT_TRUE(Parse("serial").serial);
}

TEST(ProjectorDef, EveryOption) {
    ProjectorDef def = Parse("serial,password=abc,kind=10,power=transit,warm=1500,input=3,volume=7,volmax=8,"
                             "fault=slow:250,name=Hall A");
    EXPECT_EQ(def.password, "abc");
    EXPECT_EQ(def.sim.kind, 10);
    EXPECT_EQ(def.sim.power, InitialPower::Transit);
    EXPECT_EQ(def.sim.warmMs, 1500);
    EXPECT_EQ(def.sim.input, 3);
    EXPECT_EQ(def.sim.volume, 7);
    EXPECT_EQ(def.sim.volmax, 8);
    EXPECT_EQ(def.fault, Fault::Slow);
    EXPECT_EQ(def.slowMs, 250);
    EXPECT_EQ(def.name, "Hall A");

    EXPECT_EQ(Parse("serial,fault=nak").fault, Fault::Nak);
    EXPECT_TRUE(Parse("serial,fault=nak").sim.refuseAll);
    EXPECT_EQ(Parse("serial,fault=silent").fault, Fault::Silent);
    EXPECT_EQ(Parse("serial,fault=drop").fault, Fault::Drop);
    EXPECT_EQ(Parse("serial,fault=garbage").fault, Fault::Garbage);
    EXPECT_EQ(Parse("serial,power=on").sim.power, InitialPower::On);

    ProjectorDef adjust = Parse("serial,refuse=0x4003+16640,values=0x4000:50+0x4015:-30");
    EXPECT_EQ(adjust.sim.refused, (std::set<std::uint16_t>{0x4003, 0x4100}));
    EXPECT_EQ(adjust.sim.adjustments, (std::map<std::uint16_t, std::uint16_t>{{0x4000, 50}, {0x4015, 0xFFE2}}));
}

TEST(ProjectorDef, RejectsWhatItCannotServe) {
    const char* bad[] = {"",
                         "127.0.0.1",
                         "host:80",
                         "127.0.0.1:65536",
                         "127.0.0.1:-1",
                         "127.0.0.1:",
                         "serial,",
                         "serial,colour=red",
                         "serial,kind",
                         "serial,kind=x",
                         "serial,kind=70000",
                         "serial,power=maybe",
                         "serial,fault=slow",
                         "serial,fault=slow:-5",
                         "serial,fault=loud",
                         "serial,volume=64",
                         "serial,volmax=5,volume=6",
                         "serial,refuse=",
                         "serial,refuse=0x4003+",
                         "serial,refuse=0x10000",
                         "serial,refuse=0xg",
                         "serial,values=0x4000",
                         "serial,values=0x4000:32768",
                         "serial,values=0x4000:-32769",
                         "serial,password=0123456789012345678901234567890123456789012345678901234567890123"};
    for (const char* text : bad) {
        ProjectorDef def;
        std::string error;
        EXPECT_FALSE(ParseProjectorDef(text, def, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(RequestLog, LineFormat) {
    EXPECT_EQ(RequestLog::FormatLine(2, {1, 0x6000, 1}, "ack"), "REQ 2 action=1 type=0x6000 setting=1 reply=ack");
    EXPECT_EQ(RequestLog::FormatLine(1, {65535, 0x7, 65535}, "none"),
              "REQ 1 action=65535 type=0x0007 setting=65535 reply=none");
}

TEST(ProjectorDef, FleetsTakeASizeAndTheOptionsOfOneTcpProjector) {
    struct Case {
        std::string text;
        bool ok;
        int count;
    };
    const std::vector<Case> cases = {
        {"1", true, 1},
        {"1000,power=on,protocol=pjlink", true, 1000},
        {"5000,fault=silent", true, 5000},
        {"0", false, 0},
        {"5001", false, 0},
        {"x,power=on", false, 0},
        {"", false, 0},
        {"3,colour=red", false, 0},
        {"3,serial", false, 0},
    };
    for (const Case& c : cases) {
        FleetDef fleet;
        std::string error;
        EXPECT_EQ(ParseFleetDef(c.text, fleet, error), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << c.text;
            continue;
        }
        EXPECT_EQ(fleet.count, c.count);
        EXPECT_EQ(fleet.def.host, "127.0.0.1");
        EXPECT_FALSE(fleet.def.serial);
    }
    FleetDef pjlink;
    std::string error;
    ASSERT_TRUE(ParseFleetDef("2,power=on,protocol=pjlink,lamp=2900", pjlink, error)) << error;
    EXPECT_EQ(pjlink.def.protocol, Protocol::Pjlink);
    EXPECT_EQ(pjlink.def.lampHours, 2900);
    EXPECT_EQ(pjlink.def.sim.power, InitialPower::On);
}
