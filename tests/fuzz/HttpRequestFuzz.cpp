// HTTP requests as the service's connections parse them, screened and answered by the API's
// router over a core that checks command bodies with the service's own parser: the parser
// and the router never throw, every request is answered exactly once (or opens the event
// stream), with a status the API knows, a 401 names its scheme and every JSON answer parses.
#include "FuzzSupport.h"
#include "http/AccessGate.h"
#include "http/ApiRouter.h"
#include "service/RoomCommands.h"
#include "service/ServiceConfig.h"

#include <boost/beast/http/parser.hpp>

#include <filesystem>
#include <limits>
#include <set>

namespace {

using namespace orvane;

// The one token of the gate's file: an input that carries it passes the gate.
constexpr std::string_view kToken = "fuzz-token";

constexpr const char* kRoom = "[GENERAL]\nMODEL=AX-210\nModelID=101\nType=1\n[PROJECTOR]\nPJTNUM=1\nSELECTPRJ=1\n"
                              "[CONNECT-1]\nCONMETHOD=1\nTCPPORTNO=1\nIPADDRESS=127.0.0.1\nPASSWORD=\n"
                              "[TOOLBAR]\nCONFIG=1\nPOWERON=1\nPOWEROFF=1\nVOLUME=1\nMUTE=1\n"
                              "[INPUTSOURCE]\nInputNum=2\nInput_001=1;3;HDMI 1\nInput_002=1;1;Video\n"
                              "[Volume]\nMin-Max=0,63\n";

// A core with the room "hall" whose commands are checked as the service checks them.
class CheckingModel : public service::IServiceModel {
public:
    CheckingModel() {
        std::vector<service::ConfigProblem> problems;
        std::filesystem::create_directories(fuzz::WorkDir() + "/rooms");
        fuzz::WriteInputFile("rooms/hall.txt", kRoom);
        rooms_ = service::LoadRooms("rooms", problems);
        FUZZ_CHECK(rooms_.size() == 1);
    }
    nlohmann::json Rooms() const override { return nlohmann::json{{"rooms", nlohmann::json::array()}}; }
    std::optional<nlohmann::json> Room(std::string_view id) const override {
        if (id != "hall")
            return std::nullopt;
        return nlohmann::json{{"id", "hall"}, {"name", "\xff not UTF-8"}};
    }
    void RunCommand(std::string_view roomId, const nlohmann::json& body, CommandDone done) override {
        if (roomId != "hall") {
            done({404, {{"error", "no room"}}});
            return;
        }
        service::CommandRequest request;
        std::string error;
        bool ok = false;
        try {
            ok = service::ParseCommandRequest(body, *rooms_.front().model, request, error);
        } catch (...) {
            FUZZ_CHECK(!"ParseCommandRequest threw");
        }
        FUZZ_CHECK(ok == error.empty());
        done(ok ? service::CommandOutcome{200, {{"command", request.command}, {"ok", true}}}
                : service::CommandOutcome{400, {{"error", error}}});
    }
    std::vector<service::ServiceEvent> CurrentState() const override { return {}; }
    Subscription Subscribe(Listener) override { return 1; }
    void Unsubscribe(Subscription) override {}
    std::string Metrics() const override { return {}; }

private:
    std::vector<service::RoomFile> rooms_;
};

struct Fixture {
    Fixture() {
        http::TokenStore store(fuzz::WorkDir() + "/" + http::kTokenFileName);
        FUZZ_CHECK(store.Add("fuzz", http::TokenScope::Control, kToken));
        FUZZ_CHECK(store.Save());
        std::string error;
        FUZZ_CHECK(gate.Reload(error));
    }
    CheckingModel model;
    http::AccessGate gate{fuzz::WorkDir() + "/" + http::kTokenFileName};
    http::ServerCounters counters;
    http::ApiRouter router{model, gate, counters, false};
};

void CheckAnswer(const http::Response& response) {
    static const std::set<unsigned> kKnown = {200, 400, 401, 403, 404, 405, 413, 415, 429, 500, 502};
    FUZZ_CHECK(kKnown.count(response.result_int()) == 1);
    if (response.result_int() == 401)
        FUZZ_CHECK(response[boost::beast::http::field::www_authenticate].starts_with("Bearer"));
    if (response[boost::beast::http::field::content_type].starts_with("application/json"))
        FUZZ_CHECK(!nlohmann::json::parse(response.body(), nullptr, false).is_discarded());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace beasthttp = boost::beast::http;
    static Fixture fixture;
    // Every input comes from its own address, so that wrong tokens never add up to a 429.
    static unsigned long long inputs = 0;
    const std::string peer = "127.0.0." + std::to_string(++inputs);

    std::string_view rest = fuzz::AsText(data, size);
    beasthttp::request_parser<beasthttp::string_body> parser;
    parser.header_limit(16 * 1024);
    parser.body_limit(std::numeric_limits<std::uint64_t>::max());
    parser.eager(false);
    bool screened = false;
    http::Identity who;
    // The bytes arrive in pieces of up to 7, as a slow client sends them.
    std::size_t piece = 0;
    std::string pending;
    while (!parser.is_done()) {
        if (rest.empty())
            return 0;
        const std::size_t take = std::min<std::size_t>(rest.size(), 1 + (piece++ % 7));
        pending.append(rest.substr(0, take));
        rest.remove_prefix(take);
        boost::beast::error_code ec;
        while (!pending.empty() && !parser.is_done()) {
            const std::size_t used = parser.put(boost::asio::buffer(pending), ec);
            pending.erase(0, used);
            if (ec == beasthttp::error::need_more) {
                ec = {};
                break;
            }
            if (ec)
                return 0;
            if (parser.is_header_done() && !screened) {
                screened = true;
                if (std::optional<http::Response> refusal = fixture.router.Screen(parser.get().base(), peer, who)) {
                    CheckAnswer(*refusal);
                    return 0;
                }
                parser.body_limit(64 * 1024);
                parser.eager(true);
            }
            if (used == 0)
                break;
        }
    }
    int answers = 0;
    const bool stream = fixture.router.Handle(parser.get(), who, [&](http::Response response) {
        ++answers;
        CheckAnswer(response);
    });
    FUZZ_CHECK(answers == (stream ? 0 : 1));
    if (stream)
        FUZZ_CHECK(parser.get().method() == beasthttp::verb::get &&
                   parser.get().target().starts_with("/api/v1/events"));
    return 0;
}
