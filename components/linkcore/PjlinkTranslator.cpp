#include "linkcore/PjlinkTranslator.h"

#include <optional>
#include <string>

namespace linkcore {

namespace {

constexpr std::uint16_t kTypeKind = 0x1007;
constexpr std::uint16_t kTypeInput = 0x2000;
constexpr std::uint16_t kTypeVolume = 0x2001;
constexpr std::uint16_t kTypeMute = 0x2002;
constexpr std::uint16_t kTypeFreeze = 0x3002;
constexpr std::uint16_t kTypeBlank = 0x3020;
constexpr std::uint16_t kTypePower = 0x6000;

// A PJLink projector is an ordinary projector to the callers, whatever its class.
constexpr std::uint16_t kOrdinaryKind = 1;

using Step = PjlinkTranslation::Step;

Step Reply(unsigned char code) {
    Step step;
    step.kind = Step::Kind::Done;
    step.result.answered = true;
    step.result.size = 1;
    step.result.reply[0] = code;
    return step;
}

Step Refuse() {
    return Reply(kReplyNak);
}

Step DataReply(std::uint16_t value) {
    Step step;
    step.kind = Step::Kind::Done;
    step.result.answered = true;
    step.result.size = EncodeDataReply(value, step.result.reply.data());
    return step;
}

Step Failed() {
    return Step{};
}

Step SendCommand(char cls, std::string_view name, std::string_view param) {
    Step step;
    step.kind = Step::Kind::Send;
    step.command.cls = cls;
    step.command.name.assign(name);
    step.command.param.assign(param);
    return step;
}

bool IsGet(const Request& r) {
    return r.action == kActionGet;
}

bool IsSwitch(const Request& r) {
    return r.action == kActionSet && r.setting <= 1;
}

const char* OnOff(const Request& r) {
    return r.setting == 1 ? "1" : "0";
}

bool NeedsClass2(const PjlinkSettings& settings, const Request& r) {
    switch (r.type) {
    case kTypeInput:
        return r.action == kActionSet && PjlinkSettings::NeedsClass2(settings.InputFor(r.setting));
    case kTypeFreeze:
        return IsGet(r) || IsSwitch(r);
    case kTypeVolume:
        return r.action == kActionIncrement || r.action == kActionDecrement;
    default:
        return false;
    }
}

// What a query's answer means: a data reply, a refusal (an input without a code of ours), or
// nothing, when the answer cannot answer the query.
struct Meaning {
    bool wellFormed = false;
    std::optional<std::uint16_t> value;
};

Meaning Value(std::uint16_t v) {
    return {true, v};
}

Meaning Malformed() {
    return {};
}

Meaning AvMute(std::string_view value, char item) {
    static constexpr std::string_view kStates[] = {"10", "11", "20", "21", "30", "31"};
    for (std::string_view state : kStates) {
        if (value == state)
            return Value(value[1] == '1' && (value[0] == item || value[0] == '3') ? 1 : 0);
    }
    return Malformed();
}

Meaning Interpret(const PjlinkSettings& settings, const Request& r, std::string_view v) {
    switch (r.type) {
    case kTypeKind:
        return v == "1" || v == "2" ? Value(kOrdinaryKind) : Malformed();
    case kTypePower:
        // Cooling down (2) and warming up (3) are both "between states" to the callers.
        return v == "0" ? Value(0) : v == "1" ? Value(1) : v == "2" || v == "3" ? Value(2) : Malformed();
    case kTypeInput: {
        // Some projectors answer in lower case ("3a").
        std::string input(v);
        for (char& c : input)
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (!PjlinkSettings::IsInput(input))
            return Malformed();
        std::uint16_t code = 0;
        return settings.CodeFor(input, code) ? Value(code) : Meaning{true, std::nullopt};
    }
    case kTypeBlank:
    case kTypeMute:
        return AvMute(v, r.type == kTypeBlank ? '1' : '2');
    case kTypeFreeze:
        return v == "0" ? Value(0) : v == "1" ? Value(1) : Malformed();
    default:
        return Malformed();
    }
}

} // namespace

int PjlinkClassOf(std::string_view value) {
    return value == "1" ? 1 : value == "2" ? 2 : 0;
}

Step PjlinkTranslation::Start(int knownClass) {
    if (!NeedsClass2(settings_, request_))
        return Begin();
    // A class 1 projector refuses a class 2 command without being sent what it does not
    // know. One that would not tell its class is sent the command and answers for itself.
    if (knownClass != 0)
        return Decide(knownClass);
    askingClass_ = true;
    return SendCommand('1', "CLSS", "?");
}

Step PjlinkTranslation::Decide(int cls) {
    return cls == 1 ? Refuse() : Begin();
}

Step PjlinkTranslation::Begin() {
    const Request& r = request_;
    switch (r.type) {
    case kTypeKind:
        if (IsGet(r))
            return SendCommand('1', "CLSS", "?");
        break;
    case kTypePower:
        if (IsGet(r))
            return SendCommand('1', "POWR", "?");
        if (IsSwitch(r))
            return SendCommand('1', "POWR", OnOff(r));
        break;
    case kTypeInput:
        if (IsGet(r))
            return SendCommand('1', "INPT", "?");
        if (r.action == kActionSet) {
            const std::string input = settings_.InputFor(r.setting);
            if (input.empty())
                return Refuse();
            return SendCommand(PjlinkSettings::NeedsClass2(input) ? '2' : '1', "INPT", input);
        }
        break;
    case kTypeBlank:
    case kTypeMute:
        if (IsGet(r))
            return SendCommand('1', "AVMT", "?");
        if (IsSwitch(r))
            return SendCommand('1', "AVMT", std::string(1, r.type == kTypeBlank ? '1' : '2') + OnOff(r));
        break;
    case kTypeFreeze:
        if (IsGet(r))
            return SendCommand('2', "FREZ", "?");
        if (IsSwitch(r))
            return SendCommand('2', "FREZ", OnOff(r));
        break;
    case kTypeVolume:
        // PJLink has volume steps but no level: a get is refused and the popup's bar stays.
        if (r.action == kActionIncrement || r.action == kActionDecrement)
            return SendCommand('2', "SVOL", r.action == kActionIncrement ? "1" : "0");
        break;
    default:
        break;
    }
    return Refuse();
}

Step PjlinkTranslation::Next(std::string_view value) {
    if (askingClass_) {
        askingClass_ = false;
        learnedClass_ = PjlinkClassOf(value);
        return Decide(learnedClass_);
    }
    if (IsGet(request_)) {
        if (pjlink::ErrorCode(value) != 0)
            return Refuse();
        const Meaning meaning = Interpret(settings_, request_, value);
        if (!meaning.wellFormed)
            return Failed();
        return meaning.value ? DataReply(*meaning.value) : Refuse();
    }
    // A command that changes something: "OK" accepts it, an error refuses it.
    if (value == "OK")
        return Reply(kReplyAck);
    return pjlink::ErrorCode(value) != 0 ? Refuse() : Failed();
}

} // namespace linkcore
