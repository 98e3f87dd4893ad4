#pragma once

#include "platform/Utf8.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What the fuzz targets share. A target checks its properties with FUZZ_CHECK: a broken one
// aborts with the condition's text, so libFuzzer keeps the input and the corpus replay of
// the normal test run fails on it.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::orvane::fuzz::Fail(#condition, __FILE__, __LINE__);                                                      \
    } while (false)

namespace orvane::fuzz {

[[noreturn]] void Fail(const char* condition, const char* file, int line);

// The input as text.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Makes a private working directory on first use, enters it and removes it at exit, so that
// code reading fixed relative names (./OrvaneOpt.txt) reads the inputs and nothing else.
// Whoever runs a target must therefore name its corpus with absolute paths.
const std::string& WorkDir();

// Writes `data` to `name` in the working directory and returns the path.
std::string WriteInputFile(std::string_view name, std::string_view data);

using orvane::IsValidUtf8;

} // namespace orvane::fuzz
