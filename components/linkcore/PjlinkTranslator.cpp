#include "linkcore/PjlinkTranslator.h"

#include <optional>

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

// What a query's answer means to the caller.
struct Meaning {
    bool wellFormed = false;            // false: the answer cannot answer the query, the exchange failed
    std::optional<std::uint16_t> value; // none: refused (an input without a code of ours)
};

Meaning Value(std::uint16_t v) {
    return {true, v};
}

Meaning Malformed() {
    return {};
}

class Exchanger {
public:
    Exchanger(PjlinkSession& session, unsigned char* reply) : session_(session), reply_(reply) {}

    bool Refuse() {
        reply_[0] = kReplyNak;
        return true;
    }

    // A command that changes something: "OK" accepts it, an error refuses it.
    bool Set(char cls, std::string_view name, std::string_view param) {
        std::string value;
        if (session_.Exchange(cls, name, param, value) != PjlinkSession::Outcome::Answered)
            return false;
        if (value == "OK") {
            reply_[0] = kReplyAck;
            return true;
        }
        if (pjlink::ErrorCode(value) != 0)
            return Refuse();
        session_.Close();
        return false;
    }

    template <typename Interpret> bool Query(char cls, std::string_view name, Interpret interpret) {
        std::string value;
        if (session_.Exchange(cls, name, "?", value) != PjlinkSession::Outcome::Answered)
            return false;
        if (pjlink::ErrorCode(value) != 0)
            return Refuse();
        Meaning meaning = interpret(value);
        if (!meaning.wellFormed) {
            session_.Close();
            return false;
        }
        if (!meaning.value)
            return Refuse();
        EncodeDataReply(*meaning.value, reply_);
        return true;
    }

    // A class 1 projector refuses a class 2 command without being sent what it does not
    // know. One that would not tell its class is sent the command and answers for itself.
    template <typename Send> bool Class2(Send send) {
        const int cls = session_.Class();
        if (cls == 0 && !session_.IsOpen())
            return false;
        return cls == 1 ? Refuse() : send();
    }

private:
    PjlinkSession& session_;
    unsigned char* reply_;
};

Meaning AvMute(std::string_view value, char item) {
    static constexpr std::string_view kStates[] = {"10", "11", "20", "21", "30", "31"};
    for (std::string_view state : kStates) {
        if (value == state)
            return Value(value[1] == '1' && (value[0] == item || value[0] == '3') ? 1 : 0);
    }
    return Malformed();
}

} // namespace

bool SendAsPjlink(PjlinkSession& session, const PjlinkSettings& settings, const Request& request,
                  unsigned char* reply) {
    Exchanger x(session, reply);
    const bool get = request.action == kActionGet;
    const bool setSwitch = request.action == kActionSet && request.setting <= 1;
    const char* onOff = request.setting == 1 ? "1" : "0";

    switch (request.type) {
    case kTypeKind:
        if (get)
            return x.Query('1', "CLSS", [](std::string_view v) {
                return v == "1" || v == "2" ? Value(kOrdinaryKind) : Malformed();
            });
        break;
    case kTypePower:
        if (get)
            return x.Query('1', "POWR", [](std::string_view v) {
                // Cooling down (2) and warming up (3) are both "between states" to the callers.
                return v == "0" ? Value(0) : v == "1" ? Value(1) : v == "2" || v == "3" ? Value(2) : Malformed();
            });
        if (setSwitch)
            return x.Set('1', "POWR", onOff);
        break;
    case kTypeInput:
        if (get)
            return x.Query('1', "INPT", [&settings](std::string_view v) {
                if (!PjlinkSettings::IsInput(v))
                    return Malformed();
                std::uint16_t code = 0;
                return settings.CodeFor(v, code) ? Value(code) : Meaning{true, std::nullopt};
            });
        if (request.action == kActionSet) {
            const std::string input = settings.InputFor(request.setting);
            if (input.empty())
                return x.Refuse();
            if (PjlinkSettings::NeedsClass2(input))
                return x.Class2([&] { return x.Set('2', "INPT", input); });
            return x.Set('1', "INPT", input);
        }
        break;
    case kTypeBlank:
    case kTypeMute: {
        const char item = request.type == kTypeBlank ? '1' : '2';
        if (get)
            return x.Query('1', "AVMT", [item](std::string_view v) { return AvMute(v, item); });
        if (setSwitch)
            return x.Set('1', "AVMT", std::string(1, item) + onOff);
        break;
    }
    case kTypeFreeze:
        if (get)
            return x.Class2([&] {
                return x.Query('2', "FREZ", [](std::string_view v) {
                    return v == "0" ? Value(0) : v == "1" ? Value(1) : Malformed();
                });
            });
        if (setSwitch)
            return x.Class2([&] { return x.Set('2', "FREZ", onOff); });
        break;
    case kTypeVolume:
        // PJLink has volume steps but no level: a get is refused and the popup's bar stays.
        if (request.action == kActionIncrement || request.action == kActionDecrement)
            return x.Class2([&] { return x.Set('2', "SVOL", request.action == kActionIncrement ? "1" : "0"); });
        break;
    default:
        break;
    }
    return x.Refuse();
}

} // namespace linkcore
