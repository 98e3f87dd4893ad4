// HTTPS with a certificate the test makes: served over TLS 1.2 or later only.
#include "HttpTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <openssl/ssl.h>

namespace orvane::test {
namespace {

class Tls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MakeCertificate(certificate_, key_)); }
    http::HttpSettings Settings() const {
        http::HttpSettings settings = LoopbackSettings();
        settings.certificate = certificate_;
        settings.key = key_;
        return settings;
    }
    TempDir dir_;
    std::string certificate_ = dir_.File("cert.pem");
    std::string key_ = dir_.File("key.pem");
};

TEST_F(Tls, ServesHttpsOnlyFromTls12On) {
    LiveServer server(Settings());
    ASSERT_TRUE(server.started()) << server.error();
    EXPECT_TRUE(server.url().starts_with("https://127.0.0.1:")) << server.url();
    TestClient client(server.port(), certificate_);
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Exchange("GET", "/healthz").body, "ok");
    EXPECT_EQ(client.Exchange("GET", "/api/v1/rooms/r1").status, 200U);
    const Reply session = client.Exchange("POST", "/api/v1/session");
    EXPECT_EQ(session.status, 200U);

    TestClient plain(server.port());
    EXPECT_EQ(plain.Exchange("GET", "/healthz").status, 0U);
    TestClient old(server.port(), certificate_, TLS1_1_VERSION);
    EXPECT_FALSE(old.Connected());
    TestClient tls12(server.port(), certificate_, TLS1_2_VERSION);
    EXPECT_TRUE(tls12.Connected());
}

TEST_F(Tls, RefusesToStartWithAMissingOrMismatchedKey) {
    http::HttpSettings settings = Settings();
    settings.key = dir_.File("missing.pem");
    LiveServer missing(settings);
    EXPECT_FALSE(missing.started());
    EXPECT_NE(missing.error().find("missing.pem"), std::string::npos) << missing.error();

    settings.key.clear();
    EXPECT_FALSE(LiveServer(settings).started());

    ASSERT_TRUE(MakeCertificate(dir_.File("other.pem"), dir_.File("other.key")));
    settings.key = dir_.File("other.key");
    LiveServer mismatched(settings);
    EXPECT_FALSE(mismatched.started());
    EXPECT_NE(mismatched.error().find("other.key"), std::string::npos) << mismatched.error();
}

} // namespace
} // namespace orvane::test
