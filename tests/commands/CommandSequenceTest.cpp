#include "commands/CommandSequence.h"
#include "commands/CommandIds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace orvane::test {
namespace {

// How a scripted projector answers: an exchange that does not open, one without an answer,
// or a reply of one byte and a value.
struct Scripted {
    int result = kExchangeOk;
    unsigned char code = kReplyAck;
    std::uint16_t value = 0;
};
constexpr Scripted kAck{};
constexpr Scripted kNak{kExchangeOk, 0x15, 0};
constexpr Scripted kDown{kExchangeOpenFailed, 0, 0};
constexpr Scripted Data(std::uint16_t v) {
    return {kExchangeOk, kReplyData, v};
}

// slot -> answers by request (Get or Set of a type).
using Script = std::map<int, std::map<std::uint32_t, Scripted>>;
constexpr std::uint32_t Get(std::uint16_t type) {
    return (std::uint32_t{kActionGet} << 16) | type;
}
constexpr std::uint32_t Set(std::uint16_t type) {
    return (std::uint32_t{kActionSet} << 16) | type;
}

// Carries a sequence the way a window-less carrier does, writing each step as text:
// "2 2,0x1007" for an exchange with slot 2, "error 89 slot 2", "window 3".
std::vector<std::string> Carry(CommandSequence run, const Script& script) {
    std::vector<std::string> trace;
    for (CommandStep s = run.Next(); s.kind != CommandStep::Kind::Done; s = run.Next()) {
        char text[32];
        switch (s.kind) {
        case CommandStep::Kind::Exchange: {
            std::snprintf(text, sizeof text, "%d %d,0x%04x", s.slot, s.action, s.type);
            const Scripted answer = script.at(s.slot).at((std::uint32_t{s.action} << 16) | s.type);
            ReplyBuffer reply{};
            reply[0] = answer.code;
            reply[1] = static_cast<unsigned char>(answer.value & 0xFF);
            reply[2] = static_cast<unsigned char>(answer.value >> 8);
            run.Answer(answer.result, reply);
            break;
        }
        case CommandStep::Kind::SlotError:
            std::snprintf(text, sizeof text, "error %d slot %d%s", s.message, s.slot, s.style == kMbOk ? " plain" : "");
            break;
        default:
            std::snprintf(text, sizeof text, "window %d", static_cast<int>(s.window));
            break;
        }
        trace.emplace_back(text);
    }
    return trace;
}

CModelInfo2 Model(int slots, std::int32_t modelId = 100) {
    CModelInfo2 m;
    m.PjtNum = slots;
    m.ModelID = modelId;
    for (std::int32_t& kind : m.PjtKind)
        kind = kKindUnknown;
    return m;
}

struct SequenceCase {
    const char* name;
    int commandId;
    std::int32_t modelId;
    Script script;
    std::vector<std::string> trace;
};

// The listed test names would otherwise carry the case's raw bytes.
void PrintTo(const SequenceCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr auto kHide = "window 0";   // HideVolumePopup
constexpr auto kToggle = "window 1"; // ToggleVolumePopup
constexpr auto kSuspend = "window 7";
constexpr auto kResume = "window 8";

class CommandSequenceTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(CommandSequenceTest, AsksAndReportsInTheHandlersOrder) {
    const SequenceCase& c = GetParam();
    CModelInfo2 model = Model(static_cast<int>(c.script.size()), c.modelId);
    EXPECT_EQ(Carry(*CommandSequence::ForCommand(c.commandId, model), c.script), c.trace);
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, CommandSequenceTest,
    ::testing::Values(
        SequenceCase{"BlankOnRefusedKindDownAndNak",
                     kCmdBlankOn,
                     100,
                     {{0, {{Get(kTypeKind), Data(9)}}},
                      {1, {{Get(kTypeKind), kDown}}},
                      {2, {{Get(kTypeKind), kNak}, {Set(kTypeBlank), kNak}}},
                      {3, {{Get(kTypeKind), Data(1)}, {Set(kTypeBlank), kAck}}}},
                     {kHide, kSuspend, "0 2,0x1007", "error 89 slot 0", "1 2,0x1007", "error 89 slot 1", "2 2,0x1007",
                      "2 1,0x3020", "error 89 slot 2", "3 2,0x1007", "3 1,0x3020", kResume}},
        SequenceCase{"PowerOnByState",
                     kCmdPowerOn,
                     100,
                     {{0, {{Get(kTypeKind), Data(1)}, {Get(kTypePower), Data(kPowerOff)}, {Set(kTypePower), kAck}}},
                      {1, {{Get(kTypeKind), Data(1)}, {Get(kTypePower), Data(kPowerTransit)}}},
                      {2, {{Get(kTypeKind), Data(1)}, {Get(kTypePower), kDown}}},
                      {3, {{Get(kTypeKind), kDown}}}},
                     {kHide, kSuspend, "0 2,0x1007", "0 2,0x6000", "0 1,0x6000", "1 2,0x1007", "1 2,0x6000",
                      "error 27 slot 1 plain", "2 2,0x1007", "2 2,0x6000", "error 87 slot 2", "3 2,0x1007",
                      "error 87 slot 3", kResume}},
        SequenceCase{"PowerOffOnModel500SendsWithoutAsking",
                     kCmdPowerOff,
                     500,
                     {{0, {{Get(kTypeKind), Data(1)}, {Set(kTypePower), kNak}}}},
                     {kHide, kSuspend, "0 2,0x1007", "0 1,0x6000", "error 210 slot 0", kResume}},
        SequenceCase{"FreezeOnShowsTheWindowOnlyForAFailedSend",
                     kCmdFreezeOn,
                     100,
                     {{0, {{Get(kTypeKind), kDown}}}, {1, {{Get(kTypeKind), Data(10)}}}},
                     {kHide, kSuspend, "window 2", "0 2,0x1007", "window 4", "error 91 slot 0", "window 5",
                      "1 2,0x1007", "error 91 slot 1", "window 6", "window 3", kResume}},
        SequenceCase{"VolumeTogglesThePopupLast",
                     kCmdVolume,
                     100,
                     {{0, {{Get(kTypeKind), Data(1)}, {Set(kTypeMute), kNak}}}},
                     {"0 2,0x1007", "0 1,0x2002", "error 209 slot 0", kToggle}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandSequence, KnownKindIsNotAskedAgainAndNoHandlerIsNone) {
    CModelInfo2 model = Model(1);
    const Script script{{0, {{Get(kTypeKind), Data(3)}, {Set(kTypeMute), kAck}}}};
    EXPECT_EQ(Carry(*CommandSequence::ForCommand(kCmdMute, model), script),
              (std::vector<std::string>{kHide, "0 2,0x1007", "0 1,0x2002"}));
    EXPECT_EQ(model.PjtKind[0], 3);
    EXPECT_EQ(Carry(CommandSequence::SendToAll(model, kActionIncrement, kTypeVolume, 0, kMsgVolumeUp),
                    {{0, {{(std::uint32_t{kActionIncrement} << 16) | kTypeVolume, kNak}}}}),
              (std::vector<std::string>{"0 4,0x2001", "error 93 slot 0"}));
    EXPECT_FALSE(CommandSequence::ForCommand(kCmdConfig, model).has_value());
    EXPECT_FALSE(CommandSequence::ForCommand(12345, model).has_value());
}

} // namespace
} // namespace orvane::test
