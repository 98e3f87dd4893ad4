#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pjsim {

class StopEvent;

// Serves datagrams on `fd` until the stop is set: each one of at most `maxSize` bytes is
// given to `answer`, and what it returns goes back to the sender, and only to the sender.
void AnswerDatagrams(int fd, const StopEvent& stop, std::size_t maxSize,
                     const std::function<std::vector<std::string>(std::string_view)>& answer);

} // namespace pjsim
