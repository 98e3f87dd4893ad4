#include "finder/FoundProjectors.h"

#include "finder/DiscoveryMessage.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cstring>

namespace finder {

bool FoundProjector::SameAddress(const FoundProjector& other) const {
    return std::memcmp(addr, other.addr, sizeof addr) == 0;
}

bool FoundProjector::operator==(const FoundProjector& other) const {
    return SameAddress(other) && name == other.name && info == other.info;
}

std::vector<FoundProjector> ReadFoundArrays(const unsigned char* addr, const char* names, const char* infos,
                                            int count) {
    std::vector<FoundProjector> list;
    const int n = std::clamp(count, 0, kMaxFound);
    if (addr == nullptr || names == nullptr || infos == nullptr)
        return list;
    for (int i = 0; i < n; ++i) {
        FoundProjector p;
        std::memcpy(p.addr, addr + i * kAddrStride, kAddrStride);
        const char* name = names + i * kNameStride;
        const char* info = infos + i * kInfoStride;
        p.name.assign(name, strnlen(name, kNameStride - 1));
        p.info.assign(info, strnlen(info, kInfoStride - 1));
        list.push_back(std::move(p));
    }
    return list;
}

int WriteFoundArrays(const std::vector<FoundProjector>& list, unsigned char* addr, char* names, char* infos) {
    if (addr == nullptr || names == nullptr || infos == nullptr)
        return 0;
    const int n = static_cast<int>(std::min<std::size_t>(list.size(), kMaxFound));
    for (int i = 0; i < n; ++i) {
        const FoundProjector& p = list[static_cast<std::size_t>(i)];
        std::memcpy(addr + i * kAddrStride, p.addr, kAddrStride);
        char* name = names + i * kNameStride;
        char* info = infos + i * kInfoStride;
        const std::string_view cutName = orvane::CutUtf8(p.name, kNameStride - 1);
        const std::string_view cutInfo = orvane::CutUtf8(p.info, kInfoStride - 1);
        std::memset(name, 0, kNameStride);
        std::memset(info, 0, kInfoStride);
        std::memcpy(name, cutName.data(), cutName.size());
        std::memcpy(info, cutInfo.data(), cutInfo.size());
    }
    return n;
}

bool AddAnswer(std::vector<FoundProjector>& answers, const FoundProjector& answer) {
    if (std::find(answers.begin(), answers.end(), answer) != answers.end())
        return false;
    answers.push_back(answer);
    return true;
}

std::vector<FoundProjector> MergeFound(const std::vector<FoundProjector>& previous,
                                       const std::vector<FoundProjector>& answers) {
    std::vector<FoundProjector> out;
    std::vector<bool> placed(answers.size(), false);
    auto answered = [&](const FoundProjector& p) {
        return std::any_of(answers.begin(), answers.end(), [&](const FoundProjector& a) { return a.SameAddress(p); });
    };
    auto placeAnswersFor = [&](const FoundProjector& p) {
        for (std::size_t i = 0; i < answers.size(); ++i) {
            if (!placed[i] && answers[i].SameAddress(p)) {
                out.push_back(answers[i]);
                placed[i] = true;
            }
        }
    };
    for (const FoundProjector& p : previous) {
        if (answered(p)) {
            placeAnswersFor(p); // the first old entry of the address takes them; later ones vanish
        } else {
            out.push_back(p);
        }
    }
    for (std::size_t i = 0; i < answers.size(); ++i) {
        if (!placed[i])
            out.push_back(answers[i]);
    }
    if (out.size() > static_cast<std::size_t>(kMaxFound))
        out.resize(kMaxFound);
    return out;
}

} // namespace finder
