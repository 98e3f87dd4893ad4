#pragma once

#include "commands/CommandCatalog.h"
#include "commands/CommandSequence.h"
#include "commands/MainWindowSide.h"
#include "commands/PollerControl.h"
#include "link/CommandTransport.h"

namespace orvane {

// The handlers of the projector commands: the same sequence (CommandSequence) for a toolbar
// button, a tray entry and orvanectl, carried here synchronously. Window-side steps go to IMainWindowSide, the poller's
// suspend, resume and refresh to IPollerControl, every request through the transport. Runs on one thread (the
// user-interface thread) at a time.
class CommandHandlers {
public:
    // Run's result for an id without a projector handler.
    static constexpr int kNoHandler = -1;

    CommandHandlers(CommandTransport& transport, IPollerControl& poller, IMainWindowSide& window);
    CommandHandlers(const CommandHandlers&) = delete;
    CommandHandlers& operator=(const CommandHandlers&) = delete;

    // Runs the handler of a projector command. Returns the number of slots that were
    // reported through ShowSlotError (0 when every projector accepted or needed nothing), or
    // kNoHandler for an id that is not a projector command (nothing is done then).
    int Run(int commandId);

    // The volume popup's steps: a send to all of (4, 0x2001, 0) with message 93, and of
    // (5, 0x2001, 0) with message 94. The poller keeps running. Same result as Run.
    int VolumeUp();
    int VolumeDown();

    // The selected projector's volume level (reply byte 1 of a volume get), or -1 when no
    // projector is selected or the read failed.
    int ReadVolumeLevel();

private:
    // Runs a command's steps on this thread, each exchange through the transport's Link.
    int Carry(CommandSequence& run);
    void DoWindowStep(const CommandStep& step);

    CommandTransport& transport_;
    IPollerControl& poller_;
    IMainWindowSide& window_;
};

} // namespace orvane
