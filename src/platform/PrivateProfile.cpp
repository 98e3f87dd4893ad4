#include "platform/PrivateProfile.h"

#include "platform/Utf8.h"

#include <climits>

namespace orvane {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Ctrl-Z, the old end-of-file mark of text files, counts as a blank like the others.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The file's text as UTF-8: a UTF-8 byte-order mark is dropped, UTF-16 with its mark
// (what some editors call "Unicode") is decoded.
std::string DecodeText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return std::string(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE"))
        return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF"))
        return Utf16ToUtf8(bytes.substr(2), true);
    return std::string(bytes);
}

const PrivateProfile::Section& EmptySection() {
    static const PrivateProfile::Section empty;
    return empty;
}

} // namespace

std::size_t PrivateProfile::Section::NoCaseHash::operator()(std::string_view s) const {
    // FNV-1a over the lower-cased bytes: no copy of the name is made for a lookup.
    std::size_t h = 1469598103934665603ull;
    for (char c : s) {
        h ^= static_cast<unsigned char>(LowerAscii(c));
        h *= 1099511628211ull;
    }
    return h;
}

bool PrivateProfile::Section::NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

std::string PrivateProfile::Section::GetString(std::string_view key, std::size_t capacity) const {
    auto k = keys_.find(key);
    if (k == keys_.end() || capacity == 0)
        return {};
    return std::string(k->second.substr(0, capacity - 1));
}

int PrivateProfile::Section::GetInt(std::string_view key) const {
    auto k = keys_.find(key);
    if (k == keys_.end())
        return 0;
    return ProfileAtoi(k->second.substr(0, kValueCapacity - 1));
}

PrivateProfile PrivateProfile::Load(const std::string& path, std::size_t limit) {
    PrivateProfile profile;
    std::string bytes;
    profile.read_ = ReadWholeFile(path, bytes, limit);
    if (!profile.read_.ok())
        return profile;
    profile.text_ = std::make_shared<const std::string>(DecodeText(bytes));
    profile.ParseOwnText();
    return profile;
}

PrivateProfile PrivateProfile::Parse(std::string_view text) {
    PrivateProfile profile;
    profile.text_ = std::make_shared<const std::string>(DecodeText(text));
    profile.ParseOwnText();
    return profile;
}

void PrivateProfile::ParseOwnText() {
    loaded_ = true;
    std::string_view text = *text_;
    Section* current = nullptr; // keys before the first section belong to none
    bool currentIsFirst = false;
    while (!text.empty()) {
        // CR LF, a lone LF and a lone CR each end a line; CR CR LF is a line and an empty one.
        std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        if (end == std::string_view::npos)
            text = {};
        else
            text.remove_prefix(end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1));

        line = Trim(line.substr(0, line.find('\0')));
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos && close != 0) {
                auto [it, inserted] = sections_.try_emplace(Trim(line.substr(1, close - 1)));
                current = &it->second;
                // A repeated section is never consulted: the first one answers.
                currentIsFirst = inserted;
                continue;
            }
            // No ']': an ordinary line of the current section.
        }
        if (current == nullptr || !currentIsFirst)
            continue;
        const std::size_t eq = line.find('=');
        std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        current->keys_.try_emplace(key, value);
    }
}

const PrivateProfile::Section* PrivateProfile::FindSection(std::string_view section) const {
    auto s = sections_.find(section);
    return s == sections_.end() ? nullptr : &s->second;
}

bool PrivateProfile::HasSection(std::string_view section) const {
    return FindSection(section) != nullptr;
}

const PrivateProfile::Section& PrivateProfile::GetSection(std::string_view section) const {
    const Section* s = FindSection(section);
    return s != nullptr ? *s : EmptySection();
}

std::string PrivateProfile::GetString(std::string_view section, std::string_view key, std::size_t capacity) const {
    return GetSection(section).GetString(key, capacity);
}

int PrivateProfile::GetInt(std::string_view section, std::string_view key) const {
    return GetSection(section).GetInt(key);
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

std::string ProfileValueText(std::string_view value) {
    const bool blankEnd = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (!blankEnd && !quoted)
        return std::string(value);
    std::string text;
    text.reserve(value.size() + 2);
    text += '"';
    text += value;
    text += '"';
    return text;
}

} // namespace orvane
