#include "commands/CommandHandlers.h"

#include "commands/CommandIds.h"

namespace orvane {

CommandHandlers::CommandHandlers(CommandTransport& transport, IPollerControl& poller, IMainWindowSide& window)
    : transport_(transport), poller_(poller), window_(window) {}

int CommandHandlers::Run(int commandId) {
    std::optional<CommandSequence> run = CommandSequence::ForCommand(commandId, transport_.Model());
    if (!run)
        return kNoHandler;
    return Carry(*run);
}

int CommandHandlers::VolumeUp() {
    CommandSequence run =
        CommandSequence::SendToAll(transport_.Model(), kActionIncrement, kTypeVolume, 0, kMsgVolumeUp);
    return Carry(run);
}

int CommandHandlers::VolumeDown() {
    CommandSequence run =
        CommandSequence::SendToAll(transport_.Model(), kActionDecrement, kTypeVolume, 0, kMsgVolumeDown);
    return Carry(run);
}

int CommandHandlers::Carry(CommandSequence& run) {
    for (CommandStep step = run.Next(); step.kind != CommandStep::Kind::Done; step = run.Next()) {
        switch (step.kind) {
        case CommandStep::Kind::Exchange: {
            ReplyBuffer reply{};
            const int result = transport_.SendToSlot(step.slot, step.action, step.type, step.setting, reply.data());
            run.Answer(result, reply);
            break;
        }
        case CommandStep::Kind::SlotError:
            transport_.ShowSlotError(step.slot, step.message, step.style);
            break;
        case CommandStep::Kind::Window:
            DoWindowStep(step);
            break;
        case CommandStep::Kind::Done:
            break;
        }
    }
    return run.Reported();
}

void CommandHandlers::DoWindowStep(const CommandStep& step) {
    switch (step.window) {
    case WindowStep::HideVolumePopup:
        window_.HideVolumePopup();
        break;
    case WindowStep::ToggleVolumePopup:
        window_.ToggleVolumePopup();
        break;
    case WindowStep::HideMainWindow:
        window_.HideMainWindow();
        break;
    case WindowStep::ShowMainWindow:
        window_.ShowMainWindow();
        break;
    case WindowStep::ShowMainWindowIfHidden:
        if (!window_.IsMainWindowVisible())
            window_.ShowMainWindow();
        break;
    case WindowStep::HideMainWindowIfShown:
        if (window_.IsMainWindowVisible())
            window_.HideMainWindow();
        break;
    case WindowStep::Settle:
        window_.Sleep(step.milliseconds);
        break;
    case WindowStep::SuspendPoller:
        poller_.ControlPoller(kPollerSuspend);
        break;
    case WindowStep::ResumePoller:
        poller_.ControlPoller(kPollerResume);
        break;
    case WindowStep::RefreshInput:
        poller_.RefreshInputState();
        break;
    }
}

int CommandHandlers::ReadVolumeLevel() {
    const int slot = transport_.ReportedSlot();
    if (slot < 0)
        return -1;
    ReplyBuffer reply{};
    if (transport_.SendToSlot(slot, kActionGet, kTypeVolume, 0, reply.data()) != kExchangeOk || reply[0] != kReplyData)
        return -1;
    return reply[1];
}

} // namespace orvane
