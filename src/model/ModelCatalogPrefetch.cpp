#include "model/ModelCatalogPrefetch.h"

#include <sys/stat.h>
#include <time.h>

namespace orvane {

namespace {
constexpr long long kNanosPerSecond = 1000000000LL;
constexpr long long kFreshNanos = 2 * kNanosPerSecond; // FAT keeps times in 2-second steps
} // namespace

ModelCatalogPrefetch::~ModelCatalogPrefetch() {
    // A program that ends without a window (login cancelled) does not sit out the pauses.
    hurry_ = true;
    if (reader_.joinable())
        reader_.join();
}

ModelCatalogPrefetch::Identity ModelCatalogPrefetch::IdentityOf(const std::string& path) {
    Identity id;
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modified = static_cast<long long>(st.st_mtim.tv_sec) * kNanosPerSecond + st.st_mtim.tv_nsec;
    id.changed = static_cast<long long>(st.st_ctim.tv_sec) * kNanosPerSecond + st.st_ctim.tv_nsec;
    return id;
}

void ModelCatalogPrefetch::Start(const std::string& path) {
    if (reader_.joinable() || taken_)
        return;
    path_ = path;
    reader_ = std::thread([this] {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const Identity before = IdentityOf(path_);
        result_ = LoadModelCatalogFrom(path_, list_, kCatalogPauseMs, &hurry_);
        identity_ = IdentityOf(path_);
        // File times move in coarse steps: a file written just before the read could be
        // written again within the same step, same size, and look unchanged. Such a fresh
        // file is read again by the window instead.
        const long long started = static_cast<long long>(now.tv_sec) * kNanosPerSecond + now.tv_nsec;
        const bool fresh = identity_.exists && identity_.modified > started - kFreshNanos;
        stable_ = before == identity_ && !fresh;
        done_ = true;
    });
}

bool ModelCatalogPrefetch::Take(ModelList& list, FileReadResult& result) {
    if (!reader_.joinable())
        return false;
    reader_.join();
    taken_ = true;
    if (!stable_ || IdentityOf(path_) != identity_) {
        list_.clear();
        return false;
    }
    list = std::move(list_);
    result = std::move(result_);
    return true;
}

} // namespace orvane
