#pragma once

#include "commands/CommandCatalog.h"
#include "link/LinkCodes.h"
#include "link/SlotErrorSink.h"
#include "model/ModelInfo2.h"

#include <cstdint>
#include <deque>
#include <optional>

namespace orvane {

// The steps of a command's handler that belong to the window or the poller. A carrier
// without a window (the network service) skips them.
enum class WindowStep {
    HideVolumePopup,
    ToggleVolumePopup,
    HideMainWindow,
    ShowMainWindow,
    ShowMainWindowIfHidden, // before an error box while the picture is frozen
    HideMainWindowIfShown,  // after that box
    Settle,                 // wait `milliseconds` for the frozen picture
    SuspendPoller,
    ResumePoller,
    RefreshInput,
};

// One thing a command's run asks its carrier to do.
struct CommandStep {
    enum class Kind {
        Exchange,  // send (action, type, setting) to `slot` on a connection of its own, then Answer
        SlotError, // report `slot` with catalog message (2201, message) and box style `style`
        Window,    // `window`
        Done,      // the run is over
    };
    Kind kind = Kind::Done;
    int slot = -1; // 0-based
    std::uint16_t action = 0;
    std::uint16_t type = 0;
    std::uint16_t setting = 0;
    int message = 0;
    int style = kMbIconHand;
    WindowStep window = WindowStep::HideVolumePopup;
    int milliseconds = 0;
};

// A projector command's handler as a sequence of steps without I/O: which projector is
// asked what, in which order, and which of them is reported with which message. The
// toolbar's handlers carry it synchronously over the command transport; the network
// service carries it over its event loop. Both therefore send the same requests to the
// same projectors in the same order and word the same failures.
//
//   CommandSequence run = *CommandSequence::ForCommand(kCmdBlankOn, model);
//   for (CommandStep s = run.Next(); s.kind != CommandStep::Kind::Done; s = run.Next())
//       if (s.kind == CommandStep::Kind::Exchange) run.Answer(exchangeResult, reply);
//
// The record's PjtKind caches each slot's kind as the transport's EnsureKind does; the
// record must outlive the sequence.
class CommandSequence {
public:
    // The handler of a projector command; none for an id without one.
    static std::optional<CommandSequence> ForCommand(int commandId, CModelInfo2& model);
    // The kind check and one request to every slot in use, each failing slot reported with
    // `message` (the volume popup's steps).
    static CommandSequence SendToAll(CModelInfo2& model, std::uint16_t action, std::uint16_t type,
                                     std::uint16_t setting, int message);

    // The next step. After an Exchange, Answer must come before the next call.
    CommandStep Next();
    // The outcome of the last Exchange: kExchangeOk, kExchangeOpenFailed or
    // kExchangeSendFailed, and the reply bytes (zero-filled where none came).
    void Answer(int exchangeResult, const ReplyBuffer& reply);

    // Slots reported so far.
    int Reported() const { return reported_; }

private:
    enum class Flow { Send, Power, FreezeOn };
    enum class Phase { Kind, Power, Set, End, Done };
    enum class Awaiting { Nothing, Kind, Power, Set };

    CommandSequence(CModelInfo2& model, Flow flow, std::uint16_t action, std::uint16_t type, std::uint16_t setting,
                    int message);

    void Decide(std::int32_t kind, int kindExchange);
    void DecidePower(std::uint16_t state);
    void SetFailed();
    void Report(int message, int style = kMbIconHand);
    void Queue(WindowStep step, int milliseconds = 0);
    void NextSlot();
    CommandStep Exchange(std::uint16_t action, std::uint16_t type, std::uint16_t setting, Awaiting awaiting);

    CModelInfo2& model_;
    Flow flow_;
    std::uint16_t action_;
    std::uint16_t type_;
    std::uint16_t setting_;
    int message_;
    bool powerOn_ = false;
    int slots_ = 0;
    int slot_ = 0;
    Phase phase_ = Phase::Kind;
    Awaiting awaiting_ = Awaiting::Nothing;
    int reported_ = 0;
    std::deque<CommandStep> queued_;
    std::deque<CommandStep> epilogue_;
};

} // namespace orvane
