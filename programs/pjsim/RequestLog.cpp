#include "RequestLog.h"

#include <cerrno>
#include <cstring>

namespace pjsim {

RequestLog::~RequestLog() {
    if (owned_)
        std::fclose(file_);
}

bool RequestLog::Open(const std::string& path, std::string& error) {
    if (path.empty())
        return true;
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        error = "cannot create log file '" + path + "': " + std::strerror(errno);
        return false;
    }
    file_ = file;
    owned_ = true;
    return true;
}

std::string RequestLog::FormatLine(int projector, const linkcore::Request& request, std::string_view reply) {
    char head[96];
    std::snprintf(head, sizeof head, "REQ %d action=%u type=0x%04x setting=%u reply=", projector,
                  static_cast<unsigned>(request.action), static_cast<unsigned>(request.type),
                  static_cast<unsigned>(request.setting));
    return std::string(head) + std::string(reply);
}

void RequestLog::Write(int projector, const linkcore::Request& request, std::string_view reply) {
    WriteLine(FormatLine(projector, request, reply));
}

void RequestLog::WriteBulk(int projector, std::size_t bytes, std::string_view reply) {
    WriteLine("BULK " + std::to_string(projector) + " bytes=" + std::to_string(bytes) + " reply=" + std::string(reply));
}

void RequestLog::WriteLine(std::string_view text) {
    std::string line(text);
    line += '\n';
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

} // namespace pjsim
