#include "mainwnd/ClickQueue.h"

namespace orvane {

bool ClickQueue::Add(int commandId, int runningId) {
    const int before = waiting_.empty() ? runningId : waiting_.back();
    if (commandId == before || waiting_.size() >= kMaxWaiting)
        return false;
    waiting_.push_back(commandId);
    return true;
}

int ClickQueue::Take() {
    if (waiting_.empty())
        return 0;
    const int next = waiting_.front();
    waiting_.pop_front();
    return next;
}

} // namespace orvane
