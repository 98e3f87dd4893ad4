#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace orvane {

// Replaces several files together: all of them or none. Every new content goes to a
// temporary file first (PrepareFileReplacement); only when all are written are they
// renamed over their targets, and when one of those renames fails, the files renamed
// before it get their old content back.
class FileSetReplacement {
public:
    FileSetReplacement() = default;
    ~FileSetReplacement(); // discards whatever was not committed
    FileSetReplacement(const FileSetReplacement&) = delete;
    FileSetReplacement& operator=(const FileSetReplacement&) = delete;

    // Writes `data` as the new content of `path` into a temporary file, and keeps a copy
    // of the old content for going back. 0, or -1 when either cannot be written (nothing
    // of this file is left behind then; what was prepared before stays prepared).
    [[nodiscard]] int Prepare(const std::string& path, std::string_view data, mode_t mode);

    // Puts every prepared file in place, in the order prepared. 0; or -1 when one cannot
    // be put in place, `failedPath` then naming it, and every file is as it was.
    [[nodiscard]] int Commit(std::string* failedPath = nullptr);

private:
    struct Entry {
        std::string path;
        std::string temporary;
        std::string oldContent; // temporary holding the old content; empty: no old file
    };
    void DiscardAll();

    std::vector<Entry> entries_;
};

} // namespace orvane
