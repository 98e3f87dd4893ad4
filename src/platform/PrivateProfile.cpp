#include "platform/PrivateProfile.h"

#include "platform/FileUtil.h"

#include <climits>

namespace orvane {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

PrivateProfile PrivateProfile::Load(const std::string& path) {
    std::string text;
    if (ReadWholeFile(path, text) != 0)
        return PrivateProfile();
    return Parse(text);
}

PrivateProfile PrivateProfile::Parse(std::string_view text) {
    PrivateProfile profile;
    profile.loaded_ = true;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    Section* current = nullptr; // keys before the first section belong to none
    bool currentIsFirst = false;
    while (!text.empty()) {
        // Lines end in LF; any CRs before it (CR LF, CR CR LF) are blanks that Trim drops.
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        line = Trim(line);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            auto [it, inserted] = profile.sections_.try_emplace(Lower(name));
            current = &it->second;
            // A repeated section is never consulted: the first one answers.
            currentIsFirst = inserted;
            continue;
        }
        if (current == nullptr || !currentIsFirst)
            continue;
        std::size_t eq = line.find('=');
        std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (value.size() > kValueCapacity - 1)
            value = value.substr(0, kValueCapacity - 1);
        current->keys.try_emplace(Lower(key), std::string(value));
    }
    return profile;
}

bool PrivateProfile::HasSection(std::string_view section) const { return sections_.count(Lower(section)) != 0; }

std::string PrivateProfile::GetString(std::string_view section, std::string_view key) const {
    auto s = sections_.find(Lower(section));
    if (s == sections_.end())
        return {};
    auto k = s->second.keys.find(Lower(key));
    return k == s->second.keys.end() ? std::string() : k->second;
}

int PrivateProfile::GetInt(std::string_view section, std::string_view key) const {
    return ProfileAtoi(GetString(section, key));
}

int ProfileAtoi(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}

} // namespace orvane
