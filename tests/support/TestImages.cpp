#include "support/TestImages.h"

#include "linkcore/BulkFrame.h"

#include <cstring>

namespace orvane::test {

namespace {

void PutBe16(std::vector<unsigned char>& out, unsigned value) {
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value));
}

void PutBe32(std::vector<unsigned char>& out, std::uint32_t value) {
    PutBe16(out, value >> 16);
    PutBe16(out, value & 0xFFFF);
}

void PngChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBe32(out, linkcore::Crc32(out.data() + start, out.size() - start));
}

} // namespace

std::vector<unsigned char> MakeJpeg(int width, int height, std::size_t filler) {
    std::vector<unsigned char> out = {0xFF, 0xD8};
    // APP0 "JFIF"
    out.insert(out.end(), {0xFF, 0xE0});
    PutBe16(out, 16);
    out.insert(out.end(), {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    // SOF0: precision, height, width, one component
    out.insert(out.end(), {0xFF, 0xC0});
    PutBe16(out, 11);
    out.push_back(8);
    PutBe16(out, static_cast<unsigned>(height));
    PutBe16(out, static_cast<unsigned>(width));
    out.insert(out.end(), {1, 1, 0x11, 0});
    // SOS, then entropy-coded bytes with a stuffed 0xFF 0x00 and a restart marker in them
    out.insert(out.end(), {0xFF, 0xDA});
    PutBe16(out, 8);
    out.insert(out.end(), {1, 1, 0, 0, 63, 0});
    for (std::size_t i = 0; i < filler; ++i)
        out.push_back(static_cast<unsigned char>((i * 37) % 0xFF));
    out.insert(out.end(), {0xFF, 0x00, 0x12, 0xFF, 0xD0, 0x34});
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

std::vector<unsigned char> MakePng(int width, int height, std::size_t filler) {
    std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<unsigned char> header;
    PutBe32(header, static_cast<std::uint32_t>(width));
    PutBe32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    PngChunk(out, "IHDR", header);
    std::vector<unsigned char> data(filler);
    for (std::size_t i = 0; i < filler; ++i)
        data[i] = static_cast<unsigned char>(i * 13);
    PngChunk(out, "IDAT", data);
    PngChunk(out, "IEND", {});
    return out;
}

} // namespace orvane::test
