// The model catalog: any file gives a list of at most 999 records whose fixed fields are
// terminated and whose counts stay within their arrays.
#include "FuzzSupport.h"
#include "model/ModelCatalog.h"
#include "platform/PrivateProfile.h"

#include <cstring>

using namespace orvane;

namespace {

template <std::size_t N> bool Terminated(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

void CheckList(const CModelInfo2& m, const ListField& list) {
    const int32_t count = m.*list.count;
    FUZZ_CHECK(count <= CModelInfo2::kListCapacity);
    for (int i = 0; i < CModelInfo2::kListCapacity; ++i)
        FUZZ_CHECK(Terminated((m.*list.names)[i]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ModelList list;
    ReadModelCatalog(PrivateProfile::Parse(fuzz::AsText(data, size)), list, 0);
    FUZZ_CHECK(list.size() <= static_cast<std::size_t>(kMaxCatalogModels));
    for (std::size_t i = 0; i < list.size(); ++i) {
        const CModelInfo2& m = *list[i];
        FUZZ_CHECK(m.InputNum <= CModelInfo2::kInputCapacity);
        for (int s = 0; s < CModelInfo2::kSlots; ++s)
            FUZZ_CHECK(Terminated(m.IPAddress[s]) && Terminated(m.Password[s]));
        for (int n = 0; n < CModelInfo2::kInputCapacity; ++n)
            FUZZ_CHECK(Terminated(m.InputName[n]) && Terminated(m.InputNameView[n]));
        for (const ListField* list : {&WhisperList(), &AspectList(), &GammaList(), &ColorTempList(), &MyButtonList()})
            CheckList(m, *list);
        const int found = FindModelIndex(list, m.Name);
        FUZZ_CHECK(found >= 0 && static_cast<std::size_t>(found) <= i);
    }
    return 0;
}
