#include "linkcore/PjlinkInfo.h"

#include "linkcore/PjlinkConnection.h"
#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkSettings.h"

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
    std::optional<std::string> Raw(char cls, std::string_view name, std::string_view param = "?") {
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
        answered_ = true;
        return value;
    }
    // The answer's data, or nothing for an error or a failed exchange.
    std::optional<std::string> Data(char cls, std::string_view name, std::string_view param = "?") {
        std::optional<std::string> value = Raw(cls, name, param);
        if (value && pjlink::ErrorCode(*value) != 0)
            value.reset();
        return value;
    }
    bool Answered() const { return answered_; }

private:
    const char* ip_;
    int port_;
    const char* password_;
    const LinkSettings& settings_;
    PjlinkConnection connection_;
    bool usable_ = false;
    bool answered_ = false;
    int failures_ = 0;
};

std::string Upper(std::string text) {
    for (char& c : text)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

std::optional<int> Number(const std::optional<std::string>& value) {
    int n = 0;
    if (!value || value->empty())
        return std::nullopt;
    auto [end, ec] = std::from_chars(value->data(), value->data() + value->size(), n);
    if (ec != std::errc() || end != value->data() + value->size() || n < 0)
        return std::nullopt;
    return n;
}

void ReadInputs(Asker& ask, char cls, PjlinkInfo& out) {
    const std::optional<std::string> list = ask.Data(cls, "INST");
    if (!list)
        return;
    std::vector<PjlinkInput> inputs;
    std::size_t start = 0;
    while (start < list->size()) {
        std::size_t space = list->find(' ', start);
        if (space == std::string::npos)
            space = list->size();
        std::string code = Upper(list->substr(start, space - start));
        if (!PjlinkSettings::IsInput(code))
            return;
        inputs.push_back({std::move(code), std::nullopt});
        start = space + 1;
    }
    if (cls == '2') {
        for (PjlinkInput& input : inputs)
            input.name = ask.Data('2', "INNM", "?" + input.code);
    }
    out.inputs = std::move(inputs);
}

} // namespace

bool ReadPjlinkInfo(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                    PjlinkInfo& out) {
    Asker ask(ipAddress, port, password, settings);
    out = PjlinkInfo{};
    if (!ask.Open())
        return false;
    out.pjlinkClass = ask.Class();
    out.name = ask.Data('1', "NAME");
    out.manufacturer = ask.Data('1', "INF1");
    out.product = ask.Data('1', "INF2");
    out.other = ask.Data('1', "INFO");
    if (auto power = ask.Data('1', "POWR"); power && power->size() == 1 && (*power)[0] >= '0' && (*power)[0] <= '3')
        out.power = (*power)[0] - '0';
    if (auto input = ask.Data('1', "INPT"); input && PjlinkSettings::IsInput(Upper(*input)))
        out.input = Upper(*input);
    if (auto avmute = ask.Data('1', "AVMT"); avmute && avmute->size() == 2)
        out.avmute = avmute;
    // Projectors without a lamp (laser, LED) answer the lamp query with ERR1 or ERR2.
    std::vector<PjlinkLamp> lamps;
    if (std::optional<std::string> lampValue = ask.Raw('1', "LAMP")) {
        const int error = pjlink::ErrorCode(*lampValue);
        if (error == 1 || error == 2) {
            out.lamps.emplace();
        } else if (ParseLamps(*lampValue, lamps)) {
            out.lamps = lamps;
        }
    }
    std::array<int, 6> errors{};
    if (auto value = ask.Data('1', "ERST"); value && ParseErrorStatus(*value, errors))
        out.errors = errors;
    const char cls = out.pjlinkClass == 2 ? '2' : '1';
    ReadInputs(ask, cls, out);
    if (cls == '2') {
        out.serial = ask.Data('2', "SNUM");
        out.software = ask.Data('2', "SVER");
        out.inputResolution = ask.Data('2', "IRES");
        out.recommendedResolution = ask.Data('2', "RRES");
        out.filterHours = Number(ask.Data('2', "FILT"));
        out.lampModel = ask.Data('2', "RLMP");
        out.filterModel = ask.Data('2', "RFIL");
        if (auto freeze = ask.Data('2', "FREZ"); freeze && (*freeze == "0" || *freeze == "1"))
            out.freeze = *freeze == "1";
    }
    out.answered = ask.Answered() || out.pjlinkClass != 0;
    return out.answered;
}

bool ReadPjlinkInputs(const char* ipAddress, int port, const char* password, const LinkSettings& settings,
                      std::vector<PjlinkInput>& out) {
    Asker ask(ipAddress, port, password, settings);
    if (!ask.Open())
        return false;
    PjlinkInfo info;
    ReadInputs(ask, ask.Class() == 2 ? '2' : '1', info);
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
