#pragma once

#include "linkcore/Frame.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace pjsim {

// One line per received request, written and flushed at once so that a test reading the
// log sees every request as soon as the projector has answered it:
//   REQ <n> action=<a> type=0x<hhhh> setting=<s> reply=<ack|nak|data:<v>|none>
class RequestLog {
public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // An empty path logs to standard output. False with a message when the file cannot be
    // created.
    bool Open(const std::string& path, std::string& error);

    void Write(int projector, const linkcore::Request& request, std::string_view reply);

    static std::string FormatLine(int projector, const linkcore::Request& request, std::string_view reply);

private:
    std::mutex mutex_;
    std::FILE* file_ = stdout;
    bool owned_ = false;
};

} // namespace pjsim
