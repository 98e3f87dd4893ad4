#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace picpush {

// What a projector takes as one image.
inline constexpr std::size_t kMaxImageBytes = std::size_t{16} * 1024 * 1024;
inline constexpr int kMaxImageSide = 4096;

enum class ImageFormat { None, Jpeg, Png };

struct [[nodiscard]] ImageCheckResult {
    bool ok = false;
    ImageFormat format = ImageFormat::None; // set as soon as the signature matches
    int width = 0;
    int height = 0;
    std::string error; // why it is not acceptable, for a person
};

// Checks that data[0..size) is one whole JPEG or PNG image within the size limits, by its
// structure: a JPEG's segments from SOI to EOI with a frame header and at least one scan, a
// PNG's chunks from IHDR to IEND with every chunk CRC right. Nothing may follow the end.
// The pixels are not decoded.
ImageCheckResult CheckImage(const unsigned char* data, std::size_t size);

// "jpeg", "png" or "none".
const char* FormatName(ImageFormat format);

// The signature alone: what the content claims to be.
ImageFormat SniffFormat(const unsigned char* data, std::size_t size);

} // namespace picpush
