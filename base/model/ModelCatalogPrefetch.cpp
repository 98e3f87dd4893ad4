#include "model/ModelCatalogPrefetch.h"

#include "platform/PrivateProfile.h"

#include <sys/prctl.h>

namespace orvane {

ModelCatalogPrefetch::~ModelCatalogPrefetch() {
    // A program that ends without a window (login cancelled) does not sit out the pauses.
    hurry_ = true;
    if (reader_.joinable())
        reader_.join();
}

void ModelCatalogPrefetch::Start(const std::string& path) {
    if (reader_.joinable() || taken_)
        return;
    path_ = path;
    reader_ = std::thread([this] {
        // The reader's pauses are of 1 ms, and the window may be waiting for them: the default
        // timer slack would stretch each by up to 50 us more.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        // As LoadModelCatalogFrom reads, with the bytes kept for the comparison.
        result_ = ReadWholeFile(path_, bytes_, kMaxModelCatalogSize);
        // The list is handed over as soon as its last record is filled; the reader's pause
        // after that record is its own and nobody waits for it.
        if (result_.ok())
            ReadModelCatalog(PrivateProfile::Parse(bytes_), list_, kCatalogPauseMs, &hurry_, [this] { Publish(); });
        Publish();
    });
}

void ModelCatalogPrefetch::Publish() {
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    doneChanged_.notify_all();
}

bool ModelCatalogPrefetch::Ready() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return done_;
}

bool ModelCatalogPrefetch::Take(ModelList& list, FileReadResult& result) {
    if (!reader_.joinable() || taken_)
        return false;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        doneChanged_.wait(lock, [this] { return done_; });
    }
    taken_ = true;
    // Time stamps could miss a change made within their resolution; the bytes cannot.
    std::string now;
    const FileReadResult again = ReadWholeFile(path_, now, kMaxModelCatalogSize);
    const bool same = again.status == result_.status && again.reason == result_.reason && now == bytes_;
    if (!same) {
        list_.clear();
        return false;
    }
    list = std::move(list_);
    result = std::move(result_);
    return true;
}

} // namespace orvane
