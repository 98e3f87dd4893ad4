#include "model/OptionFile.h"

#include "platform/FileUtil.h"
#include "platform/PrivateProfile.h"

#include <cstdio>
#include <string>

namespace orvane {

namespace {
// Lines are read the way fgets reads them into a 15-byte buffer: at most 14 characters,
// and a longer line goes on as the next read.
class LineReader {
public:
    explicit LineReader(std::string text) : text_(std::move(text)) {}
    bool Next(std::string& line) {
        if (pos_ >= text_.size())
            return false;
        std::size_t end = pos_;
        while (end < text_.size() && end - pos_ < 14) {
            if (text_[end++] == '\n')
                break;
        }
        line = text_.substr(pos_, end - pos_);
        pos_ = end;
        return true;
    }

private:
    std::string text_;
    std::size_t pos_ = 0;
};
} // namespace

FileReadResult ReadOptions(OptionValues& options) {
    options.SkipLogin = 0;
    options.SkipConfig = 0;
    std::string text;
    FileReadResult read = ReadWholeFile(kOptionFile, text, kMaxSettingsFileSize);
    if (!read.ok())
        return read;
    LineReader reader(std::move(text));
    std::string line;
    if (!reader.Next(line))
        return read;
    options.SkipLogin = ProfileAtoi(line) != 0 ? 1 : 0;
    if (!reader.Next(line))
        return read;
    options.SkipConfig = ProfileAtoi(line) != 0 ? 1 : 0;
    if (!reader.Next(line))
        return read;
    options.UpdateInterval = ProfileAtoi(line);
    return read;
}

std::string FormatOptions(const OptionValues& options) {
    char buf[64];
    // Text-mode lines, CR LF like the configuration files.
    std::snprintf(buf, sizeof buf, "%d\r\n%d\r\n%d\r\n", options.SkipLogin != 0 ? 1 : 0,
                  options.SkipConfig != 0 ? 1 : 0, options.UpdateInterval);
    return buf;
}

int WriteOptions(const OptionValues& options) {
    return WriteFileAtomically(kOptionFile, FormatOptions(options), kOptionFileMode);
}

} // namespace orvane
