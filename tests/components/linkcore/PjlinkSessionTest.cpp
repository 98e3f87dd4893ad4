// PJLink as a session fed in memory: the greeting and password, the translation of our
// requests against the simulator's PJLink projector played in-process, and lines that answer
// something else.

#include "linkcore/PjlinkSession.h"

#include "platform/PrivateProfile.h"
#include "support/FakeProjector.h"
#include "support/SessionPeer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace linkcore;
using orvane::test::FakeProjectors;
using orvane::test::PjsimProcess;
using orvane::test::SessionPeer;

namespace {

using Bytes = std::vector<unsigned char>;

constexpr SessionTimeouts kTimeouts{1000, 600};

const Bytes kAck{0x06};
const Bytes kNak{0x15};
Bytes Data(int v) {
    return {0x1D, static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>(v >> 8)};
}

PjlinkSettings SettingsWith(const std::string& conf) {
    return PjlinkSettings::FromProfile(orvane::PrivateProfile::Parse(conf));
}

Bytes ReplyOf(const std::optional<RequestResult>& result) {
    if (!result || !result->answered)
        return {};
    return Bytes(result->reply.begin(), result->reply.begin() + static_cast<long>(result->size));
}

// The PJLink lines the projectors logged since `from`, as "<command> -> <answer>".
std::vector<std::string> LoggedSince(const FakeProjectors& sim, std::size_t from) {
    std::vector<std::string> lines = sim.RequestLines();
    std::vector<std::string> out;
    for (std::size_t i = from; i < lines.size(); ++i) {
        const std::size_t space = lines[i].find(' ', 7);
        out.push_back(lines[i].substr(space + 1));
    }
    return out;
}

// One exchange as the link makes it: a new connection to projector n, one request.
struct Exchange {
    bool opened = false;
    std::optional<RequestResult> result;
    Bytes Reply() const { return ReplyOf(result); }
};

Exchange Exchanged(FakeProjectors& sim, int n, const PjlinkSettings& settings, unsigned short action,
                   unsigned short type, unsigned short setting, const std::string& password = "") {
    PjlinkSession session(password, kTimeouts, settings);
    SessionPeer peer(session);
    auto connection = sim.Open(n, session, peer);
    Exchange out;
    out.opened = session.IsReady();
    if (out.opened && session.Submit(Request{action, type, setting}, peer.Now())) {
        sim.Serve(*connection, session, peer);
        out.result = session.TakeResult();
    }
    return out;
}

// A projector played by the test: it greets with `greeting` and answers every line the
// session sends with `answer`; a wait for an answer that does not come ends at the session's
// deadline.
struct Scripted {
    Scripted(const std::string& greeting, std::string answer)
        : session("", kTimeouts), peer(session), answer_(std::move(answer)) {
        peer.Connect();
        peer.Give(greeting);
        Settle();
    }
    // One request; the projector answers each command line.
    std::optional<RequestResult> Send(const Request& request) {
        if (!session.Submit(request, peer.Now()))
            return std::nullopt;
        Settle();
        return session.TakeResult();
    }
    void Settle() {
        while (session.Waiting()) {
            const std::string sent = peer.TakeSent();
            if (!sent.empty() && !answer_.empty()) {
                ++commands;
                peer.Give(answer_);
            } else {
                peer.Expire();
            }
        }
    }
    PjlinkSession session;
    SessionPeer peer;
    int commands = 0;

private:
    std::string answer_;
};

} // namespace

