#include "platform/FileSetReplacement.h"

#include "platform/FileUtil.h"

#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

FileSetReplacement::~FileSetReplacement() {
    DiscardAll();
}

void FileSetReplacement::DiscardAll() {
    for (const Entry& e : entries_) {
        DiscardFileReplacement(e.temporary);
        DiscardFileReplacement(e.oldContent);
    }
    entries_.clear();
}

int FileSetReplacement::Prepare(const std::string& path, std::string_view data, mode_t mode) {
    Entry entry;
    entry.path = path;
    struct stat st;
    if (!path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        std::string old;
        if (!ReadWholeFile(path, old, kMaxSettingsFileSize).ok() ||
            PrepareFileReplacement(path, old, st.st_mode & 07777, entry.oldContent) != 0)
            return -1;
    }
    if (PrepareFileReplacement(path, data, mode, entry.temporary) != 0) {
        DiscardFileReplacement(entry.oldContent);
        return -1;
    }
    entries_.push_back(std::move(entry));
    return 0;
}

int FileSetReplacement::Commit(std::string* failedPath) {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& failing = entries_[i];
        if (CommitFileReplacement(failing.temporary, failing.path) == 0) {
            failing.temporary.clear();
            continue;
        }
        failing.temporary.clear(); // removed by the failed commit
        if (failedPath != nullptr)
            *failedPath = failing.path;
        // Back to the old files, latest first.
        for (std::size_t j = i; j-- > 0;) {
            Entry& done = entries_[j];
            if (done.oldContent.empty()) {
                unlink(done.path.c_str());
            } else if (CommitFileReplacement(done.oldContent, done.path) == 0) {
                done.oldContent.clear();
            }
        }
        DiscardAll();
        return -1;
    }
    DiscardAll();
    return 0;
}

} // namespace orvane
