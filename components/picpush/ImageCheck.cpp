#include "picpush/ImageCheck.h"

#include "linkcore/BulkFrame.h"

#include <cstring>

namespace picpush {

namespace {

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

std::uint32_t GetBe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

unsigned GetBe16(const unsigned char* p) {
    return static_cast<unsigned>(p[0]) << 8 | p[1];
}

ImageCheckResult Fail(ImageCheckResult result, const char* error) {
    result.ok = false;
    result.error = error;
    return result;
}

bool IsFrameHeader(unsigned char marker) {
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

ImageCheckResult CheckJpeg(const unsigned char* data, std::size_t size, ImageCheckResult result) {
    std::size_t at = 2; // after SOI
    bool haveFrame = false;
    bool haveScan = false;
    for (;;) {
        if (at >= size || data[at] != 0xFF)
            return Fail(result, "the JPEG data is cut short or damaged");
        while (at < size && data[at] == 0xFF) // fill bytes
            ++at;
        if (at >= size)
            return Fail(result, "the JPEG data is cut short");
        const unsigned char marker = data[at++];
        if (marker == 0xD9) { // EOI
            if (!haveFrame || !haveScan)
                return Fail(result, "the JPEG data holds no picture");
            if (at != size)
                return Fail(result, "data follows the end of the JPEG image");
            result.ok = true;
            return result;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a segment
        if (marker == 0x00 || marker == 0xD8)
            return Fail(result, "the JPEG data is damaged");
        if (size - at < 2)
            return Fail(result, "the JPEG data is cut short");
        const std::size_t length = GetBe16(data + at);
        if (length < 2 || length > size - at)
            return Fail(result, "the JPEG data is cut short or damaged");
        const unsigned char* segment = data + at + 2;
        if (IsFrameHeader(marker) && !haveFrame) {
            if (length < 8)
                return Fail(result, "the JPEG frame header is damaged");
            result.height = static_cast<int>(GetBe16(segment + 1));
            result.width = static_cast<int>(GetBe16(segment + 3));
            if (result.width == 0 || result.height == 0)
                return Fail(result, "the JPEG image has no size");
            haveFrame = true;
        }
        at += length;
        if (marker != 0xDA) // SOS: entropy-coded data follows up to the next marker
            continue;
        if (!haveFrame)
            return Fail(result, "the JPEG scan comes before the frame header");
        haveScan = true;
        for (;;) {
            const void* found = at < size ? std::memchr(data + at, 0xFF, size - at) : nullptr;
            if (found == nullptr)
                return Fail(result, "the JPEG data is cut short");
            at = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - data);
            if (at + 1 >= size)
                return Fail(result, "the JPEG data is cut short");
            const unsigned char next = data[at + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) { // stuffed byte or restart marker
                at += 2;
                continue;
            }
            break; // a marker: back to the segment loop at this 0xFF
        }
    }
}

ImageCheckResult CheckPng(const unsigned char* data, std::size_t size, ImageCheckResult result) {
    std::size_t at = sizeof kPngSignature;
    bool first = true;
    bool haveData = false;
    for (;;) {
        if (size - at < 12)
            return Fail(result, "the PNG data is cut short");
        const std::uint32_t length = GetBe32(data + at);
        if (length > 0x7FFFFFFFu || length > size - at - 12)
            return Fail(result, "the PNG data is cut short or damaged");
        const unsigned char* type = data + at + 4;
        const unsigned char* body = type + 4;
        if (linkcore::Crc32(type, 4 + static_cast<std::size_t>(length)) != GetBe32(body + length))
            return Fail(result, "a PNG chunk is damaged (CRC mismatch)");
        const bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
        if (first != isHeader)
            return Fail(result, "the PNG data does not start with its header");
        if (isHeader) {
            if (length != 13)
                return Fail(result, "the PNG header is damaged");
            const std::uint32_t width = GetBe32(body);
            const std::uint32_t height = GetBe32(body + 4);
            if (width == 0 || height == 0)
                return Fail(result, "the PNG image has no size");
            result.width = width > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(width);
            result.height = height > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(height);
        }
        first = false;
        if (std::memcmp(type, "IDAT", 4) == 0)
            haveData = true;
        at += 12 + static_cast<std::size_t>(length);
        if (std::memcmp(type, "IEND", 4) == 0) {
            if (!haveData)
                return Fail(result, "the PNG data holds no picture");
            if (at != size)
                return Fail(result, "data follows the end of the PNG image");
            result.ok = true;
            return result;
        }
    }
}

} // namespace

ImageFormat SniffFormat(const unsigned char* data, std::size_t size) {
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return ImageFormat::Jpeg;
    if (size >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0)
        return ImageFormat::Png;
    return ImageFormat::None;
}

const char* FormatName(ImageFormat format) {
    switch (format) {
    case ImageFormat::Jpeg:
        return "jpeg";
    case ImageFormat::Png:
        return "png";
    default:
        return "none";
    }
}

ImageCheckResult CheckImage(const unsigned char* data, std::size_t size) {
    ImageCheckResult result;
    result.format = SniffFormat(data, size);
    if (result.format == ImageFormat::None)
        return Fail(result, "not a JPEG or PNG image");
    if (size > kMaxImageBytes)
        return Fail(result, "larger than 16 MiB");
    result = result.format == ImageFormat::Jpeg ? CheckJpeg(data, size, result) : CheckPng(data, size, result);
    if (result.ok && (result.width > kMaxImageSide || result.height > kMaxImageSide))
        return Fail(result, "larger than 4096 x 4096 pixels");
    return result;
}

} // namespace picpush
