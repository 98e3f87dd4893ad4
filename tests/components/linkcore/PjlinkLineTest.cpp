// The PJLink text format as the standard's examples write it, the password digest, the
// line gathering that must survive noise, and the settings that pick the protocol.

#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkInfo.h"
#include "linkcore/PjlinkSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace linkcore;
using namespace linkcore::pjlink;

TEST(PjlinkLine, CommandsOfTheDocumentedExamples) {
    EXPECT_EQ(FormatCommand('1', "POWR", "1"), "%1POWR 1\r");
    EXPECT_EQ(FormatCommand('1', "POWR", "?"), "%1POWR ?\r");
    EXPECT_EQ(FormatCommand('1', "INPT", "31"), "%1INPT 31\r");
    EXPECT_EQ(FormatCommand('1', "AVMT", "30"), "%1AVMT 30\r");
    EXPECT_EQ(FormatCommand('2', "FREZ", "1"), "%2FREZ 1\r");
    EXPECT_EQ(FormatCommand('2', "SRCH", ""), "%2SRCH\r");

    struct Case {
        const char* line;
        char cls;
        const char* name;
        const char* param;
    };
    const Case good[] = {
        {"%1POWR 1", '1', "POWR", "1"},   {"%1INPT ?", '1', "INPT", "?"},   {"%2INNM ?31", '2', "INNM", "?31"},
        {"%2INPT 3A", '2', "INPT", "3A"}, {"%1AVMT 31", '1', "AVMT", "31"}, {"%2SRCH", '2', "SRCH", ""},
        {"%2SVOL 0", '2', "SVOL", "0"},
    };
    for (const Case& c : good) {
        Command command;
        ASSERT_TRUE(ParseCommand(c.line, command)) << c.line;
        EXPECT_EQ(command.cls, c.cls);
        EXPECT_EQ(command.name, c.name);
        EXPECT_EQ(command.param, c.param);
    }
    for (const char* bad :
         {"%3POWR 1", "%1powr 1", "%1POW 1", "1POWR 1", "%1POWR=1", "%1POWR ", "%1POWR\t1", "", "%1POWR 1\x01"}) {
        Command command;
        EXPECT_FALSE(ParseCommand(bad, command)) << bad;
    }
}

TEST(PjlinkLine, AnswersOfTheDocumentedExamples) {
    struct Case {
        const char* line;
        char cls;
        const char* name;
        const char* value;
        int error;
    };
    const Case good[] = {
        {"%1POWR=OK", '1', "POWR", "OK", 0},
        {"%1POWR=1", '1', "POWR", "1", 0},
        {"%1POWR=ERR3", '1', "POWR", "ERR3", 3},
        {"%1INPT=ERR2", '1', "INPT", "ERR2", 2},
        {"%1XXXX=ERR1", '1', "XXXX", "ERR1", 1},
        {"%1ERST=ERR4", '1', "ERST", "ERR4", 4},
        {"%1AVMT=31", '1', "AVMT", "31", 0},
        {"%1LAMP=1200 1 300 0", '1', "LAMP", "1200 1 300 0", 0},
        {"%1ERST=000100", '1', "ERST", "000100", 0},
        {"%1NAME=Hall A", '1', "NAME", "Hall A", 0},
        {"%1NAME=", '1', "NAME", "", 0}, // a projector without a name
        {"%1NAME=Salle \xc3\xa9t\xc3\xa9", '1', "NAME", "Salle \xc3\xa9t\xc3\xa9", 0},
        {"%2ACKN=00:11:22:33:44:55", '2', "ACKN", "00:11:22:33:44:55", 0},
        {"%1CLSS=2", '1', "CLSS", "2", 0},
    };
    for (const Case& c : good) {
        Answer answer;
        ASSERT_TRUE(ParseAnswer(c.line, answer)) << c.line;
        EXPECT_EQ(answer.cls, c.cls);
        EXPECT_EQ(answer.name, c.name);
        EXPECT_EQ(answer.value, c.value);
        EXPECT_EQ(ErrorCode(answer.value), c.error) << c.line;
    }
    EXPECT_EQ(FormatAnswer('2', "ACKN", "00:11:22:33:44:55"), "%2ACKN=00:11:22:33:44:55\r");
    EXPECT_EQ(ErrorCode("ERR5"), 0);
    EXPECT_EQ(ErrorCode("ERRA"), 0);

    const std::string tooLong = "%1NAME=" + std::string(kMaxLine - 7, 'x'); // with its CR one byte too many
    for (const std::string& bad : {std::string("%1POWR 1"), std::string("%1POWR"), std::string("PJLINK 0"),
                                   std::string("%1POWR=\x02"), std::string("\xff\xfe%1POWR=1"), tooLong}) {
        Answer answer;
        EXPECT_FALSE(ParseAnswer(bad, answer)) << bad;
    }
    Answer longest;
    EXPECT_TRUE(ParseAnswer(tooLong.substr(0, kMaxLine - 1), longest));
}

