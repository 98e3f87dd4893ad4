// The option file: any file reads as two flags and an interval, and what is written from
// them reads back the same.
#include "FuzzSupport.h"
#include "model/OptionFile.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::WriteInputFile(kOptionFile, fuzz::AsText(data, size));
    OptionValues read;
    FUZZ_CHECK(ReadOptions(read).ok());
    FUZZ_CHECK(read.SkipLogin == 0 || read.SkipLogin == 1);
    FUZZ_CHECK(read.SkipConfig == 0 || read.SkipConfig == 1);

    FUZZ_CHECK(WriteOptions(read) == 0);
    OptionValues again;
    again.UpdateInterval = -12345; // must be replaced by what was written
    FUZZ_CHECK(ReadOptions(again).ok());
    FUZZ_CHECK(again.SkipLogin == read.SkipLogin && again.SkipConfig == read.SkipConfig);
    FUZZ_CHECK(again.UpdateInterval == read.UpdateInterval);
    return 0;
}
