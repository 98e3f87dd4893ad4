#include "ImageStore.h"

#include <cstdio>

namespace pjsim {

bool ImageStore::TryClaim() {
    std::lock_guard lock(mutex_);
    if (claimed_)
        return false;
    claimed_ = true;
    return true;
}

void ImageStore::Release() {
    std::lock_guard lock(mutex_);
    claimed_ = false;
}

std::string ImageStore::Keep(std::vector<unsigned char> image, const char* extension) {
    std::lock_guard lock(mutex_);
    ++taken_;
    last_ = std::move(image);
    if (imageDir_.empty())
        return std::string();
    std::string path =
        imageDir_ + "/" + std::to_string(index_) + "-" + std::to_string(taken_) + "." + std::string(extension);
    // Written under a temporary name, so that a reader polling the directory never sees half a file.
    const std::string partial = path + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr)
        return std::string();
    const bool written = std::fwrite(last_.data(), 1, last_.size(), file) == last_.size();
    if (std::fclose(file) != 0 || !written || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return std::string();
    }
    return path;
}

bool ImageStore::HasImage() const {
    std::lock_guard lock(mutex_);
    return !last_.empty();
}

bool ImageSession::Begin() {
    if (receiving_ || !store_.TryClaim())
        return false;
    receiving_ = true;
    data_.clear();
    // Most images are a few MiB; growing from nothing would copy them over and over.
    data_.reserve(kInitialCapacity);
    return true;
}

bool ImageSession::Append(const unsigned char* data, std::size_t size, std::size_t limit) {
    if (!receiving_)
        return false;
    if (size > limit - data_.size()) {
        Abandon();
        return false;
    }
    data_.insert(data_.end(), data, data + size);
    return true;
}

std::vector<unsigned char> ImageSession::Finish() {
    std::vector<unsigned char> out = std::move(data_);
    data_.clear();
    if (receiving_) {
        receiving_ = false;
        store_.Release();
    }
    return out;
}

void ImageSession::Abandon() {
    data_.clear();
    data_.shrink_to_fit();
    if (receiving_) {
        receiving_ = false;
        store_.Release();
    }
}

} // namespace pjsim
