#pragma once

#include "http/ApiRouter.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace orvane {
class CatalogFile;
}

namespace orvane::web {

// The web remote as orvaned serves it: the page at `/` and `/index.html`, its script,
// style and the toolbar's icons under `/static/`, all compiled into the program, and
// `/api/v1/texts`, the page's texts in the language it asks for.
class WebRemote : public http::IPublicContent {
public:
    // Reads txtdef.cat and txtzhs.cat where the other programs find their catalog.
    WebRemote();
    // The catalogs given (either may be null: its texts then read "No Message Catalog").
    WebRemote(std::shared_ptr<const CatalogFile> english, std::shared_ptr<const CatalogFile> chinese);

    http::Response Answer(const http::Request& request) const override;

private:
    struct File {
        std::string_view body;
        std::string_view type;
        std::string etag;
    };
    http::Response Texts(const http::Request& request) const;

    std::shared_ptr<const CatalogFile> english_;
    std::shared_ptr<const CatalogFile> chinese_;
    std::map<std::string, File, std::less<>> files_;
};

} // namespace orvane::web
