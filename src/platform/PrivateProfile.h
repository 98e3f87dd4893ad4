#pragma once

#include "platform/FileUtil.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

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

    // The keys of one section. Readers that ask one section many times find it once.
    class Section {
    public:
        // The value cut to capacity - 1 bytes; empty when the key is missing.
        std::string GetString(std::string_view key, std::size_t capacity = kValueCapacity) const;
        // atoi of GetString: 0 for a missing key.
        int GetInt(std::string_view key) const;

    private:
        friend class PrivateProfile;
        struct NoCaseHash {
            std::size_t operator()(std::string_view s) const;
        };
        struct NoCaseEqual {
            bool operator()(std::string_view a, std::string_view b) const;
        };
        // Both views point into the profile's text.
        std::unordered_map<std::string_view, std::string_view, NoCaseHash, NoCaseEqual> keys_;
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
    // The section, or an empty one when the file has none of that name.
    const Section& GetSection(std::string_view section) const;

    // The value cut to capacity - 1 bytes (127 by default); empty when the key or section
    // is missing.
    std::string GetString(std::string_view section, std::string_view key, std::size_t capacity = kValueCapacity) const;
    // atoi of GetString: 0 for a missing key.
    int GetInt(std::string_view section, std::string_view key) const;

private:
    void ParseOwnText();
    const Section* FindSection(std::string_view section) const;

    // Shared, so that copies of a profile keep their views valid.
    std::shared_ptr<const std::string> text_;
    std::unordered_map<std::string_view, Section, Section::NoCaseHash, Section::NoCaseEqual> sections_;
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
