// LinkCore.conf and Finder.conf: any file gives settings inside their bounds, and a finder
// that calls its settings valid has an address it can send to.
#include "FuzzSupport.h"
#include "finder/FinderSettings.h"
#include "linkcore/LinkSettings.h"

#include <arpa/inet.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = orvane::fuzz::AsText(data, size);

    const auto link =
        linkcore::LinkSettings::Load(orvane::fuzz::WriteInputFile(linkcore::LinkSettings::kFileName, text));
    FUZZ_CHECK(link.ConnectMs() >= 1 && link.ConnectMs() <= linkcore::LinkSettings::kMaxTimeoutMs);
    FUZZ_CHECK(link.ReplyMs() >= 1 && link.ReplyMs() <= linkcore::LinkSettings::kMaxTimeoutMs);
    FUZZ_CHECK(link.SerialDevice(-1).empty());
    for (int comNo = 0; comNo < 9; ++comNo)
        FUZZ_CHECK(!link.SerialDevice(comNo).empty());

    const auto finder =
        finder::FinderSettings::LoadFrom(orvane::fuzz::WriteInputFile(finder::FinderSettings::kFileName, text));
    FUZZ_CHECK(finder.listenMs >= finder::FinderSettings::kMinListenMs &&
               finder.listenMs <= finder::FinderSettings::kMaxListenMs);
    FUZZ_CHECK(finder.port >= 1 && finder.port <= 65535);
    if (finder.valid) {
        in_addr parsed{};
        FUZZ_CHECK(inet_pton(AF_INET, finder.address.c_str(), &parsed) == 1);
    }
    return 0;
}