TEST(PjlinkLine, GreetingAndTheDigestOfTheDocumentedTestVector) {
    Greeting greeting;
    ASSERT_TRUE(ParseGreeting("PJLINK 0", greeting));
    EXPECT_FALSE(greeting.auth);
    ASSERT_TRUE(ParseGreeting("PJLINK 1 498e4a67", greeting));
    EXPECT_TRUE(greeting.auth);
    EXPECT_EQ(greeting.random, "498e4a67");
    EXPECT_EQ(FormatGreeting(greeting), "PJLINK 1 498e4a67\r");
    for (const char* bad : {"PJLINK 1", "PJLINK 1 498e4a6", "PJLINK 1 498e4a67x", "PJLINK 1 498g4a67", "PJLINK 2",
                            "PJLINK ERRA", "pjlink 0"}) {
        Greeting g;
        EXPECT_FALSE(ParseGreeting(bad, g)) << bad;
    }
    EXPECT_EQ(AuthDigest("498e4a67", "JBMIAProjectorLink"), "5d8409bc1c3fa39749434aa3a5c38682");
}

TEST(PjlinkLine, LineReaderSplitsJoinsAndGivesUpOnOverlongLines) {
    LineReader reader;
    std::string line;
    reader.Feed("%1POW", 5);
    EXPECT_FALSE(reader.Next(line));
    reader.Feed("R=1\r\n%1INPT=31\r%1AV", 20);
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line, "%1POWR=1");
    ASSERT_TRUE(reader.Next(line)); // the LF of a CR LF device is no line of its own
    EXPECT_EQ(line, "%1INPT=31");
    EXPECT_FALSE(reader.Next(line));
    EXPECT_TRUE(reader.HasPartial());
    EXPECT_FALSE(reader.Broken());

    // Noise without a CR is dropped once it is longer than any line can be.
    LineReader noisy;
    const std::string noise(kMaxLine, '\x7f');
    noisy.Feed(noise.data(), noise.size());
    EXPECT_FALSE(noisy.Next(line));
    EXPECT_TRUE(noisy.Broken());
    noisy.Feed("%1POWR=1\r", 9);
    EXPECT_FALSE(noisy.Next(line));

    LineReader longLine;
    const std::string overlong = std::string(kMaxLine, 'a') + "\r";
    longLine.Feed(overlong.data(), overlong.size());
    EXPECT_FALSE(longLine.Next(line));
    EXPECT_TRUE(longLine.Broken());
}

TEST(PjlinkInfo, LampsAndErrorStatus) {
    std::vector<PjlinkLamp> lamps;
    ASSERT_TRUE(ParseLamps("1200 1 300 0", lamps));
    ASSERT_EQ(lamps.size(), 2u);
    EXPECT_EQ(lamps[0].hours, 1200);
    EXPECT_TRUE(lamps[0].on);
    EXPECT_EQ(lamps[1].hours, 300);
    EXPECT_FALSE(lamps[1].on);
    for (const char* bad : {"", "1200", "1200 2", "-1 1", "12a 1", "1200  1", "1200 1 "})
        EXPECT_FALSE(ParseLamps(bad, lamps)) << bad;

    std::array<int, 6> errors{};
    ASSERT_TRUE(ParseErrorStatus("012000", errors));
    EXPECT_EQ(errors, (std::array<int, 6>{0, 1, 2, 0, 0, 0}));
    for (const char* bad : {"00000", "0000000", "000300", "00000a"})
        EXPECT_FALSE(ParseErrorStatus(bad, errors)) << bad;
}

