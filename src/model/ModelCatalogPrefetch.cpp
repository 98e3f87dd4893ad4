#include "model/ModelCatalogPrefetch.h"

#include "platform/PrivateProfile.h"

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
        // As LoadModelCatalogFrom reads, with the bytes kept for the comparison.
        result_ = ReadWholeFile(path_, bytes_, kMaxModelCatalogSize);
        if (result_.ok())
            ReadModelCatalog(PrivateProfile::Parse(bytes_), list_, kCatalogPauseMs, &hurry_);
        done_ = true;
    });
}

bool ModelCatalogPrefetch::Take(ModelList& list, FileReadResult& result) {
    if (!reader_.joinable())
        return false;
    reader_.join();
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
