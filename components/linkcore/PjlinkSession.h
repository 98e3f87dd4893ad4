#pragma once

#include "linkcore/PjlinkLine.h"
#include "linkcore/PjlinkSettings.h"
#include "linkcore/PjlinkTranslator.h"
#include "linkcore/Session.h"

#include <optional>
#include <string>
#include <string_view>

namespace linkcore {

// The answer to one PJLink command (SubmitCommand).
struct PjlinkAnswer {
    // False: no answer in time, the stream ended, or an over-long line; the session is then
    // Finished.
    bool answered = false;
    std::string value; // the text after '=': data, "OK" or "ERR1".."ERR4"
};

// One TCP connection to a PJLink projector (see Session for how to drive it): Begin,
// Connected, then the greeting within the connect time-out counted from Begin. A projector
// that asks for a password ("PJLINK 1 <random>") is sent the digest in front of a class query
// at once, so that a wrong password ends the handshake ("PJLINK ERRA": Refused) and not the
// caller's first command; the answer within the reply time-out.
//
// Then any number of exchanges, one at a time, each answered by one line within the reply
// time-out:
//   SubmitCommand  one PJLink command, its answer from TakeAnswer;
//   Submit         one request of ours, translated (PjlinkTranslation) into none, one or two
//                  commands, its reply from TakeResult as our protocol would have given it.
// Lines are read liberally (pjlink::ReadAnswer): a line that is no answer, or an answer to
// another command, is skipped while the reply time-out lasts. An over-long line, an answer
// to the command that no such answer can be, or a line while nothing was asked puts the
// stream out of step: the exchange fails and the session is Finished.
class PjlinkSession final : public Session {
public:
    explicit PjlinkSession(std::string_view password, SessionTimeouts timeouts = {},
                           PjlinkSettings settings = PjlinkSettings());
    ~PjlinkSession() override;

    [[nodiscard]] bool Submit(const Request& request, SessionTime now) override;
    // `name` is four characters, `param` printable ASCII ("?" for a query, empty for none).
    [[nodiscard]] bool SubmitCommand(char cls, std::string_view name, std::string_view param, SessionTime now);
    [[nodiscard]] std::optional<PjlinkAnswer> TakeAnswer();

    // The projector's class, 1 or 2, once known: from the password's class query or from a
    // request that needed it; 0 before.
    int Class() const { return class_; }

    std::size_t ReadHint() const override { return 256; }

protected:
    void OnBegin(SessionTime now) override;
    void OnConnected(SessionTime now) override;
    void OnBytes(ByteView bytes, SessionTime now) override;
    void OnLost(SessionEnd end) override;

private:
    enum class Step {
        None,
        Greeting,
        AuthAnswer, // the class query sent behind the digest
        Command,    // a command of SubmitCommand
        Translated, // a command of a translated request
    };

    void OnLine(const std::string& line, SessionTime now);
    void Send(const pjlink::Command& command, Step step, SessionTime now);
    void Advance(const PjlinkTranslation::Step& step, SessionTime now);
    void Fail(SessionEnd end);

    std::string password_;
    SessionTimeouts timeouts_;
    PjlinkSettings settings_;
    pjlink::LineReader reader_;
    Step step_ = Step::None;
    pjlink::Command sent_;
    std::optional<PjlinkTranslation> translation_;
    std::optional<PjlinkAnswer> answer_;
    int class_ = 0;
};

} // namespace linkcore
