#pragma once

#include <cstddef>
#include <vector>

namespace orvane::test {

// Small images built byte by byte, with the structure a projector checks (JPEG segments from
// SOI to EOI, PNG chunks with their CRCs). Their pixels are not meant to be decoded.
// `filler` bytes of entropy-coded data (JPEG) or compressed data (PNG) set the size.
std::vector<unsigned char> MakeJpeg(int width, int height, std::size_t filler = 64);
std::vector<unsigned char> MakePng(int width, int height, std::size_t filler = 64);

} // namespace orvane::test
