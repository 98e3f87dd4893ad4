#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace pjsim {

// What pjsim does with the images its projectors take, beside keeping the last one.
struct ImageOptions {
    std::string dir;  // where taken images are also written; empty for nowhere
    bool hash = true; // log each image's SHA-256 (a benchmark of the transfer may leave it out)
};

// What one projector keeps of images: the last one taken, whether a connection is receiving
// one (a projector takes one image at a time), and where taken images are also written.
class ImageStore {
public:
    // index: the projector's number, part of the written files' names; an empty dir writes none.
    ImageStore(int index, std::string imageDir) : index_(index), imageDir_(std::move(imageDir)) {}

    // Claims the projector for one incoming image; false while another connection has it.
    bool TryClaim();
    void Release();

    // Keeps a taken image as the last one and writes it to the image directory as
    // "<index>-<k>.<ext>" (k counts the taken images from 1). Returns the file's path, empty
    // when none was written.
    std::string Keep(std::vector<unsigned char> image, const char* extension);

    bool HasImage() const;

private:
    const int index_;
    const std::string imageDir_;
    mutable std::mutex mutex_;
    bool claimed_ = false;
    int taken_ = 0;
    std::vector<unsigned char> last_;
};

// One connection's image in the making: begun, then filled by bulk frames, then ended. Going
// away (the connection closing) drops an unfinished image and frees the projector.
class ImageSession {
public:
    explicit ImageSession(ImageStore& store) : store_(store) {}
    ~ImageSession() { Abandon(); }
    ImageSession(const ImageSession&) = delete;
    ImageSession& operator=(const ImageSession&) = delete;

    // False when this or another connection is already receiving an image.
    bool Begin();
    bool Receiving() const { return receiving_; }
    // Appends a bulk frame's payload; false (and the image dropped) past `limit` bytes.
    bool Append(const unsigned char* data, std::size_t size, std::size_t limit);
    // Hands the received bytes over and frees the projector.
    std::vector<unsigned char> Finish();
    void Abandon();

private:
    static constexpr std::size_t kInitialCapacity = std::size_t{4} * 1024 * 1024;

    ImageStore& store_;
    bool receiving_ = false;
    std::vector<unsigned char> data_;
};

} // namespace pjsim
