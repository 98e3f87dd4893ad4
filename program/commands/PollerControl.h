#pragma once

namespace orvane {

// Modes of ControlPoller.
inline constexpr int kPollerStart = 0;
inline constexpr int kPollerStop = 1;
inline constexpr int kPollerSuspend = 2;
inline constexpr int kPollerResume = 3;

// What the command handlers need of the status poller.
class IPollerControl {
public:
    virtual ~IPollerControl() = default;

    // kPollerStart, kPollerStop, kPollerSuspend or kPollerResume; other modes do nothing.
    // Always returns 0.
    virtual int ControlPoller(int mode) = 0;

    // Reads the selected projector's input once, on the calling thread, and reports the
    // input buttons' states.
    virtual void RefreshInputState() = 0;
};

} // namespace orvane
