#include "linkcore/PjlinkSession.h"

#include <cstring>
#include <openssl/crypto.h>

namespace linkcore {

namespace {

constexpr std::size_t kMaxPassword = 63;

} // namespace

PjlinkSession::PjlinkSession(std::string_view password, SessionTimeouts timeouts, PjlinkSettings settings)
    : password_(password.substr(0, std::min(password.size(), kMaxPassword))), timeouts_(timeouts),
      settings_(std::move(settings)) {
    password_.resize(strnlen(password_.c_str(), kMaxPassword));
}

PjlinkSession::~PjlinkSession() {
    OPENSSL_cleanse(password_.data(), password_.size());
}

void PjlinkSession::OnBegin(SessionTime now) {
    // The greeting belongs to opening the link, as our own protocol's hello does.
    SetState(SessionState::Connecting);
    SetDeadline(After(now, timeouts_.connectMs));
}

void PjlinkSession::OnConnected(SessionTime /*now*/) {
    SetState(SessionState::Opening);
    step_ = Step::Greeting;
}

bool PjlinkSession::Submit(const Request& request, SessionTime now) {
    if (!IsReady())
        return false;
    ClearResult();
    translation_.emplace(settings_, request);
    Advance(translation_->Start(class_), now);
    return true;
}

bool PjlinkSession::SubmitCommand(char cls, std::string_view name, std::string_view param, SessionTime now) {
    if (!IsReady())
        return false;
    answer_.reset();
    pjlink::Command command;
    command.cls = cls;
    command.name.assign(name);
    command.param.assign(param);
    Send(command, Step::Command, now);
    return true;
}

std::optional<PjlinkAnswer> PjlinkSession::TakeAnswer() {
    std::optional<PjlinkAnswer> out;
    out.swap(answer_);
    return out;
}

void PjlinkSession::Send(const pjlink::Command& command, Step step, SessionTime now) {
    const std::string line = pjlink::FormatCommand(command.cls, command.name, command.param);
    Out().Append(ByteView(reinterpret_cast<const unsigned char*>(line.data()), line.size()));
    sent_ = command;
    step_ = step;
    SetState(SessionState::Exchanging);
    SetDeadline(After(now, timeouts_.replyMs));
}

void PjlinkSession::Advance(const PjlinkTranslation::Step& step, SessionTime now) {
    if (translation_->LearnedClass() != 0)
        class_ = translation_->LearnedClass();
    switch (step.kind) {
    case PjlinkTranslation::Step::Kind::Send:
        Send(step.command, Step::Translated, now);
        return;
    case PjlinkTranslation::Step::Kind::Done:
        SetResult(step.result);
        translation_.reset();
        step_ = Step::None;
        BecomeReady();
        return;
    case PjlinkTranslation::Step::Kind::Fail:
        Fail(SessionEnd::OutOfStep);
        return;
    }
}

void PjlinkSession::Fail(SessionEnd end) {
    if (step_ == Step::Command)
        answer_ = PjlinkAnswer{};
    if (step_ == Step::Translated)
        SetResult(RequestResult{});
    translation_.reset();
    step_ = Step::None;
    Finish(end);
}

void PjlinkSession::OnLost(SessionEnd end) {
    Fail(end);
}

void PjlinkSession::OnBytes(ByteView bytes, SessionTime now) {
    reader_.Feed(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::string line;
    while (!IsFinished() && reader_.Next(line)) {
        if (!Waiting()) {
            // A line nobody asked for: whatever comes next would answer the wrong command.
            Finish(SessionEnd::OutOfStep);
            return;
        }
        OnLine(line, now);
    }
    if (!IsFinished() && reader_.Broken())
        Fail(SessionEnd::OutOfStep);
}

void PjlinkSession::OnLine(const std::string& line, SessionTime now) {
    pjlink::Answer answer;
    switch (step_) {
    case Step::Greeting: {
        pjlink::Greeting greeting;
        if (!pjlink::ParseGreeting(line, greeting)) {
            Fail(SessionEnd::Refused);
            return;
        }
        if (!greeting.auth) {
            step_ = Step::None;
            BecomeReady();
            return;
        }
        std::string first = pjlink::AuthDigest(greeting.random, password_) + pjlink::FormatCommand('1', "CLSS", "?");
        Out().Append(ByteView(reinterpret_cast<const unsigned char*>(first.data()), first.size()));
        OPENSSL_cleanse(first.data(), first.size());
        step_ = Step::AuthAnswer;
        SetDeadline(After(now, timeouts_.replyMs));
        return;
    }
    case Step::AuthAnswer:
        // Any answer to the class query proves the password; a refusal is the projector's
        // "PJLINK ERRA" line. Other lines are skipped as below.
        if (pjlink::IsAuthError(line)) {
            Fail(SessionEnd::Refused);
            return;
        }
        if (!pjlink::ReadAnswer(line, answer) || answer.cls != '1' || answer.name != "CLSS")
            return;
        class_ = PjlinkClassOf(answer.value);
        step_ = Step::None;
        BecomeReady();
        return;
    case Step::Command:
    case Step::Translated:
        // Projectors put prompts, echoes of the command and "Invalid Command" on the line, and
        // a late answer to an earlier command may still come: only the answer to the command
        // sent counts, and the reply time-out bounds the wait for it.
        if (!pjlink::ReadAnswer(line, answer) || answer.cls != sent_.cls || answer.name != sent_.name)
            return;
        if (step_ == Step::Command) {
            answer_ = PjlinkAnswer{true, std::move(answer.value)};
            step_ = Step::None;
            BecomeReady();
            return;
        }
        Advance(translation_->Next(answer.value), now);
        return;
    case Step::None:
        return;
    }
}

} // namespace linkcore
