#pragma once

#include "widgets/OrvaneMessageBox.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

namespace orvane::test {

// Answers every message box instead of a person, for as long as it lives, and keeps what it
// was asked.
class MessageBoxRecorder {
public:
    struct Box : MessageBoxRequest {
        bool onGuiThread = false;
    };

    // Every box not answered by Answer() gets `answer`; by default No for a yes/no box and
    // OK for any other, as a cautious operator would.
    static constexpr int kNoOrOk = 0;
    explicit MessageBoxRecorder(int answer = kNoOrOk);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<Box>& Boxes() const { return boxes_; }
    std::size_t Count() const { return boxes_.size(); }
    const Box& Last() const { return boxes_.back(); }
    void Clear() { boxes_.clear(); }

    // The answers of the next boxes, in order.
    void Answer(int id) { answers_.push_back(id); }

    // Runs while a box is open, before it is answered.
    std::function<void(const Box&)> onBox;

private:
    int answer_;
    std::vector<Box> boxes_;
    std::deque<int> answers_;
    MessageBoxHandler previous_;
};

} // namespace orvane::test
