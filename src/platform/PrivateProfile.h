#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvane {

// Reads files of sections and keys by the rules of the classic private-profile reader:
// section and key names match without regard to case, the first occurrence of a section
// and of a key counts, a missing key or section reads as the empty text, values are cut
// to 127 characters and numbers are read as atoi reads them.
//
// The file is parsed once; every lookup is answered from memory. The classic reader
// re-reads the file for each key, which makes a large model catalog quadratic.
class PrivateProfile {
public:
    // Values are read into a 128-byte buffer by the classic reader.
    static constexpr std::size_t kValueCapacity = 128;

    PrivateProfile() = default;

    // A file that does not exist or cannot be read gives an empty profile.
    static PrivateProfile Load(const std::string& path);
    static PrivateProfile Parse(std::string_view text);

    bool Loaded() const { return loaded_; }
    bool HasSection(std::string_view section) const;

    // The value, at most 127 characters; empty when the key or section is missing.
    std::string GetString(std::string_view section, std::string_view key) const;
    // atoi of GetString: 0 for a missing key.
    int GetInt(std::string_view section, std::string_view key) const;

private:
    struct Section {
        std::unordered_map<std::string, std::string> keys; // lower-case key -> value
    };
    std::unordered_map<std::string, Section> sections_; // lower-case name -> section
    bool loaded_ = false;
};

// The standard decimal conversion as atoi does it (leading blanks, optional sign, digits
// up to the first other character; none gives 0), saturating instead of overflowing.
int ProfileAtoi(std::string_view text);

} // namespace orvane
