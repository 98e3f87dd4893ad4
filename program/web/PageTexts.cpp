#include "web/PageTexts.h"

#include "catalog/Language.h"
#include "catalog/MessageCatalog.h"
#include "platform/Blanks.h"

#include <charconv>
#include <string>
#include <vector>

namespace orvane::web {

namespace {

constexpr int kUi = kCatalogSetUi;
constexpr int kErr = kCatalogSetErrors;

constexpr PageText kTexts[] = {
    // The toolbar's tooltips and the volume panel's captions.
    {"power_on", kUi, 16},
    {"power_off", kUi, 17},
    {"blank_on", kUi, 18},
    {"blank_off", kUi, 19},
    {"volume", kUi, 20},
    {"freeze_on", kUi, 22},
    {"freeze_off", kUi, 23},
    {"mute", kUi, 43},
    {"up", kUi, 29},
    {"down", kUi, 30},
    {"title", kUi, 47},
    // The page's own.
    {"rooms", kUi, 500},
    {"token_intro", kUi, 501},
    {"token", kUi, 502},
    {"sign_in", kUi, 503},
    {"all_rooms", kUi, 504},
    {"power_off_state", kUi, 505},
    {"power_on_state", kUi, 506},
    {"warming_up", kUi, 507},
    {"cooling_down", kUi, 508},
    {"changing", kUi, 509},
    {"unreachable", kUi, 510},
    {"power_unknown", kUi, 511},
    {"projector", kUi, 512},
    {"summary_on", kUi, 513},
    {"summary_failing", kUi, 514},
    {"lamp_hours", kUi, 515},
    {"error_fan", kUi, 516},
    {"error_lamp", kUi, 517},
    {"error_temperature", kUi, 518},
    {"error_cover", kUi, 519},
    {"error_filter", kUi, 520},
    {"error_other", kUi, 521},
    {"status_warning", kUi, 522},
    {"status_error", kUi, 523},
    {"no_errors", kUi, 524},
    {"volume_level", kUi, 525},
    {"close", kUi, 526},
    {"reconnecting", kUi, 527},
    {"no_rooms", kUi, 528},
    {"current_input", kUi, 529},
    {"toolbar", kUi, 530},
    {"projectors", kUi, 531},
    {"loading", kUi, 532},
    {"reported", kUi, 533},
    {"blank_on_state", kUi, 534},
    {"blank_off_state", kUi, 535},
    {"mute_on_state", kUi, 536},
    {"mute_off_state", kUi, 537},
    {"freeze_on_state", kUi, 538},
    {"freeze_off_state", kUi, 539},
    {"token_refused", kErr, 4000},
    {"token_throttled", kErr, 4001},
    {"no_room", kErr, 4002},
    {"command_refused", kErr, 4003},
    {"read_only", kErr, 4004},
    {"service_unreachable", kErr, 4005},
};

// The weight of one Accept-Language entry's parameters ("q=0.8"); 1 when there is none.
double Weight(std::string_view parameters) {
    const std::size_t q = parameters.find("q=");
    if (q == std::string_view::npos)
        return 1.0;
    const std::string value(TrimBlanks(parameters.substr(q + 2)));
    double weight = 0.0;
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), weight);
    return ec == std::errc() ? weight : 0.0;
}

} // namespace

std::span<const PageText> PageTextTable() {
    return kTexts;
}

int PageLanguage(std::string_view query, std::string_view acceptLanguage) {
    // The query names the language outright: a link can show the page in Chinese anywhere.
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (pair.starts_with("lang="))
            return CatalogLanguage(pair.substr(5)) == kLangChineseSimplified ? kLangChineseSimplified : kLangEnglishUS;
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    }
    int best = kLangEnglishUS;
    double bestWeight = 0.0;
    while (!acceptLanguage.empty()) {
        const std::size_t comma = acceptLanguage.find(',');
        const std::string_view entry = acceptLanguage.substr(0, comma);
        const std::size_t semicolon = entry.find(';');
        const int language = CatalogLanguage(entry.substr(0, semicolon));
        const double weight = semicolon == std::string_view::npos ? 1.0 : Weight(entry.substr(semicolon + 1));
        // Equal weights keep the header's order.
        if (language != 0 && weight > bestWeight) {
            best = language;
            bestWeight = weight;
        }
        acceptLanguage = comma == std::string_view::npos ? std::string_view() : acceptLanguage.substr(comma + 1);
    }
    return best;
}

nlohmann::json PageTextsJson(const CatalogFile* catalog, int language) {
    nlohmann::json texts = nlohmann::json::object();
    for (const PageText& t : kTexts)
        texts[t.key] = CatalogTextIn(catalog, language, t.set, t.number);
    return {{"lang", language == kLangChineseSimplified ? "zh-Hans" : "en"}, {"texts", texts}};
}

} // namespace orvane::web
