// The token file and the gate that reads it: hashes only, owner-only, round trips, and the
// gate's decisions on tokens, sessions, wrong-token strikes and a changed file.
#include "http/TokenStore.h"
#include "http/AccessGate.h"
#include "platform/Hex.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace orvane::test {
namespace {

using http::AccessGate;
using http::TokenScope;
using http::TokenStore;

TEST(TokenStore, KeepsOnlyHashesOwnerOnlyAndReadsBackWhatItWrote) {
    TempDir dir;
    const std::string path = dir.File(http::kTokenFileName);
    TokenStore store(path);
    const std::string alice = http::NewToken();
    const std::string bob = http::NewToken();
    ASSERT_TRUE(store.Add("alice", TokenScope::Control, alice));
    ASSERT_TRUE(store.Add("bob.lab-2", TokenScope::Read, bob));
    EXPECT_FALSE(store.Add("alice", TokenScope::Read, bob));
    ASSERT_TRUE(store.Save());

    const std::string text = dir.Read(http::kTokenFileName);
    EXPECT_EQ(text.find(alice), std::string::npos);
    EXPECT_NE(text.find("alice control " + ToHex(http::Sha256(alice)) + "\n"), std::string::npos) << text;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U);

    TokenStore again(path);
    ASSERT_TRUE(again.Load().ok());
    ASSERT_EQ(again.Tokens().size(), 2U);
    EXPECT_EQ(again.Tokens()[1].name, "bob.lab-2");
    EXPECT_EQ(again.Tokens()[1].scope, TokenScope::Read);
    EXPECT_EQ(again.Tokens()[1].hash, http::Sha256(bob));
    EXPECT_TRUE(again.Remove("alice"));
    EXPECT_FALSE(again.Remove("alice"));
    EXPECT_TRUE(TokenStore(dir.File("none.txt")).Load().missing());
}

TEST(TokenStore, EncodesTokensAsBase64UrlOfThirtyTwoRandomBytes) {
    const auto encode = [](std::string_view text) {
        return http::Base64Url({reinterpret_cast<const unsigned char*>(text.data()), text.size()});
    };
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("f"), "Zg");
    EXPECT_EQ(encode("fo"), "Zm8");
    EXPECT_EQ(encode("foo"), "Zm9v");
    EXPECT_EQ(encode("\xfb\xff\xbf"), "-_-_");
    EXPECT_EQ(ToHex(http::Sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string token = http::NewToken();
    EXPECT_EQ(token.size(), 43U);
    EXPECT_EQ(token.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
              std::string::npos);
    EXPECT_NE(token, http::NewToken());
}

TEST(TokenStore, ReadsOnlyWellFormedLines) {
    const std::string hex(64, 'a');
    struct Case {
        std::string line;
        bool ok;
    };
    const Case cases[] = {
        {"alice read " + hex, true},
        {"alice control " + hex + "\r", true},
        {"alice write " + hex, false},
        {"alice read " + hex.substr(2), false},
        {"alice read " + hex.substr(1) + "g", false},
        {"al/ice read " + hex, false},
        {std::string(65, 'a') + " read " + hex, false},
        {"alice read", false},
        {"alice read " + std::string(64, '0'), false},
        {"", false},
    };
    for (const Case& c : cases) {
        http::TokenRecord record;
        EXPECT_EQ(http::ParseTokenLine(c.line, record), c.ok) << c.line;
    }
}

class Gate : public ::testing::Test {
protected:
    void SetUp() override {
        TokenStore store(dir_.File(http::kTokenFileName));
        ASSERT_TRUE(store.Add("ops", TokenScope::Control, control_));
        ASSERT_TRUE(store.Add("wall", TokenScope::Read, read_));
        ASSERT_TRUE(store.Save());
        std::string error;
        ASSERT_TRUE(gate_.Reload(error)) << error;
    }
    AccessGate::Verdict Check(const std::string& authorization, const std::string& cookie = {},
                              AccessGate::Clock::duration after = {}) {
        return gate_.Check(authorization, cookie, "127.0.0.1", start_ + after, who_);
    }

    TempDir dir_;
    std::string control_ = http::NewToken();
    std::string read_ = http::NewToken();
    AccessGate gate_{dir_.File(http::kTokenFileName)};
    AccessGate::Clock::time_point start_ = AccessGate::Clock::now();
    http::Identity who_;
};

TEST_F(Gate, NamesTheTokensScopeAndRefusesMissingOrUnknownOnes) {
    EXPECT_EQ(Check("Bearer " + control_), AccessGate::Verdict::Allowed);
    EXPECT_EQ(who_.name, "ops");
    EXPECT_EQ(Check("bearer  " + read_), AccessGate::Verdict::Allowed);
    EXPECT_EQ(who_.scope, TokenScope::Read);
    EXPECT_EQ(Check(""), AccessGate::Verdict::Missing);
    EXPECT_EQ(Check("Bearer " + control_ + "x"), AccessGate::Verdict::Unknown);
    EXPECT_EQ(Check("Basic " + control_), AccessGate::Verdict::Unknown);
}

TEST_F(Gate, TenWrongTokensInAMinuteShutTheAddressForAMinute) {
    for (int i = 0; i < 20; ++i) // requests without a token do not count
        EXPECT_EQ(Check(""), AccessGate::Verdict::Missing);
    for (int i = 0; i < AccessGate::kWrongTokenLimit; ++i)
        EXPECT_EQ(Check("Bearer wrong", {}, std::chrono::seconds(i)), AccessGate::Verdict::Unknown);
    EXPECT_EQ(Check("Bearer " + control_, {}, std::chrono::seconds(10)), AccessGate::Verdict::Throttled);
    EXPECT_EQ(gate_.Check("Bearer " + control_, {}, "127.0.0.2", start_, who_), AccessGate::Verdict::Allowed);
    EXPECT_EQ(Check("Bearer " + control_, {}, std::chrono::seconds(70)), AccessGate::Verdict::Allowed);
    // Strikes older than the minute are forgotten: nine, a pause, nine more do not shut it.
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Check("Bearer wrong", {}, std::chrono::seconds(80)), AccessGate::Verdict::Unknown);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(Check("Bearer wrong", {}, std::chrono::seconds(150)), AccessGate::Verdict::Unknown);
    EXPECT_EQ(Check("Bearer " + control_, {}, std::chrono::seconds(150)), AccessGate::Verdict::Allowed);
}

