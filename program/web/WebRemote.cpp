#include "web/WebRemote.h"

#include "catalog/CatalogFile.h"
#include "catalog/Language.h"
#include "catalog/MessageCatalog.h"
#include "web/EmbeddedFiles.h"
#include "web/PageTexts.h"

#include <boost/beast/http/field.hpp>

#include <cstdio>
#include <functional>

namespace orvane::web {

namespace {

namespace beasthttp = boost::beast::http;

// The page loads nothing from elsewhere and runs no inline code; nobody may frame it.
constexpr std::string_view kPolicy = "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
                                     "connect-src 'self'; form-action 'none'; base-uri 'none'; frame-ancestors 'none'";

std::string_view TypeOf(std::string_view path) {
    if (path.ends_with(".html"))
        return "text/html; charset=utf-8";
    if (path.ends_with(".js"))
        return "text/javascript; charset=utf-8";
    if (path.ends_with(".css"))
        return "text/css; charset=utf-8";
    if (path.ends_with(".svg"))
        return "image/svg+xml";
    return "application/octet-stream";
}

void Harden(http::Response& response) {
    response.set("Content-Security-Policy", kPolicy);
    response.set("X-Content-Type-Options", "nosniff");
    response.set("Referrer-Policy", "no-referrer");
}

} // namespace

WebRemote::WebRemote() : WebRemote(LoadCatalogFile(kDefaultCatalogFile), LoadCatalogFile(kChineseCatalogFile)) {}

WebRemote::WebRemote(std::shared_ptr<const CatalogFile> english, std::shared_ptr<const CatalogFile> chinese)
    : english_(std::move(english)), chinese_(std::move(chinese)) {
    for (const EmbeddedFile& f : EmbeddedFiles()) {
        // The files change only with the program: their hash tells a browser's copy apart.
        char tag[24];
        std::snprintf(tag, sizeof tag, "\"%016zx\"", std::hash<std::string_view>{}(f.body));
        files_.emplace(std::string(f.path), File{f.body, TypeOf(f.path), tag});
    }
}

http::Response WebRemote::Answer(const http::Request& request) const {
    std::string path = http::DecodedPath(request.target());
    if (path == "/api/v1/texts")
        return Texts(request);
    if (path == "/")
        path = "/index.html";
    const auto it = files_.find(path);
    if (it == files_.end())
        return http::ErrorResponse(404, "no such resource");
    const File& file = it->second;
    http::Response response;
    if (request[beasthttp::field::if_none_match] == file.etag) {
        response.result(304);
    } else {
        response = http::TextResponse(200, std::string(file.body), file.type);
    }
    // A browser may keep the files but asks each time whether they are still the program's.
    response.set(beasthttp::field::cache_control, "no-cache");
    response.set(beasthttp::field::etag, file.etag);
    Harden(response);
    return response;
}

http::Response WebRemote::Texts(const http::Request& request) const {
    const std::string_view target = request.target();
    const std::size_t question = target.find('?');
    const std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    const int language = PageLanguage(query, request[beasthttp::field::accept_language]);
    const CatalogFile* catalog = language == kLangChineseSimplified ? chinese_.get() : english_.get();
    http::Response response = http::JsonResponse(200, PageTextsJson(catalog, language));
    response.set(beasthttp::field::vary, "Accept-Language");
    Harden(response);
    return response;
}

} // namespace orvane::web