TEST(PjlinkSession, EveryRowOfTheTranslationTable) {
    FakeProjectors sim({PjsimProcess::Pjlink("class=2,power=on,input=31,warm=60000"),
                        PjsimProcess::Pjlink("class=1,power=on,input=59")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    const PjlinkSettings settings = SettingsWith("[PJLinkInputs]\n8=19\n");

    struct Row {
        unsigned short action, type, setting;
        Bytes reply;
        std::vector<std::string> sent; // what the projector received and answered, in order
    };
    const Row rows[] = {
        {2, 0x1007, 0, Data(1), {"%1CLSS ? -> %1CLSS=2"}},
        {2, 0x6000, 0, Data(1), {"%1POWR ? -> %1POWR=1"}},
        {2, 0x2000, 0, Data(3), {"%1INPT ? -> %1INPT=31"}},
        {1, 0x2000, 13, kAck, {"%1INPT 32 -> %1INPT=OK"}},
        {2, 0x2000, 0, Data(13), {"%1INPT ? -> %1INPT=32"}},
        {1, 0x2000, 8, kNak, {"%1INPT 19 -> %1INPT=ERR2"}}, // a mapped input the projector lacks
        {1, 0x2000, 15, kNak, {}},                          // no PJLink input for code 15: nothing sent
        {1, 0x3020, 1, kAck, {"%1AVMT 11 -> %1AVMT=OK"}},
        {2, 0x3020, 0, Data(1), {"%1AVMT ? -> %1AVMT=11"}},
        {2, 0x2002, 0, Data(0), {"%1AVMT ? -> %1AVMT=11"}},
        {1, 0x2002, 1, kAck, {"%1AVMT 21 -> %1AVMT=OK"}},
        {2, 0x2002, 0, Data(1), {"%1AVMT ? -> %1AVMT=31"}},
        {1, 0x3020, 0, kAck, {"%1AVMT 10 -> %1AVMT=OK"}},
        {2, 0x3020, 0, Data(0), {"%1AVMT ? -> %1AVMT=21"}},
        {1, 0x3002, 1, kAck, {"%1CLSS ? -> %1CLSS=2", "%2FREZ 1 -> %2FREZ=OK"}},
        {2, 0x3002, 0, Data(1), {"%1CLSS ? -> %1CLSS=2", "%2FREZ ? -> %2FREZ=1"}},
        {4, 0x2001, 0, kAck, {"%1CLSS ? -> %1CLSS=2", "%2SVOL 1 -> %2SVOL=OK"}},
        {5, 0x2001, 0, kAck, {"%1CLSS ? -> %1CLSS=2", "%2SVOL 0 -> %2SVOL=OK"}},
        {2, 0x2001, 0, kNak, {}}, // PJLink has no volume level
        {1, 0x2001, 5, kNak, {}},
        {1, 0x3000, 40, kNak, {}}, // an adjustment
        {2, 0x7777, 0, kNak, {}},
        {1, 0x6000, 2, kNak, {}},
        {1, 0x6000, 0, kAck, {"%1POWR 0 -> %1POWR=OK"}},
        {2, 0x6000, 0, Data(2), {"%1POWR ? -> %1POWR=2"}}, // cooling down
        {1, 0x3020, 1, kNak, {"%1AVMT 11 -> %1AVMT=ERR3"}},
        {1, 0x6000, 1, kAck, {"%1POWR 1 -> %1POWR=OK"}},
        {2, 0x6000, 0, Data(2), {"%1POWR ? -> %1POWR=3"}}, // warming up
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "request (" << row.action << ", 0x" << std::hex << row.type << ", "
                                        << std::dec << row.setting << ")");
        const std::size_t before = sim.RequestLines().size();
        Exchange x = Exchanged(sim, 1, settings, row.action, row.type, row.setting);
        ASSERT_TRUE(x.opened);
        ASSERT_TRUE(x.result && x.result->answered);
        EXPECT_EQ(x.Reply(), row.reply);
        EXPECT_EQ(LoggedSince(sim, before), row.sent);
    }

    // A class 1 projector: the same kind, and class 2 commands refused without sending them.
    const Row class1Rows[] = {
        {2, 0x1007, 0, Data(1), {"%1CLSS ? -> %1CLSS=1"}},
        {1, 0x3002, 1, kNak, {"%1CLSS ? -> %1CLSS=1"}},
        {4, 0x2001, 0, kNak, {"%1CLSS ? -> %1CLSS=1"}},
        {2, 0x2000, 0, kNak, {"%1INPT ? -> %1INPT=59"}}, // an input no code of ours maps to
    };
    for (const Row& row : class1Rows) {
        SCOPED_TRACE(testing::Message() << "class 1, type 0x" << std::hex << row.type);
        const std::size_t before = sim.RequestLines().size();
        Exchange x = Exchanged(sim, 2, settings, row.action, row.type, row.setting);
        ASSERT_TRUE(x.result && x.result->answered);
        EXPECT_EQ(x.Reply(), row.reply);
        EXPECT_EQ(LoggedSince(sim, before), row.sent);
    }
}

TEST(PjlinkSession, InputsOfClassTwoGoOutWithAClassTwoHead) {
    FakeProjectors sim({PjsimProcess::Pjlink("class=2,power=on,input=3A"), PjsimProcess::Pjlink("class=1,power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    const PjlinkSettings settings = SettingsWith("[PJLinkInputs]\n300=3A\n");

    Exchange get = Exchanged(sim, 1, settings, 2, 0x2000, 0);
    EXPECT_EQ(get.Reply(), Data(300));
    std::size_t before = sim.RequestLines().size();
    Exchange set = Exchanged(sim, 1, settings, 1, 0x2000, 300);
    EXPECT_EQ(set.Reply(), kAck);
    EXPECT_EQ(LoggedSince(sim, before), (std::vector<std::string>{"%1CLSS ? -> %1CLSS=2", "%2INPT 3A -> %2INPT=OK"}));

    before = sim.RequestLines().size();
    Exchange refused = Exchanged(sim, 2, settings, 1, 0x2000, 300);
    EXPECT_EQ(refused.Reply(), kNak);
    EXPECT_EQ(LoggedSince(sim, before), std::vector<std::string>{"%1CLSS ? -> %1CLSS=1"});
}

TEST(PjlinkSession, PasswordRightAndWrongAndTheClassItTeaches) {
    FakeProjectors sim({PjsimProcess::Pjlink("password=JBMIAProjectorLink,power=on,class=2")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    for (const char* wrong : {"jbmiaprojectorlink", ""}) {
        PjlinkSession session(wrong, kTimeouts);
        SessionPeer peer(session);
        sim.Open(1, session, peer);
        EXPECT_EQ(session.End(), SessionEnd::Refused) << wrong;
    }
    EXPECT_EQ(LoggedSince(sim, 0), (std::vector<std::string>{"%1CLSS ? -> PJLINK ERRA", "%1CLSS ? -> PJLINK ERRA"}));

    // The class query that proves the password also tells the class, so a class 2 command
    // follows at once; the connection serves one command after another.
    PjlinkSession session("JBMIAProjectorLink", kTimeouts);
    SessionPeer peer(session);
    auto connection = sim.Open(1, session, peer);
    ASSERT_TRUE(session.IsReady());
    EXPECT_EQ(session.Class(), 2);
    const std::size_t before = sim.RequestLines().size();
    ASSERT_TRUE(session.Submit(Request{1, 0x3002, 1}, peer.Now()));
    sim.Serve(*connection, session, peer);
    EXPECT_EQ(ReplyOf(session.TakeResult()), kAck);
    ASSERT_TRUE(session.SubmitCommand('1', "NAME", "?", peer.Now()));
    sim.Serve(*connection, session, peer);
    const std::optional<PjlinkAnswer> name = session.TakeAnswer();
    ASSERT_TRUE(name && name->answered);
    EXPECT_EQ(LoggedSince(sim, before),
              (std::vector<std::string>{"%2FREZ 1 -> %2FREZ=OK", "%1NAME ? -> %1NAME=" + name->value}));
}

TEST(PjlinkSession, GreetingsAndTheirDeadlines) {
    struct Case {
        const char* what;
        std::string greeting;
        SessionState state;
        SessionEnd end;
        std::string sent;
    };
    const Case cases[] = {
        {"open", "PJLINK 0\r", SessionState::Ready, SessionEnd::None, ""},
        {"open, CR LF", "\nPJLINK 0\r\n", SessionState::Ready, SessionEnd::None, ""},
        {"password asked", "PJLINK 1 0a1b2c3d\r", SessionState::Opening, SessionEnd::None,
         pjlink::AuthDigest("0a1b2c3d", "pw") + "%1CLSS ?\r"},
        {"malformed", "PJLINK 1 zz\r", SessionState::Finished, SessionEnd::Refused, ""},
        {"another protocol", std::string(1, '\0'), SessionState::Opening, SessionEnd::None, ""},
        {"a greeting and a line nobody asked for", "PJLINK 0\r%1POWR=1\r", SessionState::Finished,
         SessionEnd::OutOfStep, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PjlinkSession session("pw", kTimeouts);
        SessionPeer peer(session);
        peer.Connect();
        EXPECT_EQ(session.Deadline(), peer.Now() + std::chrono::milliseconds(kTimeouts.connectMs));
        peer.Advance(10);
        peer.Give(c.greeting);
        EXPECT_EQ(session.State(), c.state);
        EXPECT_EQ(session.End(), c.end);
        EXPECT_EQ(peer.TakeSent(), c.sent);
        if (c.state == SessionState::Opening && !c.sent.empty()) {
            // The password's answer has the reply time-out, counted from the greeting.
            EXPECT_EQ(session.Deadline(), peer.Now() + std::chrono::milliseconds(kTimeouts.replyMs));
            peer.Give("%1CLSS=ERR1\r"); // any answer to the class query proves the password
            EXPECT_TRUE(session.IsReady());
            EXPECT_EQ(session.Class(), 0);
        } else if (c.state == SessionState::Opening) {
            peer.Expire();
            EXPECT_EQ(session.End(), SessionEnd::TimedOut);
        }
    }
}

TEST(PjlinkSession, LinesThatAreNoAnswerWaitOutTheTimeOutAndBrokenAnswersEndTheSession) {
    const std::string overlong = "%1POWR=" + std::string(200, '1') + "\r";
    struct Case {
        const char* what;
        std::string answer; // to every command
        SessionEnd end;
    };
    const Case cases[] = {
        {"an answer to another command", "%1INPT=31\r", SessionEnd::TimedOut},
        {"an answer of another class", "%2POWR=1\r", SessionEnd::TimedOut},
        {"no '='", "%1POWR 1\r", SessionEnd::TimedOut},
        {"a value no power state has", "%1POWR=7\r", SessionEnd::OutOfStep},
        {"binary noise", std::string("\x00\xff\x1b[2J\x80\r", 8), SessionEnd::TimedOut},
        {"a line longer than any answer", overlong, SessionEnd::OutOfStep},
        {"a refusal of the password without one asked", "PJLINK ERRA\r", SessionEnd::TimedOut},
        {"half an answer", "%1POWR=", SessionEnd::TimedOut},
        {"no answer", "", SessionEnd::TimedOut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scripted fake("PJLINK 0\r", c.answer);
        ASSERT_TRUE(fake.session.IsReady());
        const std::optional<RequestResult> result = fake.Send(Request{2, 0x6000, 0});
        ASSERT_TRUE(result.has_value());
        EXPECT_FALSE(result->answered);
        EXPECT_EQ(result->size, 0u);
        EXPECT_EQ(fake.session.End(), c.end);
    }

    // A late answer to another command is passed over; a line while nothing is asked puts the
    // connection out of step, and it is not used again.
    Scripted late("PJLINK 0\r", "%1POWR=OK\r%1AVMT=OK\r");
    EXPECT_EQ(ReplyOf(late.Send(Request{1, 0x3020, 1})), kAck);
    EXPECT_EQ(ReplyOf(late.Send(Request{1, 0x6000, 1})), kAck);
    EXPECT_EQ(late.session.End(), SessionEnd::OutOfStep);
    EXPECT_FALSE(late.Send(Request{1, 0x6000, 0}).has_value());
    EXPECT_EQ(late.commands, 2);
}

TEST(PjlinkSession, ReadsAnswersTheWayRealProjectorsSendThem) {
    struct Case {
        const char* what;
        std::string bytes; // what comes back to "%1POWR ?"
        std::string value;
    };
    const Case cases[] = {
        {"LF", "%1POWR=1\n", "1"},
        {"CR LF", "%1POWR=1\r\n", "1"},
        {"NUL bytes", std::string("\0\0%1POWR=1\r", 11), "1"},
        {"a prompt and blanks", "> \t%1POWR=1\r", "1"},
        {"a prompt of its own", ">\r%1POWR=1\r", "1"},
        {"lower case", "%1powr=err3\r", "ERR3"},
        {"an echo of the command", "%1POWR ?\r%1POWR=1\r", "1"},
        {"Invalid Command", "Invalid Command\r%1POWR=0\r", "0"},
        {"an answer to an earlier command", "%1INPT=31\r%2POWR=0\r%1POWR=2\r", "2"},
        {"all of them", std::string("%1POWR ?\n\0> %1powr=1\n", 21), "1"},
    };
    for (const Case& c : cases) {
        for (bool bytewise : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.what << (bytewise ? ", byte by byte" : ""));
            PjlinkSession session("", kTimeouts);
            SessionPeer peer(session);
            peer.Connect();
            peer.Give("PJLINK 0\r");
            ASSERT_TRUE(session.SubmitCommand('1', "POWR", "?", peer.Now()));
            for (std::size_t i = 0; bytewise && i < c.bytes.size(); ++i)
                peer.Give(c.bytes.substr(i, 1));
            if (!bytewise)
                peer.Give(c.bytes);
            const std::optional<PjlinkAnswer> answer = session.TakeAnswer();
            ASSERT_TRUE(answer && answer->answered);
            EXPECT_EQ(answer->value, c.value);
            EXPECT_TRUE(session.IsReady());
        }
    }

    // A translated request reads a lower-case input.
    Scripted lower("PJLINK 0\r", "%1inpt=32\n");
    EXPECT_EQ(ReplyOf(lower.Send(Request{2, 0x2000, 0})), Data(13));
}

TEST(PjlinkSession, EachCommandHasItsOwnReplyTimeOut) {
    PjlinkSession session("", kTimeouts);
    SessionPeer peer(session);
    peer.Connect();
    peer.Give("PJLINK 0\r");
    ASSERT_TRUE(session.SubmitCommand('1', "POWR", "?", peer.Now()));
    EXPECT_EQ(peer.TakeSent(), "%1POWR ?\r");
    EXPECT_EQ(session.Deadline(), peer.Now() + std::chrono::milliseconds(kTimeouts.replyMs));
    peer.Advance(kTimeouts.replyMs - 1);
    peer.Give("%1POWR=1\r\n"); // the line feed of a CR LF device is no stray line
    const std::optional<PjlinkAnswer> answer = session.TakeAnswer();
    ASSERT_TRUE(answer && answer->answered);
    EXPECT_EQ(answer->value, "1");
    EXPECT_TRUE(session.IsReady());

    ASSERT_TRUE(session.SubmitCommand('1', "LAMP", "?", peer.Now()));
    peer.Expire();
    EXPECT_FALSE(session.TakeAnswer()->answered);
    EXPECT_EQ(session.End(), SessionEnd::TimedOut);
}