TEST_F(Gate, SessionsLastAsLongAsTheirTokenAndTheFileIsReReadWhenItChanges) {
    EXPECT_TRUE(gate_.OpenSession("Bearer wrong").empty());
    const std::string session = gate_.OpenSession("Bearer " + read_);
    ASSERT_FALSE(session.empty());
    const std::string cookie = "a=b; " + std::string(http::kSessionCookie) + "=" + session;
    EXPECT_EQ(Check("", cookie), AccessGate::Verdict::Allowed);
    EXPECT_TRUE(who_.viaCookie);
    EXPECT_EQ(who_.name, "wall");
    EXPECT_EQ(Check("", std::string(http::kSessionCookie) + "=other"), AccessGate::Verdict::Unknown);

    TokenStore store(dir_.File(http::kTokenFileName));
    ASSERT_TRUE(store.Load().ok());
    ASSERT_TRUE(store.Remove("wall"));
    const std::string added = http::NewToken();
    ASSERT_TRUE(store.Add("new", TokenScope::Read, added));
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(Check("", cookie), AccessGate::Verdict::Unknown);
    EXPECT_EQ(Check("Bearer " + added), AccessGate::Verdict::Allowed);
    EXPECT_EQ(Check("Bearer " + read_), AccessGate::Verdict::Unknown);
}

TEST(GateWithoutTokens, IsOpenUnlessTokensAreRequired) {
    TempDir dir;
    AccessGate gate(dir.File(http::kTokenFileName));
    std::string error;
    ASSERT_TRUE(gate.Reload(error));
    http::Identity who;
    EXPECT_EQ(gate.Check("", "", "127.0.0.1", AccessGate::Clock::now(), who), AccessGate::Verdict::Allowed);
    gate.RequireTokens(true);
    EXPECT_EQ(gate.Check("", "", "127.0.0.1", AccessGate::Clock::now(), who), AccessGate::Verdict::Missing);
}

} // namespace
} // namespace orvane::test
