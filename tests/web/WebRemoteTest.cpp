// The web remote's files and texts as orvaned answers them, without a socket.

#include "web/WebRemote.h"
#include "catalog/CatalogFile.h"
#include "catalog/MessageCatalog.h"
#include "web/PageTexts.h"

#include <boost/beast/http/field.hpp>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace orvane::web {
namespace {

namespace beasthttp = boost::beast::http;

std::shared_ptr<const CatalogFile> Shipped(const char* name) {
    auto catalog = std::make_shared<CatalogFile>();
    EXPECT_EQ(catalog->Load(std::string(ORVANE_SOURCE_DIR) + "/res/" + name), 0);
    return catalog;
}

http::Response Get(const WebRemote& web, const std::string& target, const std::string& acceptLanguage = {},
                   const std::string& ifNoneMatch = {}) {
    http::Request request{beasthttp::verb::get, target, 11};
    if (!acceptLanguage.empty())
        request.set(beasthttp::field::accept_language, acceptLanguage);
    if (!ifNoneMatch.empty())
        request.set(beasthttp::field::if_none_match, ifNoneMatch);
    return web.Answer(request);
}

TEST(PageLanguage, QueryFirstThenAcceptLanguageByWeight) {
    struct Case {
        const char* query;
        const char* accept;
        int language;
    };
    const Case cases[] = {
        {"", "", 1033},
        {"lang=zh", "en-US", 2052},
        {"x=1&lang=zh-CN", "", 2052},
        {"lang=en", "zh-CN", 1033},
        {"lang=fr", "zh-CN", 1033},
        {"", "zh-CN,zh;q=0.9,en;q=0.8", 2052},
        {"", "zh-Hans", 2052},
        {"", "en-GB,zh;q=0.5", 1033},
        {"", "de-DE,zh;q=0.7,en;q=0.3", 2052},
        {"", "fr, en;q=0.9, zh;q=0.95", 2052},
        {"", "zh-TW", 1033},
        {"", "zh;q=0, en", 1033},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageLanguage(c.query, c.accept), c.language) << c.query << " / " << c.accept;
}

TEST(PageTexts, EveryTextIsInBothShippedCatalogsUnderEachKey) {
    const auto english = Shipped(kDefaultCatalogFile);
    const auto chinese = Shipped(kChineseCatalogFile);
    const nlohmann::json en = PageTextsJson(english.get(), 1033);
    const nlohmann::json zh = PageTextsJson(chinese.get(), 2052);
    EXPECT_EQ(en["lang"], "en");
    EXPECT_EQ(zh["lang"], "zh-Hans");
    std::set<std::string> keys;
    for (const PageText& t : PageTextTable()) {
        EXPECT_TRUE(keys.insert(t.key).second) << t.key;
        EXPECT_NE(english->Find(1033, t.set, t.number), nullptr) << t.key;
        EXPECT_NE(chinese->Find(2052, t.set, t.number), nullptr) << t.key;
        // Translated, all but the product's name.
        if (std::string_view(t.key) != "title") {
            EXPECT_NE(en["texts"][t.key], zh["texts"][t.key]) << t.key;
        }
    }
    EXPECT_EQ(en["texts"]["power_on"], "Power On");
    EXPECT_EQ(en["texts"]["summary_on"], "%1 of %2 projectors on");
    // Without a catalog the lookup says so, as everywhere else.
    EXPECT_EQ(PageTextsJson(nullptr, 1033)["texts"]["power_on"], kNoMessageCatalog);
}

TEST(WebRemote, ServesThePageItsFilesAndItsTexts) {
    const WebRemote web(Shipped(kDefaultCatalogFile), Shipped(kChineseCatalogFile));
    struct Case {
        const char* target;
        unsigned status;
        const char* type;
        const char* contains;
    };
    const Case cases[] = {
        {"/", 200, "text/html; charset=utf-8", "static/app.js"},
        {"/index.html", 200, "text/html; charset=utf-8", "static/app.css"},
        {"/static/app.js", 200, "text/javascript; charset=utf-8", "EventSource"},
        {"/static/app.css", 200, "text/css; charset=utf-8", ".toolbar"},
        {"/static/icons/power_on.svg", 200, "image/svg+xml", "<svg"},
        {"/static/icons/%70ower_on.svg", 200, "image/svg+xml", "<svg"},
        {"/static/nothing.js", 404, "application/json; charset=utf-8", "error"},
        {"/static/../index.html", 404, "application/json; charset=utf-8", "error"},
        {"/api/v1/texts?lang=zh", 200, "application/json; charset=utf-8", "\"zh-Hans\""},
    };
    for (const Case& c : cases) {
        const http::Response r = Get(web, c.target);
        EXPECT_EQ(r.result_int(), c.status) << c.target;
        EXPECT_EQ(r[beasthttp::field::content_type], c.type) << c.target;
        EXPECT_NE(r.body().find(c.contains), std::string::npos) << c.target;
        if (c.status == 200) {
            EXPECT_NE(r["Content-Security-Policy"].find("default-src 'none'"), std::string::npos) << c.target;
            EXPECT_EQ(r["X-Content-Type-Options"], "nosniff") << c.target;
        }
    }
    EXPECT_EQ(nlohmann::json::parse(Get(web, "/api/v1/texts", "zh-CN,zh;q=0.9").body())["texts"]["power_on"],
              CatalogTextIn(Shipped(kChineseCatalogFile).get(), 2052, 11, 16));
}

TEST(WebRemote, AnUnchangedFileIsNotSentAgain) {
    const WebRemote web(nullptr, nullptr);
    const http::Response first = Get(web, "/static/app.js");
    const std::string etag(first[beasthttp::field::etag]);
    ASSERT_FALSE(etag.empty());
    const http::Response again = Get(web, "/static/app.js", {}, etag);
    EXPECT_EQ(again.result_int(), 304);
    EXPECT_TRUE(again.body().empty());
    EXPECT_EQ(Get(web, "/static/app.js", {}, "\"other\"").result_int(), 200);
}

} // namespace
} // namespace orvane::web
