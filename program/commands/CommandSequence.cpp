#include "commands/CommandSequence.h"

#include "commands/CommandIds.h"
#include "link/CommandTransport.h"
#include "link/SharedField.h"

namespace orvane {

namespace {

constexpr int kFreezeSettleMs = 100;
constexpr std::int32_t kModelWithoutPowerQuery = 500;

bool ValidSlot(int slot) {
    return slot >= 0 && slot < CModelInfo2::kSlots;
}

} // namespace

CommandSequence::CommandSequence(CModelInfo2& model, Flow flow, std::uint16_t action, std::uint16_t type,
                                 std::uint16_t setting, int message)
    : model_(model), flow_(flow), action_(action), type_(type), setting_(setting), message_(message),
      slots_(ClampCount(model.PjtNum, CModelInfo2::kSlots)) {}

std::optional<CommandSequence> CommandSequence::ForCommand(int commandId, CModelInfo2& model) {
    const CommandEntry* entry = FindCommand(commandId);
    if (entry == nullptr || !IsProjectorCommand(*entry))
        return std::nullopt;
    Flow flow = Flow::Send;
    if (entry->role == CommandRole::PowerOn || entry->role == CommandRole::PowerOff) {
        flow = Flow::Power;
    } else if (entry->role == CommandRole::FreezeOn) {
        flow = Flow::FreezeOn;
    }
    CommandSequence run(model, flow, entry->action, entry->type, CommandSetting(*entry, model.ModelID), entry->message);
    run.powerOn_ = entry->role == CommandRole::PowerOn;

    if (entry->hidePopup)
        run.Queue(WindowStep::HideVolumePopup);
    if (entry->suspendPoller)
        run.Queue(WindowStep::SuspendPoller);
    // The frozen picture must not show the window; it comes back only for an error box.
    if (flow == Flow::FreezeOn)
        run.Queue(WindowStep::HideMainWindow);

    auto after = [&run](WindowStep step, int ms = 0) {
        CommandStep s;
        s.kind = CommandStep::Kind::Window;
        s.window = step;
        s.milliseconds = ms;
        run.epilogue_.push_back(s);
    };
    if (flow == Flow::FreezeOn) {
        after(WindowStep::Settle, kFreezeSettleMs);
        after(WindowStep::ShowMainWindow);
    }
    if (entry->role == CommandRole::Volume)
        after(WindowStep::ToggleVolumePopup);
    if (entry->refreshInput)
        after(WindowStep::RefreshInput);
    if (entry->suspendPoller)
        after(WindowStep::ResumePoller);
    return run;
}

CommandSequence CommandSequence::SendToAll(CModelInfo2& model, std::uint16_t action, std::uint16_t type,
                                           std::uint16_t setting, int message) {
    return {model, Flow::Send, action, type, setting, message};
}

void CommandSequence::Queue(WindowStep step, int milliseconds) {
    CommandStep s;
    s.kind = CommandStep::Kind::Window;
    s.window = step;
    s.milliseconds = milliseconds;
    queued_.push_back(s);
}

void CommandSequence::Report(int message, int style) {
    CommandStep s;
    s.kind = CommandStep::Kind::SlotError;
    s.slot = slot_;
    s.message = message;
    s.style = style;
    queued_.push_back(s);
    ++reported_;
}

void CommandSequence::NextSlot() {
    ++slot_;
    phase_ = Phase::Kind;
}

CommandStep CommandSequence::Exchange(std::uint16_t action, std::uint16_t type, std::uint16_t setting,
                                      Awaiting awaiting) {
    awaiting_ = awaiting;
    CommandStep s;
    s.kind = CommandStep::Kind::Exchange;
    s.slot = slot_;
    s.action = action;
    s.type = type;
    s.setting = setting;
    return s;
}

CommandStep CommandSequence::Next() {
    for (;;) {
        if (!queued_.empty()) {
            const CommandStep s = queued_.front();
            queued_.pop_front();
            return s;
        }
        if (awaiting_ != Awaiting::Nothing)
            return {}; // a carrier that skipped Answer: nothing more is asked
        switch (phase_) {
        case Phase::Kind: {
            if (slot_ >= slots_) {
                phase_ = Phase::End;
                break;
            }
            const std::int32_t kind = ValidSlot(slot_) ? LoadShared(model_.PjtKind[slot_]) : kKindUnknown;
            if (kind == kKindUnknown)
                return Exchange(kActionGet, kTypeKind, 0, Awaiting::Kind);
            Decide(kind, kExchangeOk);
            break;
        }
        case Phase::Power:
            return Exchange(kActionGet, kTypePower, 0, Awaiting::Power);
        case Phase::Set:
            return Exchange(action_, type_, setting_, Awaiting::Set);
        case Phase::End:
            queued_.swap(epilogue_);
            phase_ = Phase::Done;
            break;
        case Phase::Done:
            return {};
        }
    }
}

void CommandSequence::Answer(int exchangeResult, const ReplyBuffer& reply) {
    const Awaiting awaited = awaiting_;
    awaiting_ = Awaiting::Nothing;
    switch (awaited) {
    case Awaiting::Nothing:
        return;
    case Awaiting::Kind: {
        std::int32_t kind = kKindUnknown;
        if (exchangeResult == kExchangeOk && reply[0] == kReplyData) {
            // Callers that need only a small value read byte 1 alone.
            kind = reply[1];
            StoreShared(model_.PjtKind[slot_], kind);
        }
        Decide(kind, exchangeResult);
        return;
    }
    case Awaiting::Power:
        DecidePower(exchangeResult == kExchangeOk && reply[0] == kReplyData ? ReplyValue(reply.data()) : kPowerUnknown);
        return;
    case Awaiting::Set:
        if (!CommandTransport::Accepted(exchangeResult, reply))
            SetFailed();
        NextSlot();
        return;
    }
}

void CommandSequence::Decide(std::int32_t kind, int kindExchange) {
    const CommandTransport::KindCheck check = CommandTransport::KindCheckOf(kind, kindExchange);
    switch (flow_) {
    case Flow::Send:
        if (check != CommandTransport::KindCheck::Go) {
            Report(message_);
            NextSlot();
            return;
        }
        phase_ = Phase::Set;
        return;
    case Flow::Power:
        // An unreachable projector's state cannot be read either: the same message as for
        // a failed state query, without waiting for that query to fail too.
        if (check != CommandTransport::KindCheck::Go) {
            Report(kMsgPowerRefused);
            NextSlot();
            return;
        }
        phase_ = model_.ModelID != kModelWithoutPowerQuery ? Phase::Power : Phase::Set;
        return;
    case Flow::FreezeOn:
        if (check == CommandTransport::KindCheck::Refused) {
            Report(message_);
            NextSlot();
            return;
        }
        if (check == CommandTransport::KindCheck::Unreachable) {
            SetFailed();
            NextSlot();
            return;
        }
        phase_ = Phase::Set;
        return;
    }
}

void CommandSequence::DecidePower(std::uint16_t state) {
    // The state in which the set is sent, and the one in which nothing needs doing.
    const std::uint16_t actOn = powerOn_ ? kPowerOff : kPowerOn;
    const std::uint16_t alreadyThere = powerOn_ ? kPowerOn : kPowerOff;
    if (state == actOn) {
        phase_ = Phase::Set;
        return;
    }
    if (state == kPowerTransit) {
        Report(kMsgPowerInTransit, kMbOk);
    } else if (state != alreadyThere) {
        Report(kMsgPowerRefused);
    }
    NextSlot();
}

void CommandSequence::SetFailed() {
    if (flow_ == Flow::FreezeOn)
        Queue(WindowStep::ShowMainWindowIfHidden);
    Report(message_);
    if (flow_ == Flow::FreezeOn)
        Queue(WindowStep::HideMainWindowIfShown);
}

} // namespace orvane
