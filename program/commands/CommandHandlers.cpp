#include "commands/CommandHandlers.h"

#include "commands/CommandIds.h"
#include "link/SharedField.h"

namespace orvane {

namespace {

constexpr int kFreezeSettleMs = 100;
constexpr std::int32_t kModelWithoutPowerQuery = 500;

} // namespace

CommandHandlers::CommandHandlers(CommandTransport& transport, IPollerControl& poller, IMainWindowSide& window)
    : transport_(transport), poller_(poller), window_(window) {}

int CommandHandlers::Run(int commandId) {
    const CommandEntry* entry = FindCommand(commandId);
    if (entry == nullptr || !IsProjectorCommand(*entry))
        return kNoHandler;

    if (entry->hidePopup)
        window_.HideVolumePopup();
    if (entry->suspendPoller)
        poller_.ControlPoller(kPollerSuspend);

    int reported = 0;
    switch (entry->role) {
    case CommandRole::PowerOn:
    case CommandRole::PowerOff:
        reported = RunPower(*entry);
        break;
    case CommandRole::FreezeOn:
        reported = RunFreezeOn(*entry);
        break;
    default:
        reported = transport_.SendToAll(entry->action, entry->type, CommandSetting(*entry, transport_.Model().ModelID),
                                        entry->message);
        break;
    }

    if (entry->role == CommandRole::Volume)
        window_.ToggleVolumePopup();
    if (entry->refreshInput)
        poller_.RefreshInputState();
    if (entry->suspendPoller)
        poller_.ControlPoller(kPollerResume);
    return reported;
}

int CommandHandlers::RunPower(const CommandEntry& entry) {
    const bool on = entry.role == CommandRole::PowerOn;
    // The state in which the set is sent, and the one in which nothing needs doing.
    const std::uint16_t actOn = on ? kPowerOff : kPowerOn;
    const std::uint16_t alreadyThere = on ? kPowerOn : kPowerOff;
    int reported = 0;
    const int slots = transport_.SlotsInUse();
    for (int slot = 0; slot < slots; ++slot) {
        // An unreachable projector's state cannot be read either: the same message as for
        // a failed state query, without waiting for that query to fail too.
        if (transport_.CheckKind(slot) != CommandTransport::KindCheck::Go) {
            transport_.ShowSlotError(slot, kMsgPowerRefused, kMbIconHand);
            ++reported;
            continue;
        }
        if (transport_.Model().ModelID != kModelWithoutPowerQuery) {
            const std::uint16_t state = transport_.QueryPowerState(slot);
            if (state == alreadyThere)
                continue;
            if (state == kPowerTransit) {
                transport_.ShowSlotError(slot, kMsgPowerInTransit, kMbOk);
                ++reported;
                continue;
            }
            if (state != actOn) {
                transport_.ShowSlotError(slot, kMsgPowerRefused, kMbIconHand);
                ++reported;
                continue;
            }
        }
        ReplyBuffer reply{};
        const int result = transport_.SendToSlot(slot, entry.action, entry.type, entry.setting, reply.data());
        if (!CommandTransport::Accepted(result, reply)) {
            transport_.ShowSlotError(slot, entry.message, kMbIconHand);
            ++reported;
        }
    }
    return reported;
}

int CommandHandlers::RunFreezeOn(const CommandEntry& entry) {
    // The frozen picture must not show this window; it comes back only for an error box.
    window_.HideMainWindow();
    int reported = 0;
    const int slots = transport_.SlotsInUse();
    for (int slot = 0; slot < slots; ++slot) {
        const CommandTransport::KindCheck check = transport_.CheckKind(slot);
        if (check == CommandTransport::KindCheck::Refused) {
            transport_.ShowSlotError(slot, entry.message, kMbIconHand);
            ++reported;
            continue;
        }
        ReplyBuffer reply{};
        int result = kExchangeOpenFailed;
        if (check == CommandTransport::KindCheck::Go)
            result = transport_.SendToSlot(slot, entry.action, entry.type, entry.setting, reply.data());
        if (!CommandTransport::Accepted(result, reply)) {
            if (!window_.IsMainWindowVisible())
                window_.ShowMainWindow();
            transport_.ShowSlotError(slot, entry.message, kMbIconHand);
            ++reported;
            if (window_.IsMainWindowVisible())
                window_.HideMainWindow();
        }
    }
    window_.Sleep(kFreezeSettleMs);
    window_.ShowMainWindow();
    return reported;
}

int CommandHandlers::VolumeUp() {
    return transport_.SendToAll(kActionIncrement, kTypeVolume, 0, kMsgVolumeUp);
}

int CommandHandlers::VolumeDown() {
    return transport_.SendToAll(kActionDecrement, kTypeVolume, 0, kMsgVolumeDown);
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
