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
    // BULK <n> bytes=<N> reply=<ack|nak|none>: one bulk frame of an image.
    void WriteBulk(int projector, std::size_t bytes, std::string_view reply);
    // Any other line, e.g. the IMAGE line of a finished image.
    void WriteLine(std::string_view line);

    static std::string FormatLine(int projector, const linkcore::Request& request, std::string_view reply);

private:
    std::mutex mutex_;
    std::FILE* file_ = stdout;
    bool owned_ = false;
};

} // namespace pjsim
