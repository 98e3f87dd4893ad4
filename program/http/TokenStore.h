#pragma once

#include "platform/FileUtil.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::http {

inline constexpr const char* kTokenFileName = "orvaned-tokens.txt";
inline constexpr std::size_t kTokenBytes = 32;

enum class TokenScope { Read, Control };

using TokenHash = std::array<unsigned char, 32>;

// One line of the token file: only the token's SHA-256 is kept, never the token.
struct TokenRecord {
    std::string name;
    TokenScope scope = TokenScope::Control;
    TokenHash hash{};
};

std::string_view ScopeName(TokenScope scope);
bool ParseScope(std::string_view text, TokenScope& scope);
// Letters, digits, '.', '_' and '-', 1 to 64 of them: a name fits in a line and a log entry.
bool IsValidTokenName(std::string_view name);

TokenHash Sha256(std::string_view data);
std::string Base64Url(std::span<const unsigned char> data); // without padding
// A new token: kTokenBytes from the secure random source, base64url. Empty if the kernel refuses.
std::string NewToken();

// "NAME SCOPE HEX", and back; false for a line that is not a record.
std::string FormatTokenLine(const TokenRecord& record);
bool ParseTokenLine(std::string_view line, TokenRecord& record);

// The token file orvanectl writes and the service reads.
class TokenStore {
public:
    explicit TokenStore(std::string path) : path_(std::move(path)) {}

    // Reads the file; Missing leaves the store empty. Lines that are not records are skipped.
    [[nodiscard]] FileReadResult Load();
    // Writes every record, readable by the owner only, through a temporary file.
    [[nodiscard]] bool Save() const;

    const std::vector<TokenRecord>& Tokens() const { return tokens_; }
    const TokenRecord* Find(std::string_view name) const;
    // Adds a record for `token` under a new name; false when the name is taken.
    [[nodiscard]] bool Add(std::string_view name, TokenScope scope, std::string_view token);
    // False when there is no such name.
    [[nodiscard]] bool Remove(std::string_view name);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::vector<TokenRecord> tokens_;
};

} // namespace orvane::http
