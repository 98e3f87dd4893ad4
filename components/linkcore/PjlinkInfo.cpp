#include "linkcore/PjlinkInfo.h"

#include "linkcore/PjlinkConnection.h"
#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkSettings.h"
#include "linkcore/PjlinkTranslator.h"

#include <charconv>

namespace linkcore {

namespace {

// Asks one item after another, opening the connection again when an item failed and the
// projector closed it.
class Asker {
public:
    Asker(const char* ipAddress, int port, const char* password, const LinkSettings& settings)
        : ip_(ipAddress), port_(port), password_(password), settings_(settings) {}

    bool Open() {
        usable_ = connection_.Open(ip_, port_, password_, settings_);
        return usable_;
    }
    int Class() { return usable_ ? connection_.Class() : 0; }

    // The answer as it came ("ERR2" included), or nothing without one.
    std::optional<std::string> Raw(char cls, std::string_view name, std::string_view param) {
        if (!usable_ || (!connection_.IsOpen() && !Open()))
            return std::nullopt;
        std::string value;
        if (connection_.Exchange(cls, name, param, value) != PjlinkConnection::Outcome::Answered) {
            // A projector that fails twice in a row, once on a new connection, has stopped
            // answering: every further item would cost a time-out of its own.
            usable_ = ++failures_ < 2;
            return std::nullopt;
        }
        failures_ = 0;
        return value;
    }
    // Asks `query` of a projector of the class `info` holds and takes the answer into it.
    void Take(const PjlinkQuery& query, PjlinkInfo& info) {
        const char cls = query.cls != 0 ? query.cls : info.pjlinkClass == 2 ? '2' : '1';
        TakePjlinkAnswer(query, Raw(cls, query.name, query.param), info);
    }

private:
    const char* ip_;
    int port_;
    const char* password_;
    const LinkSettings& settings_;
    PjlinkConnection connection_;
    bool usable_ = false;
    int failures_ = 0;
};

std::string Upper(std::string text) {
    for (char& c : text)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

std::optional<int> Number(std::string_view value) {
    int n = 0;
    if (value.empty())
        return std::nullopt;
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (ec != std::errc() || end != value.data() + value.size() || n < 0)
        return std::nullopt;
    return n;
}

// "31 32 3A": every code an input, or no list.
std::optional<std::vector<PjlinkInput>> ParseInputs(const std::string& list) {
    std::vector<PjlinkInput> inputs;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t space = list.find(' ', start);
        if (space == std::string::npos)
            space = list.size();
        std::string code = Upper(list.substr(start, space - start));
        if (!PjlinkSettings::IsInput(code))
            return std::nullopt;
        inputs.push_back({std::move(code), std::nullopt});
        start = space + 1;
    }
    return inputs;
}

// The items whose answer is kept as it came.
struct TextItem {
    const char* name;
    std::optional<std::string> PjlinkInfo::*field;
};
constexpr TextItem kTextItems[] = {
    {"NAME", &PjlinkInfo::name},
    {"INF1", &PjlinkInfo::manufacturer},
    {"INF2", &PjlinkInfo::product},
    {"INFO", &PjlinkInfo::other},
    {"SNUM", &PjlinkInfo::serial},
    {"SVER", &PjlinkInfo::software},
    {"IRES", &PjlinkInfo::inputResolution},
    {"RRES", &PjlinkInfo::recommendedResolution},
    {"RLMP", &PjlinkInfo::lampModel},
    {"RFIL", &PjlinkInfo::filterModel},
};

} // namespace

std::vector<PjlinkQuery> PjlinkInfoQueries() {
    std::vector<PjlinkQuery> queries;
    for (const char* name : {"NAME", "INF1", "INF2", "INFO", "POWR", "INPT", "AVMT", "LAMP", "ERST"})
        queries.push_back({'1', name});
    queries.push_back(PjlinkInputListQuery());
    return queries;
}

PjlinkQuery PjlinkInputListQuery() {
    return {0, "INST"};
}

std::vector<PjlinkQuery> PjlinkInputNameQueries(const PjlinkInfo& info) {
    std::vector<PjlinkQuery> queries;
    if (info.pjlinkClass != 2 || !info.inputs)
        return queries;
    for (const PjlinkInput& input : *info.inputs)
        queries.push_back({'2', "INNM", "?" + input.code});
    return queries;
}

std::vector<PjlinkQuery> PjlinkClass2Queries(const PjlinkInfo& info) {
    std::vector<PjlinkQuery> queries = PjlinkInputNameQueries(info);
    if (info.pjlinkClass != 2)
        return queries;
    for (const char* name : {"SNUM", "SVER", "IRES", "RRES", "FILT", "RLMP", "RFIL", "FREZ"})
        queries.push_back({'2', name});
    return queries;
}

void TakePjlinkAnswer(const PjlinkQuery& query, const std::optional<std::string>& answer, PjlinkInfo& info) {
    if (!answer)
        return;
    info.answered = true;
    const std::string_view name = query.name;
    const int error = pjlink::ErrorCode(*answer);
    // Projectors without a lamp (laser, LED) answer the lamp query with ERR1 or ERR2.
    if (name == "LAMP" && (error == 1 || error == 2)) {
        info.lamps.emplace();
        return;
    }
    if (error != 0)
        return;
    const std::string& value = *answer;
    for (const TextItem& item : kTextItems) {
        if (name == item.name) {
            info.*item.field = value;
            return;
        }
    }
    if (name == "CLSS") {
        info.pjlinkClass = PjlinkClassOf(value);
    } else if (name == "POWR") {
        if (value.size() == 1 && value[0] >= '0' && value[0] <= '3')
            info.power = value[0] - '0';
    } else if (name == "INPT") {
        if (PjlinkSettings::IsInput(Upper(value)))
            info.input = Upper(value);
    } else if (name == "AVMT") {
        if (value.size() == 2)
            info.avmute = value;
    } else if (name == "LAMP") {
        if (std::vector<PjlinkLamp> lamps; ParseLamps(value, lamps))
            info.lamps = std::move(lamps);
    } else if (name == "ERST") {
        if (std::array<int, 6> errors{}; ParseErrorStatus(value, errors))
            info.errors = errors;
    } else if (name == "INST") {
        if (std::optional<std::vector<PjlinkInput>> inputs = ParseInputs(value))
            info.inputs = std::move(inputs);
    } else if (name == "INNM") {
        if (info.inputs) {
            const std::string_view code = std::string_view(query.param).substr(1);
            for (PjlinkInput& input : *info.inputs) {
                if (input.code == code)
                    input.name = value;
            }
        }
    } else if (name == "FILT") {
        info.filterHours = Number(value);
    } else if (name == "FREZ") {
        if (value == "0" || value == "1")
            info.freeze = value == "1";
    }
}

bool ReadPjlinkInfo(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                    PjlinkInfo& out) {
    Asker ask(ipAddress, port, password, settings);
    out = PjlinkInfo{};
    if (!ask.Open())
        return false;
    out.pjlinkClass = ask.Class();
    for (const PjlinkQuery& query : PjlinkInfoQueries())
        ask.Take(query, out);
    for (const PjlinkQuery& query : PjlinkClass2Queries(out))
        ask.Take(query, out);
    out.answered = out.answered || out.pjlinkClass != 0;
    return out.answered;
}

bool ReadPjlinkInputs(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                      std::vector<PjlinkInput>& out) {
    Asker ask(ipAddress, port, password, settings);
    if (!ask.Open())
        return false;
    PjlinkInfo info;
    info.pjlinkClass = ask.Class();
    ask.Take(PjlinkInputListQuery(), info);
    for (const PjlinkQuery& query : PjlinkInputNameQueries(info))
        ask.Take(query, info);
    if (!info.inputs)
        return false;
    out = std::move(*info.inputs);
    return true;
}

bool SelectPjlinkInput(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                       std::string_view input, std::string& answer) {
    Asker ask(ipAddress, port, password, settings);
    if (!ask.Open())
        return false;
    std::optional<std::string> value = ask.Raw(PjlinkSettings::NeedsClass2(input) ? '2' : '1', "INPT", input);
    if (!value)
        return false;
    answer = std::move(*value);
    return true;
}

bool ParseLamps(std::string_view value, std::vector<PjlinkLamp>& out) {
    std::vector<std::string_view> words;
    for (;;) {
        const std::size_t space = value.find(' ');
        words.push_back(value.substr(0, space));
        if (space == std::string_view::npos)
            break;
        value.remove_prefix(space + 1);
    }
    if (words.size() % 2 != 0)
        return false;
    std::vector<PjlinkLamp> lamps;
    for (std::size_t i = 0; i < words.size(); i += 2) {
        PjlinkLamp lamp;
        const std::string_view hours = words[i];
        auto [end, ec] = std::from_chars(hours.data(), hours.data() + hours.size(), lamp.hours);
        if (hours.empty() || ec != std::errc() || end != hours.data() + hours.size() || lamp.hours < 0)
            return false;
        if (words[i + 1] != "0" && words[i + 1] != "1")
            return false;
        lamp.on = words[i + 1] == "1";
        lamps.push_back(lamp);
    }
    out = std::move(lamps);
    return true;
}

bool ParseErrorStatus(std::string_view value, std::array<int, 6>& out) {
    if (value.size() != out.size())
        return false;
    std::array<int, 6> errors{};
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] < '0' || value[i] > '2')
            return false;
        errors[i] = value[i] - '0';
    }
    out = errors;
    return true;
}

} // namespace linkcore
