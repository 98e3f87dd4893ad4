// The finder's parser of discovery datagrams: any datagram is either refused or gives an
// answer whose texts fit the found list's fields, cut on a character boundary.
#include "FuzzSupport.h"
#include "finder/DiscoveryMessage.h"

using namespace finder;

namespace {
constexpr std::uint64_t kSearchId = 0x5eed0fa11ULL;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view datagram = orvane::fuzz::AsText(data, size);
    const bool valid = orvane::fuzz::IsValidUtf8(datagram);

    DiscoveryAnswer answer;
    if (ParseAnswer(datagram, kSearchId, answer)) {
        FUZZ_CHECK(size <= kMaxDatagram);
        FUZZ_CHECK(answer.name.size() <= kNameBytes && answer.info.size() <= kInfoBytes);
        if (valid)
            FUZZ_CHECK(orvane::fuzz::IsValidUtf8(answer.name) && orvane::fuzz::IsValidUtf8(answer.info));
        if (answer.hasAddr)
            FUZZ_CHECK(answer.addr[0] != 0 || answer.addr[1] != 0 || answer.addr[2] != 0 || answer.addr[3] != 0);
        // An answer to one search is no answer to another.
        DiscoveryAnswer other;
        FUZZ_CHECK(!ParseAnswer(datagram, kSearchId + 1, other));
    }

    std::uint64_t id = 0;
    if (ParseProbe(datagram, id)) {
        std::uint64_t again = 0;
        FUZZ_CHECK(ParseProbe(FormatProbe(id), again) && again == id);
    }
    return 0;
}
