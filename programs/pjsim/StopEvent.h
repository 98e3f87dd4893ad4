#pragma once

namespace pjsim {

// A one-way switch that every waiting thread can poll on next to its own descriptor, so that
// a stop wakes listeners, connections and delayed replies at once.
class StopEvent {
public:
    StopEvent();
    ~StopEvent();
    StopEvent(const StopEvent&) = delete;
    StopEvent& operator=(const StopEvent&) = delete;

    bool Valid() const { return readFd_ >= 0; }
    // Readable once Set has been called.
    int Fd() const { return readFd_; }
    void Set();
    bool IsSet() const;

    // Sleeps up to ms; false when the stop came first.
    bool Sleep(int ms) const;

private:
    int readFd_ = -1;
    int writeFd_ = -1;
};

} // namespace pjsim
