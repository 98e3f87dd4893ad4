#pragma once

#include "link/LinkCodes.h"
#include "link/SlotErrorSink.h"
#include "model/ModelInfo2.h"

// The link the window and orvanectl hand in; the transport itself needs only its interface.
#include "linkcore/PjlinkSettings.h"
#include "linkcore/PjtInterface.h"
#include "linkcore/ProjectorLink.h"

#include <cstdint>
#include <mutex>

namespace orvane {

// The layer between the command handlers, the status poller and the volume popup on one
// side and the projector link on the other. It works on the window's working record and
// its two link objects: Link for everything sent from the user-interface thread (and the
// poller's kind query), PollLink for the poller's input query. The window passes its two
// CPjtInterface objects; a test may pass in-process projectors instead.
//
// Slots are 0-based here; slots 0..PjtNum-1 receive commands. A failing slot never stops a
// loop over the others and never changes the configuration.
//
// Thread safety: SendToSlot and PollSendToSlot may run on two threads at once. Each link
// object is guarded by its own mutex, so that two exchanges never overlap on one
// link object (Mute and Volume run while the poller may be asking for a kind through Link).
// PjtKind and SelectPrj are accessed through LoadShared/StoreShared; the other fields of the
// record must not change while the poller runs.
class CommandTransport {
public:
    CommandTransport(CModelInfo2& model, IProjectorLink& link, IProjectorLink& pollLink, ISlotErrorSink& sink);
    CommandTransport(const CommandTransport&) = delete;
    CommandTransport& operator=(const CommandTransport&) = delete;

    CModelInfo2& Model() { return model_; }
    const CModelInfo2& Model() const { return model_; }

    // Number of slots in use: PjtNum, clamped to 0..5 so that a damaged record never makes
    // a loop index past the five slots.
    int SlotsInUse() const;

    // The 0-based slot of the projector the toolbar reports on (SelectPrj), or -1 when none
    // is selected or the selected one is not among the slots in use: a slot beyond PjtNum
    // holds no projector, and asking it would only wait for a time-out.
    int ReportedSlot() const;

    // One exchange with slot `slot` through Link: CopyData, Open, and only if that worked,
    // Send and Close. kExchangeOk, kExchangeOpenFailed or kExchangeSendFailed. `reply` must
    // hold kReplyBufferSize bytes, zero-filled by the caller. A slot outside 0..4 gives
    // kExchangeOpenFailed without touching the link.
    [[nodiscard]] int SendToSlot(int slot, std::uint16_t action, std::uint16_t type, std::uint16_t setting,
                                 unsigned char* reply);

    // The same through PollLink; only the poller calls it.
    [[nodiscard]] int PollSendToSlot(int slot, std::uint16_t action, std::uint16_t type, std::uint16_t setting,
                                     unsigned char* reply);

    // Asks the slot's power state: kPowerOff, kPowerOn, kPowerTransit or whatever else the
    // projector answers; kPowerUnknown when the query failed.
    std::uint16_t QueryPowerState(int slot);

    // The slot's cached kind; asked once with (2, 0x1007, 0) while it is unknown. A failed
    // query leaves it unknown, so the next command asks again. `exchange`, when given,
    // receives the query's exchange result (kExchangeOk when nothing was asked).
    std::int32_t EnsureKind(int slot, int* exchange = nullptr);

    // What the kind check of a projector command decided for a slot.
    enum class KindCheck {
        Go,          // command it (its kind is unknown after a query that got an answer, too)
        Refused,     // kind 9 or 10: never commanded
        Unreachable, // the kind query could not even open the link: the command would only
                     // wait out the same time-out again, so the slot is reported at once
    };
    KindCheck CheckKind(int slot);
    // The decision itself: a slot's kind after a kind query that gave `exchange` (kExchangeOk
    // when the kind was known and nothing was asked).
    static KindCheck KindCheckOf(std::int32_t kind, int exchange);

    // For each slot in use, slot 0 first: the kind check, then (action, type, setting),
    // expecting an acknowledgement. Every refused, unreachable or failing slot gets message
    // `messageNumber` with the error icon. Returns the number of slots reported.
    int SendToAll(std::uint16_t action, std::uint16_t type, std::uint16_t setting, int messageNumber);

    // Reports slot `slot` with catalog message (2201, number) followed by the slot's COM port
    // or IP address. Returns the sink's result.
    int ShowSlotError(int slot, int number, int style);

    // The message ShowSlotError passes on.
    std::string SlotErrorMessage(int slot, int number) const;

    // True when the exchange worked and the projector acknowledged.
    static bool Accepted(int result, const ReplyBuffer& reply) {
        return result == kExchangeOk && reply[0] == kReplyAck;
    }

private:
    int Exchange(IProjectorLink& link, std::mutex& guard, int slot, std::uint16_t action, std::uint16_t type,
                 std::uint16_t setting, unsigned char* reply);

    CModelInfo2& model_;
    IProjectorLink& link_;
    IProjectorLink& pollLink_;
    ISlotErrorSink& sink_;
    std::mutex linkMutex_;
    std::mutex pollLinkMutex_;
};

// Whether the link speaks PJLink to slot `slot` rather than our own protocol: a network slot
// on one of the PJLink ports of `pjlink`, as each Open of the link decides it.
bool IsPjlinkSlot(const CModelInfo2& model, int slot, const linkcore::PjlinkSettings& pjlink);

} // namespace orvane
