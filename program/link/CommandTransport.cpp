#include "link/CommandTransport.h"

#include "catalog/MessageCatalog.h"
#include "catalog/SlotError.h"
#include "link/SharedField.h"

#include <cstring>

namespace orvane {

namespace {

bool ValidSlot(int slot) {
    return slot >= 0 && slot < CModelInfo2::kSlots;
}

} // namespace

CommandTransport::CommandTransport(CModelInfo2& model, IProjectorLink& link, IProjectorLink& pollLink,
                                   ISlotErrorSink& sink)
    : model_(model), link_(link), pollLink_(pollLink), sink_(sink) {}

int CommandTransport::SlotsInUse() const {
    return ClampCount(model_.PjtNum, CModelInfo2::kSlots);
}

int CommandTransport::ReportedSlot() const {
    const std::int32_t selected = LoadShared(model_.SelectPrj);
    return selected >= 1 && selected <= SlotsInUse() ? selected - 1 : -1;
}

int CommandTransport::Exchange(IProjectorLink& link, std::mutex& guard, int slot, std::uint16_t action,
                               std::uint16_t type, std::uint16_t setting, unsigned char* reply) {
    if (!ValidSlot(slot))
        return kExchangeOpenFailed;
    std::lock_guard lock(guard);
    link.CopyData(model_.ConnectMethod[slot], model_.ComNo[slot], model_.PortNo[slot], model_.IPAddress[slot],
                  model_.Password[slot]);
    // The link's peer argument is always Link, also for an exchange on PollLink.
    if (link.Open(&link_) == 0)
        return kExchangeOpenFailed;
    const int sent = link.Send(action, type, setting, reply, &link_);
    link.Close(&link_);
    return sent != 0 ? kExchangeOk : kExchangeSendFailed;
}

int CommandTransport::SendToSlot(int slot, std::uint16_t action, std::uint16_t type, std::uint16_t setting,
                                 unsigned char* reply) {
    return Exchange(link_, linkMutex_, slot, action, type, setting, reply);
}

int CommandTransport::PollSendToSlot(int slot, std::uint16_t action, std::uint16_t type, std::uint16_t setting,
                                     unsigned char* reply) {
    return Exchange(pollLink_, pollLinkMutex_, slot, action, type, setting, reply);
}

std::uint16_t CommandTransport::QueryPowerState(int slot) {
    ReplyBuffer reply{};
    if (SendToSlot(slot, kActionGet, kTypePower, 0, reply.data()) != kExchangeOk || reply[0] != kReplyData)
        return kPowerUnknown;
    return ReplyValue(reply.data());
}

std::int32_t CommandTransport::EnsureKind(int slot, int* exchange) {
    if (exchange != nullptr)
        *exchange = kExchangeOk;
    if (!ValidSlot(slot))
        return kKindUnknown;
    std::int32_t kind = LoadShared(model_.PjtKind[slot]);
    if (kind != kKindUnknown)
        return kind;
    ReplyBuffer reply{};
    const int result = SendToSlot(slot, kActionGet, kTypeKind, 0, reply.data());
    if (exchange != nullptr)
        *exchange = result;
    if (result == kExchangeOk && reply[0] == kReplyData) {
        // Callers that need only a small value read byte 1 alone.
        kind = reply[1];
        StoreShared(model_.PjtKind[slot], kind);
    }
    return kind;
}

CommandTransport::KindCheck CommandTransport::CheckKind(int slot) {
    int exchange = kExchangeOk;
    const std::int32_t kind = EnsureKind(slot, &exchange);
    return KindCheckOf(kind, exchange);
}

CommandTransport::KindCheck CommandTransport::KindCheckOf(std::int32_t kind, int exchange) {
    if (IsRefusedKind(kind))
        return KindCheck::Refused;
    // A refusal or a broken answer still lets the command go; only a link that did not
    // open at all says the command cannot reach the projector either.
    return exchange == kExchangeOpenFailed ? KindCheck::Unreachable : KindCheck::Go;
}

int CommandTransport::SendToAll(std::uint16_t action, std::uint16_t type, std::uint16_t setting, int messageNumber) {
    int reported = 0;
    const int slots = SlotsInUse();
    for (int slot = 0; slot < slots; ++slot) {
        if (CheckKind(slot) != KindCheck::Go) {
            ShowSlotError(slot, messageNumber, kMbIconHand);
            ++reported;
            continue;
        }
        ReplyBuffer reply{};
        const int result = SendToSlot(slot, action, type, setting, reply.data());
        if (!Accepted(result, reply)) {
            ShowSlotError(slot, messageNumber, kMbIconHand);
            ++reported;
        }
    }
    return reported;
}

std::string CommandTransport::SlotErrorMessage(int slot, int number) const {
    std::string text = CatalogText(kCatalogSetErrors, number);
    if (!ValidSlot(slot))
        return text;
    return FormatSlotError(text, model_.ConnectMethod[slot], FieldText(model_.IPAddress[slot]), model_.ComNo[slot]);
}

int CommandTransport::ShowSlotError(int slot, int number, int style) {
    return sink_.ShowSlotError(slot, number, style, SlotErrorMessage(slot, number));
}

bool IsPjlinkSlot(const CModelInfo2& model, int slot, const linkcore::PjlinkSettings& pjlink) {
    return model.ConnectMethod[slot] == CModelInfo2::kMethodNetwork && pjlink.IsPjlinkPort(model.PortNo[slot]);
}

} // namespace orvane
