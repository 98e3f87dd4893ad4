#pragma once

#include <nlohmann/json.hpp>

#include <span>
#include <string_view>

namespace orvane {
class CatalogFile;
}

namespace orvane::web {

// One text of the web page: the key the page's script knows it by and its catalog message.
struct PageText {
    const char* key;
    int set;
    int number;
};

// Every text the page shows, the toolbar's own tooltips and captions among them.
std::span<const PageText> PageTextTable();

// The language a page asks for: `lang=` of the query when given ("zh", "zh-CN", "en", ...),
// else the first language of an Accept-Language header, by weight, that has a catalog.
// 2052 (simplified Chinese) or 1033 (English, also for anything else).
int PageLanguage(std::string_view query, std::string_view acceptLanguage);

// {"lang": "en" or "zh-Hans", "texts": {KEY: TEXT, ...}}: every text of the table looked up in
// `catalog` under `language` with the catalog's fallbacks. Inserts (%1, %2) stay for the page
// to fill.
nlohmann::json PageTextsJson(const CatalogFile* catalog, int language);

} // namespace orvane::web
