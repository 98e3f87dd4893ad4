// The private-profile reader: any bytes parse, and lookups follow the reader's promises
// (names without regard to case, values of at most 127 bytes, numbers as atoi reads them).
#include "FuzzSupport.h"
#include "platform/PrivateProfile.h"

#include <string>
#include <vector>

using orvane::PrivateProfile;

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// Rough guesses at the section and key names the input uses, so that the lookups ask for
// names that can exist; the reader itself decides what they really are.
void GuessNames(std::string_view text, std::vector<std::string>& sections, std::vector<std::string>& keys) {
    constexpr std::size_t kMaxNames = 24;
    while (!text.empty() && (sections.size() < kMaxNames || keys.size() < kMaxNames)) {
        std::size_t end = text.find('\n');
        std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.front() == '[') {
            std::size_t close = line.rfind(']');
            if (close != std::string_view::npos && sections.size() < kMaxNames)
                sections.emplace_back(Trimmed(line.substr(1, close - 1)));
        } else if (std::size_t eq = line.find('='); eq != std::string_view::npos && keys.size() < kMaxNames) {
            keys.emplace_back(Trimmed(line.substr(0, eq)));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = orvane::fuzz::AsText(data, size);
    const PrivateProfile profile = PrivateProfile::Parse(text);

    std::vector<std::string> sections, keys;
    GuessNames(text, sections, keys);
    for (const std::string& section : sections) {
        FUZZ_CHECK(profile.HasSection(section) == profile.HasSection(Upper(section)));
        for (const std::string& key : keys) {
            const std::string value = profile.GetString(section, key);
            FUZZ_CHECK(value.size() < PrivateProfile::kValueCapacity);
            FUZZ_CHECK(value.find('\n') == std::string::npos);
            FUZZ_CHECK(profile.GetString(Upper(section), Upper(key)) == value);
            FUZZ_CHECK(profile.GetInt(section, key) == orvane::ProfileAtoi(value));
            FUZZ_CHECK(value.empty() || profile.HasSection(section));
        }
    }
    return 0;
}
