#include "platform/PrivateProfile.h"

#include "platform/AsciiCase.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <climits>
#include <tuple>

namespace orvane {

namespace {

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

// FNV-1a over the lower-cased bytes: no lower-cased copy of a name is ever made.
std::uint32_t NoCaseHash(std::string_view s) {
    std::uint32_t h = 2166136261u;
    for (char c : s) {
        h ^= static_cast<unsigned char>(LowerAscii(c));
        h *= 16777619u;
    }
    return h;
}

// The smallest power of two that is at least twice `count`, so that an index stays at most
// half full.
std::uint32_t IndexSize(std::size_t count) {
    std::uint32_t size = 4;
    while (size < 2 * count)
        size *= 2;
    return size;
}

} // namespace

std::string PrivateProfile::Section::GetString(std::string_view key, std::size_t capacity) const {
    const std::string_view* value = profile_->FindValue(index_, key);
    if (value == nullptr || capacity == 0)
        return {};
    return std::string(value->substr(0, capacity - 1));
}

int PrivateProfile::Section::GetInt(std::string_view key) const {
    const std::string_view* value = profile_->FindValue(index_, key);
    return value == nullptr ? 0 : ProfileAtoi(value->substr(0, kValueCapacity - 1));
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
    sectionSlots_.assign(64, SectionSlot{});
    // About one entry per line; a short line is some sixteen bytes.
    entries_.reserve(text.size() / 16);
    std::uint32_t current = kNoSection; // keys before the first section belong to none
    bool currentIsFirst = false;
    while (!text.empty()) {
        // CR LF, a lone LF and a lone CR each end a line; CR CR LF is a line and an empty one.
        std::size_t end = 0;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        std::string_view line = text.substr(0, end);
        if (end == text.size()) {
            text = {};
        } else {
            text.remove_prefix(end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1));
        }

        line = Trim(line.substr(0, line.find('\0')));
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos && close != 0) {
                // A repeated section is never consulted: the first one answers.
                if (currentIsFirst)
                    IndexLastSection();
                std::tie(current, currentIsFirst) = AddSection(Trim(line.substr(1, close - 1)));
                continue;
            }
            // No ']': an ordinary line of the current section.
        }
        if (current == kNoSection || !currentIsFirst)
            continue;
        const std::size_t eq = line.find('=');
        std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        entries_.push_back(Entry{NoCaseHash(key), key, value});
    }
    if (currentIsFirst)
        IndexLastSection();
}

std::pair<std::uint32_t, bool> PrivateProfile::AddSection(std::string_view name) {
    const std::uint32_t hash = NoCaseHash(name);
    std::size_t mask = sectionSlots_.size() - 1;
    std::size_t i = hash & mask;
    for (; sectionSlots_[i].index != kNoSection; i = (i + 1) & mask) {
        if (sectionSlots_[i].hash == hash && EqualIgnoringAsciiCase(sectionSlots_[i].name, name))
            return {sectionSlots_[i].index, false};
    }
    const auto index = static_cast<std::uint32_t>(sections_.size());
    sections_.push_back(SectionKeys{static_cast<std::uint32_t>(entries_.size()), 0, 0});
    sectionSlots_[i] = SectionSlot{hash, index, name};
    if (sections_.size() * 2 > sectionSlots_.size()) {
        std::vector<SectionSlot> old(sectionSlots_.size() * 2);
        old.swap(sectionSlots_);
        mask = sectionSlots_.size() - 1;
        for (const SectionSlot& slot : old) {
            if (slot.index == kNoSection)
                continue;
            std::size_t j = slot.hash & mask;
            while (sectionSlots_[j].index != kNoSection)
                j = (j + 1) & mask;
            sectionSlots_[j] = slot;
        }
    }
    return {index, true};
}

void PrivateProfile::IndexLastSection() {
    SectionKeys& keys = sections_.back();
    const std::uint32_t first = keys.firstEntry;
    const auto end = static_cast<std::uint32_t>(entries_.size());
    if (first == end)
        return;
    const std::uint32_t size = IndexSize(end - first);
    keys.indexOffset = static_cast<std::uint32_t>(index_.size());
    keys.indexMask = size - 1;
    index_.resize(index_.size() + size, kFreeIndex);
    std::uint32_t* slots = index_.data() + keys.indexOffset;
    for (std::uint32_t e = first; e < end; ++e) {
        std::uint32_t i = entries_[e].hash & keys.indexMask;
        bool repeated = false;
        for (; slots[i] != kFreeIndex; i = (i + 1) & keys.indexMask) {
            const Entry& other = entries_[slots[i]];
            if (other.hash == entries_[e].hash && EqualIgnoringAsciiCase(other.key, entries_[e].key)) {
                repeated = true; // the first occurrence of a key counts
                break;
            }
        }
        if (!repeated)
            slots[i] = e;
    }
}

std::uint32_t PrivateProfile::FindSection(std::string_view section) const {
    if (sectionSlots_.empty())
        return kNoSection;
    const std::uint32_t hash = NoCaseHash(section);
    const std::size_t mask = sectionSlots_.size() - 1;
    for (std::size_t i = hash & mask; sectionSlots_[i].index != kNoSection; i = (i + 1) & mask) {
        if (sectionSlots_[i].hash == hash && EqualIgnoringAsciiCase(sectionSlots_[i].name, section))
            return sectionSlots_[i].index;
    }
    return kNoSection;
}

const std::string_view* PrivateProfile::FindValue(std::uint32_t section, std::string_view key) const {
    if (section == kNoSection)
        return nullptr;
    const SectionKeys& keys = sections_[section];
    const std::uint32_t end = section + 1 < sections_.size() ? sections_[section + 1].firstEntry
                                                             : static_cast<std::uint32_t>(entries_.size());
    if (keys.firstEntry == end)
        return nullptr;
    const std::uint32_t hash = NoCaseHash(key);
    const std::uint32_t* slots = index_.data() + keys.indexOffset;
    for (std::uint32_t i = hash & keys.indexMask; slots[i] != kFreeIndex; i = (i + 1) & keys.indexMask) {
        const Entry& entry = entries_[slots[i]];
        if (entry.hash == hash && EqualIgnoringAsciiCase(entry.key, key))
            return &entry.value;
    }
    return nullptr;
}

std::vector<std::string> PrivateProfile::Section::Keys() const {
    std::vector<std::string> keys;
    if (index_ == kNoSection)
        return keys;
    const PrivateProfile& p = *profile_;
    const std::uint32_t end = index_ + 1 < p.sections_.size() ? p.sections_[index_ + 1].firstEntry
                                                              : static_cast<std::uint32_t>(p.entries_.size());
    for (std::uint32_t i = p.sections_[index_].firstEntry; i < end; ++i)
        keys.emplace_back(p.entries_[i].key);
    return keys;
}

bool PrivateProfile::HasSection(std::string_view section) const {
    return FindSection(section) != kNoSection;
}

PrivateProfile::Section PrivateProfile::GetSection(std::string_view section) const {
    return Section(this, FindSection(section));
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
