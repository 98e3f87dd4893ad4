#include "linkcore/PjlinkNotification.h"
#include "linkcore/PjlinkNotifyListener.h"

#include "platform/PrivateProfile.h"
#include "support/UdpInbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace linkcore {
namespace {

using Kind = PjlinkNotification::Kind;

PjlinkNotification Note(Kind kind, std::string value, int power = 0, std::array<int, 6> errors = {}) {
    return {kind, std::move(value), power, errors};
}

TEST(PjlinkNotification, DatagramsAreReadAsTolerantlyAsAnswers) {
    using std::string_literals::operator""s;
    const struct {
        std::string datagram;
        std::vector<PjlinkNotification> expected;
    } cases[] = {
        {"%2LKUP=00:11:22:aa:bb:cc\r", {Note(Kind::Lookup, "00:11:22:AA:BB:CC")}},
        {"%2POWR=1\r", {Note(Kind::Power, "1", 1)}},
        {"%2POWR=3", {Note(Kind::Power, "3", 3)}}, // no line end: the datagram ends it
        {"%2INPT=3a\n", {Note(Kind::Input, "3A")}},
        {"%2ERST=001200\r\n", {Note(Kind::ErrorStatus, "001200", 0, {0, 0, 1, 2, 0, 0})}},
        {"\0\0> %2avmt=31\r"s, {Note(Kind::AvMute, "31")}},
        {"%2POWR=0\r%2INPT=32\r", {Note(Kind::Power, "0", 0), Note(Kind::Input, "32")}},
        // Not notifications: a class 1 head, an answer no notification has, bad values.
        {"%1POWR=1\r", {}},
        {"%2NAME=Hall\r", {}},
        {"%2POWR=4\r", {}},
        {"%2POWR=ERR3\r", {}},
        {"%2INPT=61\r", {}},
        {"%2ERST=0012\r", {}},
        {"%2AVMT=41\r", {}},
        {"%2LKUP=00:11:22:33:44\r", {}},
        {"PJLINK 0\r", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParsePjlinkNotifications(c.datagram), c.expected) << c.datagram;
}

// The listener hands on what the configured projectors send and drops what anybody else does,
// here 127.0.0.1 sending while only 127.0.0.2 is a projector.
TEST(PjlinkNotification, ListenerHearsOnlyTheConfiguredProjectors) {
    orvane::test::UdpInbox port;
    port.Release();
    const PjlinkSettings settings = PjlinkSettings::FromProfile(orvane::PrivateProfile::Parse(
        "[PJLink]\nNotifyAddress=127.0.0.1\nNotifyPort=" + std::to_string(port.Port()) + "\n"));
    EXPECT_EQ(settings.NotifyAddress(), "127.0.0.1");
    EXPECT_EQ(settings.NotifyPort(), port.Port());

    std::mutex mutex;
    std::condition_variable heard;
    std::vector<std::pair<std::string, PjlinkNotification>> got;
    PjlinkNotifyListener listener;
    std::string error;
    ASSERT_TRUE(listener.Start(
        settings, {"127.0.0.2"},
        [&](const std::string& source, const PjlinkNotification& n) {
            std::lock_guard lock(mutex);
            got.emplace_back(source, n);
            heard.notify_all();
        },
        error))
        << error;
    ASSERT_TRUE(orvane::test::UdpInbox::Send("127.0.0.1", port.Port(), "%2INPT=11\r"));
    ASSERT_TRUE(orvane::test::UdpInbox::Send("127.0.0.2", port.Port(), "%2INPT=32\r"));
    std::unique_lock lock(mutex);
    ASSERT_TRUE(heard.wait_for(lock, std::chrono::seconds(10), [&] { return !got.empty(); }));
    lock.unlock();
    listener.Stop();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].first, "127.0.0.2");
    EXPECT_EQ(got[0].second, Note(Kind::Input, "32"));

    // Defaults: every address, port 4352; 0 hears nothing.
    EXPECT_EQ(PjlinkSettings().NotifyAddress(), "");
    EXPECT_EQ(PjlinkSettings().NotifyPort(), 4352);
    const PjlinkSettings off = PjlinkSettings::FromProfile(orvane::PrivateProfile::Parse("[PJLink]\nNotifyPort=0\n"));
    EXPECT_LT(BindNotifySocket(off, error), 0);
}

} // namespace
} // namespace linkcore
