#pragma once

#include <cstddef>
#include <deque>

namespace orvane {

// Clicks that arrive while a command runs: they wait and run afterwards, in order, as
// they would behind a window thread busy with the command. A burst of repeated clicks on
// one button counts once, and only a few wait at all: an operator who clicks on and on
// at a command that takes long does not mean to queue up minutes of work.
class ClickQueue {
public:
    static constexpr std::size_t kMaxWaiting = 3;

    // A click on `commandId` while `runningId` runs. Kept unless it repeats the click just
    // before it (the last one waiting or, with none waiting, the running command) or the
    // queue is full. True when kept.
    bool Add(int commandId, int runningId);
    // The next click to run; 0 when none waits.
    int Take();
    void Clear() { waiting_.clear(); }
    bool Empty() const { return waiting_.empty(); }
    std::size_t Size() const { return waiting_.size(); }

private:
    std::deque<int> waiting_;
};

} // namespace orvane