// What one answer makes of an info that held only two listed inputs: the item it fills, as
// text ("-" for empty); an error or an answer that does not parse leaves the item as it was.
TEST(PjlinkInfo, EachAnswerFillsItsItemOrLeavesItAsItWas) {
    const auto text = [](const std::optional<std::string>& v) { return v.value_or("-"); };
    const auto number = [](const auto& v) { return v ? std::to_string(static_cast<int>(*v)) : "-"; };
    const auto lamps = [](const PjlinkInfo& i) {
        std::string out = i.lamps ? "lamps:" : "-";
        for (const PjlinkLamp& lamp : i.lamps.value_or(std::vector<PjlinkLamp>{}))
            out += " " + std::to_string(lamp.hours) + (lamp.on ? " on" : " off");
        return out;
    };
    const auto errors = [](const PjlinkInfo& i) {
        if (!i.errors)
            return std::string("-");
        std::string out;
        for (const int error : *i.errors)
            out += std::to_string(error);
        return out;
    };
    const auto inputs = [&](const PjlinkInfo& i) {
        std::string out = i.inputs ? "inputs:" : "-";
        for (const PjlinkInput& input : i.inputs.value_or(std::vector<PjlinkInput>{}))
            out += " " + input.code + "=" + text(input.name);
        return out;
    };
    const struct {
        PjlinkQuery query;
        std::optional<std::string> answer;
        std::function<std::string(const PjlinkInfo&)> item;
        std::string expected;
    } cases[] = {
        {{'1', "CLSS"}, "2", [&](const PjlinkInfo& i) { return number(std::optional(i.pjlinkClass)); }, "2"},
        {{'1', "NAME"}, "Hall", [&](const PjlinkInfo& i) { return text(i.name); }, "Hall"},
        {{'1', "NAME"}, "ERR3", [&](const PjlinkInfo& i) { return text(i.name); }, "-"},
        {{'1', "NAME"}, std::nullopt, [&](const PjlinkInfo& i) { return text(i.name); }, "-"},
        {{'2', "RFIL"}, "FLT-100", [&](const PjlinkInfo& i) { return text(i.filterModel); }, "FLT-100"},
        {{'1', "POWR"}, "3", [&](const PjlinkInfo& i) { return number(i.power); }, "3"},
        {{'1', "POWR"}, "4", [&](const PjlinkInfo& i) { return number(i.power); }, "-"},
        {{'1', "INPT"}, "3a", [&](const PjlinkInfo& i) { return text(i.input); }, "3A"},
        {{'1', "INPT"}, "61", [&](const PjlinkInfo& i) { return text(i.input); }, "-"},
        {{'1', "AVMT"}, "31", [&](const PjlinkInfo& i) { return text(i.avmute); }, "31"},
        {{'1', "AVMT"}, "3", [&](const PjlinkInfo& i) { return text(i.avmute); }, "-"},
        {{'1', "LAMP"}, "1200 1 300 0", lamps, "lamps: 1200 on 300 off"},
        {{'1', "LAMP"}, "ERR1", lamps, "lamps:"},
        {{'1', "LAMP"}, "ERR2", lamps, "lamps:"},
        {{'1', "LAMP"}, "ERR3", lamps, "-"},
        {{'1', "LAMP"}, "1200", lamps, "-"},
        {{'1', "ERST"}, "001200", errors, "001200"},
        {{'1', "ERST"}, "0012", errors, "-"},
        {{0, "INST"}, "11 3a", inputs, "inputs: 11=- 3A=-"},
        {{0, "INST"}, "", inputs, "inputs:"},
        {{0, "INST"}, "11 61", inputs, "inputs: 31=- 32=-"}, // the list held before stays
        {{'2', "INNM", "?32"}, "HDMI 2", inputs, "inputs: 31=- 32=HDMI 2"},
        {{'2', "INNM", "?32"}, "ERR2", inputs, "inputs: 31=- 32=-"},
        {{'2', "FILT"}, "350", [&](const PjlinkInfo& i) { return number(i.filterHours); }, "350"},
        {{'2', "FILT"}, "-1", [&](const PjlinkInfo& i) { return number(i.filterHours); }, "-"},
        {{'2', "FREZ"}, "1", [&](const PjlinkInfo& i) { return number(i.freeze); }, "1"},
        {{'2', "FREZ"}, "2", [&](const PjlinkInfo& i) { return number(i.freeze); }, "-"},
    };
    for (const auto& c : cases) {
        PjlinkInfo info;
        info.inputs = {{"31", std::nullopt}, {"32", std::nullopt}};
        TakePjlinkAnswer(c.query, c.answer, info);
        EXPECT_EQ(c.item(info), c.expected) << c.query.name << " " << c.answer.value_or("(none)");
        EXPECT_EQ(info.answered, c.answer.has_value()) << c.query.name;
    }
}

