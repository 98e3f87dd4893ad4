// orvaned.conf's [MQTT] section as the service reads (and --check checks) it.
#include "service/ServiceConfig.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace orvane::service {
namespace {

TEST(MqttConfig, ReadsBrokerUrls) {
    const struct {
        const char* url;
        bool ok;
        const char* host;
        int port;
        bool tls;
    } cases[] = {{"mqtt://127.0.0.1:1883", true, "127.0.0.1", 1883, false},
                 {"mqtt://broker.campus", true, "broker.campus", 1883, false},
                 {"mqtts://broker.campus", true, "broker.campus", 8883, true},
                 {"mqtts://[::1]:9883/", true, "::1", 9883, true},
                 {"mqtt://host:0", false, "", 0, false},
                 {"mqtt://:1883", false, "", 0, false},
                 {"http://host", false, "", 0, false},
                 {"mqtt://user@host", false, "", 0, false}};
    for (const auto& c : cases) {
        MqttConfig config;
        ASSERT_EQ(ParseBrokerUrl(c.url, config), c.ok) << c.url;
        if (c.ok) {
            EXPECT_EQ(config.host, c.host);
            EXPECT_EQ(config.port, c.port);
            EXPECT_EQ(config.tls, c.tls);
        }
    }
}

TEST(MqttConfig, ChecksTheSectionAndReadsAnOwnerOnlyPasswordFile) {
    test::TempDir dir;
    test::ScopedWorkDir work(dir.path());
    ASSERT_EQ(mkdir(dir.File("rooms").c_str(), 0700), 0);
    dir.Write("secret", "s3cret\n");
    dir.Write("open", "s3cret\n");
    ASSERT_EQ(chmod(dir.File("secret").c_str(), 0600), 0);
    ASSERT_EQ(chmod(dir.File("open").c_str(), 0644), 0);
    dir.Write("ca.pem", "x");
    const struct {
        const char* section;
        const char* problem; // empty: none
    } cases[] = {
        {"", ""},
        {"Broker=mqtt://127.0.0.1:1883\nUser=orvane\nPasswordFile=secret\nSite=b1\n", ""},
        {"Broker=mqtt://127.0.0.1:1883\nPasswordFile=open\n",
         "orvaned.conf:3: PasswordFile: open must be readable by its owner only"},
        {"Broker=mqtt://127.0.0.1:1883\nPasswordFile=missing\n", "orvaned.conf:3: PasswordFile: cannot read missing"},
        {"Broker=tcp://127.0.0.1\n", "orvaned.conf:2: Broker:"},
        {"Broker=mqtts://127.0.0.1\n", "orvaned.conf: CAFile: mqtts:// needs"},
        {"Broker=mqtts://127.0.0.1\nCAFile=ca.pem\n", ""},
        {"Broker=mqtt://127.0.0.1\nSite=a/b\n", "orvaned.conf:3: Site:"},
        {"Broker=mqtt://127.0.0.1\nDiscovery=ha/+\n", "orvaned.conf:3: Discovery:"},
    };
    for (const auto& c : cases) {
        dir.Write("orvaned.conf", std::string("[MQTT]\n") + c.section + "[Rooms]\nFolder=rooms\n");
        ServiceConfig config;
        std::vector<ConfigProblem> problems;
        const bool ok = LoadServiceConfig("orvaned.conf", config, problems);
        EXPECT_EQ(ok, std::string(c.problem).empty()) << c.section;
        if (!ok) {
            ASSERT_EQ(problems.size(), 1U) << c.section;
            EXPECT_TRUE(problems[0].Describe().starts_with(c.problem)) << problems[0].Describe();
        }
    }
    dir.Write("orvaned.conf", "[MQTT]\nBroker=mqtt://127.0.0.1\nUser=orvane\nPasswordFile=secret\nDiscovery=\n"
                              "[Rooms]\nFolder=rooms\n");
    ServiceConfig config;
    std::vector<ConfigProblem> problems;
    ASSERT_TRUE(LoadServiceConfig("orvaned.conf", config, problems));
    EXPECT_TRUE(config.mqtt.enabled);
    EXPECT_EQ(config.mqtt.password, "s3cret");
    EXPECT_EQ(config.mqtt.site, "main");
    EXPECT_EQ(config.mqtt.topicPrefix, "orvane");
    EXPECT_EQ(config.mqtt.discovery, ""); // an empty Discovery= turns it off
}

} // namespace
} // namespace orvane::service
