#pragma once

#include "platform/FileUtil.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane {

// Reads files of sections and keys by the rules of the classic private-profile reader:
// section and key names match without regard to case, the first occurrence of a section
// and of a key counts, a missing key or section reads as the empty text, values are cut
// to 127 characters and numbers are read as atoi reads them. Files written elsewhere are
// read as that reader reads them: CR, LF and CR LF all end a line, a NUL ends the text of
// its line, Ctrl-Z counts as a blank, a section name runs to the last ']' of its line (a
// line with '[' but no ']' is an ordinary line), a UTF-8 byte-order mark is skipped and
// a file with a UTF-16 one is decoded to UTF-8 first.
//
// The file is parsed once; every lookup is answered from memory. The classic reader
// re-reads the file for each key, which makes a large model catalog quadratic.
class PrivateProfile {
public:
    // Values are read into a 128-byte buffer by the classic reader.
    static constexpr std::size_t kValueCapacity = 128;

    // One section, for readers that ask it many times: found once, its keys are then
    // looked up without the section's name. Valid as long as the profile it came from.
    class Section {
    public:
        // The value cut to capacity - 1 bytes; empty when the key or the section is missing.
        std::string GetString(std::string_view key, std::size_t capacity = kValueCapacity) const;
        // atoi of GetString: 0 for a missing key.
        int GetInt(std::string_view key) const;
        // The key names as the file writes them, in no particular order.
        std::vector<std::string> Keys() const;

    private:
        friend class PrivateProfile;
        Section(const PrivateProfile* profile, std::uint32_t index) : profile_(profile), index_(index) {}
        const PrivateProfile* profile_;
        std::uint32_t index_; // kNoSection when the file has no such section
    };

    PrivateProfile() = default;

    // Reads the file (at most `limit` bytes, see ReadWholeFile). A file that cannot be
    // read gives an empty profile; ReadResult() tells why.
    static PrivateProfile Load(const std::string& path, std::size_t limit = kMaxSettingsFileSize);
    static PrivateProfile Parse(std::string_view text);

    // The file was read (always so after Parse).
    bool Loaded() const { return loaded_; }
    const FileReadResult& ReadResult() const { return read_; }

    bool HasSection(std::string_view section) const;
    // The section; one the file does not have answers every key with the empty text.
    Section GetSection(std::string_view section) const;

    // The value cut to capacity - 1 bytes (127 by default); empty when the key or section
    // is missing.
    std::string GetString(std::string_view section, std::string_view key, std::size_t capacity = kValueCapacity) const;
    // atoi of GetString: 0 for a missing key.
    int GetInt(std::string_view section, std::string_view key) const;

private:
    static constexpr std::uint32_t kNoSection = UINT32_MAX;

    // Sections are found through an open-addressing table of their names. The keys of
    // a section lie together in entries_, in file order, and each section has its own small
    // open-addressing index of them in index_: the lookups of one model's hundred keys
    // stay within a few kilobytes, and no key costs an allocation of its own. Every view
    // points into text_.
    struct SectionSlot {
        std::uint32_t hash = 0;
        std::uint32_t index = kNoSection; // kNoSection: free
        std::string_view name;
    };
    struct Entry {
        std::uint32_t hash = 0;
        std::string_view key;
        std::string_view value;
    };
    struct SectionKeys {
        std::uint32_t firstEntry = 0; // the section's entries run to the next section's first
        std::uint32_t indexOffset = 0;
        std::uint32_t indexMask = 0; // index size - 1; the index is empty when entries are
    };
    static constexpr std::uint32_t kFreeIndex = UINT32_MAX;

    void ParseOwnText();
    std::uint32_t FindSection(std::string_view section) const;
    // Adds the section unless it is there already; its index, and whether it is new.
    std::pair<std::uint32_t, bool> AddSection(std::string_view name);
    // Builds the index of the last section's keys, dropping repeated keys (the first counts).
    void IndexLastSection();
    const std::string_view* FindValue(std::uint32_t section, std::string_view key) const;

    // Shared, so that copies of a profile keep their views valid.
    std::shared_ptr<const std::string> text_;
    std::vector<SectionSlot> sectionSlots_;
    std::vector<SectionKeys> sections_; // by section index
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> index_;
    FileReadResult read_;
    bool loaded_ = false;
};

// The standard decimal conversion as atoi does it (leading blanks, optional sign, digits
// up to the first other character; none gives 0), saturating instead of overflowing.
int ProfileAtoi(std::string_view text);

// What a writer puts after "key=" so that the reader gives `value` back: the value as it is,
// or, when reading would take blanks off its ends or a pair of matching quotes off it, the
// value in double quotes (which the reader removes again).
std::string ProfileValueText(std::string_view value);

} // namespace orvane