TEST(PjlinkSettings, PortsAndTheInputMapWithOverrides) {
    PjlinkSettings plain;
    EXPECT_TRUE(plain.IsPjlinkPort(4352));
    EXPECT_FALSE(plain.IsPjlinkPort(23));
    // The usual inputs, then a few more of the built-in tables' codes.
    const std::pair<int, const char*> defaults[] = {{0, "11"},  {4, "12"},  {3, "31"},  {13, "32"}, {1, "21"},
                                                    {2, "22"},  {11, "51"}, {6, "41"},  {12, "42"}, {14, "33"},
                                                    {16, "34"}, {9, "35"},  {17, "36"}, {18, "37"}, {19, "38"}};
    for (auto [code, input] : defaults) {
        EXPECT_EQ(plain.InputFor(static_cast<std::uint16_t>(code)), input) << code;
        std::uint16_t back = 0xFFFF;
        ASSERT_TRUE(plain.CodeFor(input, back)) << input;
        EXPECT_EQ(back, code);
    }
    EXPECT_EQ(plain.InputFor(8), "");
    std::uint16_t code = 0;
    EXPECT_FALSE(plain.CodeFor("59", code));

    const auto profile = orvane::PrivateProfile::Parse("[PJLink]\nPorts=14352, 0, x ,20000\n"
                                                       "[PJLinkInputs]\n13=33\n8=3a\n20=19\n21=61\nabc=11\n");
    PjlinkSettings custom = PjlinkSettings::FromProfile(profile);
    EXPECT_TRUE(custom.IsPjlinkPort(4352));
    EXPECT_TRUE(custom.IsPjlinkPort(14352));
    EXPECT_TRUE(custom.IsPjlinkPort(20000));
    EXPECT_FALSE(custom.IsPjlinkPort(0));
    EXPECT_EQ(custom.InputFor(13), "33"); // overridden
    EXPECT_EQ(custom.InputFor(8), "3A");  // added, letters taken in either case
    EXPECT_EQ(custom.InputFor(20), "19");
    EXPECT_EQ(custom.InputFor(21), "");  // 61 is no PJLink input
    EXPECT_EQ(custom.InputFor(3), "31"); // the rest of the defaults stay
    ASSERT_TRUE(custom.CodeFor("33", code));
    EXPECT_EQ(code, 13);                      // the override wins over HDMI 3's default
    EXPECT_FALSE(custom.CodeFor("32", code)); // code 13 no longer stands for 32
    EXPECT_TRUE(PjlinkSettings::NeedsClass2("3A"));
    EXPECT_FALSE(PjlinkSettings::NeedsClass2("39"));
}
