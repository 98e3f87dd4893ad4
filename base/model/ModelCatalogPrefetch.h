#pragma once

#include "model/ModelCatalog.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace orvane {

// The model catalog read beside the toolkit's own start-up, which takes about as long as
// the reader's pauses between models: the program starts it first thing, and the main
// window takes the list when it comes to read the catalog. The list is handed over only
// while the file still holds the bytes that were read; otherwise the window reads it anew,
// so what it gets is what it would have read itself (the login gate may lie in between).
class ModelCatalogPrefetch {
public:
    ModelCatalogPrefetch() = default;
    ~ModelCatalogPrefetch();
    ModelCatalogPrefetch(const ModelCatalogPrefetch&) = delete;
    ModelCatalogPrefetch& operator=(const ModelCatalogPrefetch&) = delete;

    // Starts reading `path` on a thread of its own, pausing between models as the reader
    // always does. Once only.
    void Start(const std::string& path = kModelCatalogFile);

    // Waits until the list is complete (not for the reader's pause after the last model);
    // hands over its list and result and answers true when the file reads as it did then,
    // false (the list untouched) when it was changed, replaced or removed meanwhile, when
    // nothing was started, or when the list was taken before.
    [[nodiscard]] bool Take(ModelList& list, FileReadResult& result);

    // The list is complete and ready to be taken.
    bool Ready() const;

private:
    void Publish();

    std::string path_;
    std::thread reader_;
    std::atomic<bool> hurry_{false}; // nobody waits any more: no pauses
    std::string bytes_;
    ModelList list_;
    FileReadResult result_;
    bool taken_ = false;
    mutable std::mutex mutex_;
    std::condition_variable doneChanged_;
    bool done_ = false; // guarded by mutex_; the reader no longer touches the list
};

} // namespace orvane
