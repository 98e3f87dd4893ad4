// The user store: any file loads, keeping only valid records with distinct names, and every
// record kept is written back as a line that reads as the same record.
#include "FuzzSupport.h"
#include "accounts/UserStore.h"

#include <set>

using namespace accounts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = orvane::fuzz::WriteInputFile(kUserFileName, orvane::fuzz::AsText(data, size));
    UserStore store(path);
    if (store.Load() != kStoreOk) {
        FUZZ_CHECK(store.Empty() && !store.Loaded());
        return 0;
    }
    std::set<std::string> names;
    for (const UserRecord& record : store.Users()) {
        FUZZ_CHECK(IsValidUserName(record.name));
        FUZZ_CHECK(names.insert(record.name).second);
        UserRecord again;
        FUZZ_CHECK(ParseUserLine(FormatUserLine(record), again));
        FUZZ_CHECK(again.name == record.name && again.salt == record.salt && again.iterations == record.iterations &&
                   again.hash == record.hash);
        FUZZ_CHECK(store.Contains(record.name));
    }
    return 0;
}
