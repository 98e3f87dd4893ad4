#include "http/TokenStore.h"

#include "platform/Hex.h"
#include "platform/SecureRandom.h"

#include <openssl/evp.h>

#include <algorithm>

namespace orvane::http {

std::string_view ScopeName(TokenScope scope) {
    return scope == TokenScope::Read ? "read" : "control";
}

bool ParseScope(std::string_view text, TokenScope& scope) {
    if (text == "read") {
        scope = TokenScope::Read;
        return true;
    }
    if (text == "control") {
        scope = TokenScope::Control;
        return true;
    }
    return false;
}

bool IsValidTokenName(std::string_view name) {
    if (name.empty() || name.size() > 64)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
               c == '-';
    });
}

TokenHash Sha256(std::string_view data) {
    TokenHash hash{};
    unsigned int length = 0;
    // EVP_Digest only fails when the library cannot allocate; the all-zero hash then matches
    // no stored token, because no stored line can hold it (see ParseTokenLine).
    if (EVP_Digest(data.data(), data.size(), hash.data(), &length, EVP_sha256(), nullptr) != 1)
        hash.fill(0);
    return hash;
}

std::string Base64Url(std::span<const unsigned char> data) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    out.reserve((data.size() * 4 + 2) / 3);
    std::size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const unsigned v = (unsigned{data[i]} << 16) | (unsigned{data[i + 1]} << 8) | data[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t rest = data.size() - i;
    if (rest > 0) {
        const unsigned v = (unsigned{data[i]} << 16) | (rest == 2 ? unsigned{data[i + 1]} << 8 : 0U);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        if (rest == 2)
            out += kAlphabet[(v >> 6) & 63];
    }
    return out;
}

std::string NewToken() {
    std::array<unsigned char, kTokenBytes> bytes{};
    if (!FillSecureRandom(bytes))
        return {};
    return Base64Url(bytes);
}

std::string FormatTokenLine(const TokenRecord& record) {
    return record.name + ' ' + std::string(ScopeName(record.scope)) + ' ' + ToHex(record.hash);
}

bool ParseTokenLine(std::string_view line, TokenRecord& record) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    const std::size_t first = line.find(' ');
    if (first == std::string_view::npos)
        return false;
    const std::size_t second = line.find(' ', first + 1);
    if (second == std::string_view::npos)
        return false;
    TokenRecord r;
    r.name = std::string(line.substr(0, first));
    std::vector<unsigned char> hash;
    if (!IsValidTokenName(r.name) || !ParseScope(line.substr(first + 1, second - first - 1), r.scope) ||
        !FromHex(line.substr(second + 1), hash) || hash.size() != r.hash.size())
        return false;
    std::copy(hash.begin(), hash.end(), r.hash.begin());
    if (std::all_of(r.hash.begin(), r.hash.end(), [](unsigned char b) { return b == 0; }))
        return false;
    record = std::move(r);
    return true;
}

FileReadResult TokenStore::Load() {
    tokens_.clear();
    std::string text;
    FileReadResult read = ReadWholeFile(path_, text, kMaxSettingsFileSize);
    if (!read.ok())
        return read;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        TokenRecord record;
        if (line.empty() || line.front() == '#' || !ParseTokenLine(line, record) || Find(record.name) != nullptr)
            continue;
        tokens_.push_back(std::move(record));
    }
    return read;
}

bool TokenStore::Save() const {
    std::string text = "# Orvane service tokens: name, scope (read or control), SHA-256 of the token\n";
    for (const TokenRecord& record : tokens_) {
        text += FormatTokenLine(record);
        text += '\n';
    }
    return WriteFileAtomically(path_, text, 0600) == 0;
}

const TokenRecord* TokenStore::Find(std::string_view name) const {
    const auto it = std::find_if(tokens_.begin(), tokens_.end(), [&](const TokenRecord& r) { return r.name == name; });
    return it == tokens_.end() ? nullptr : &*it;
}

bool TokenStore::Add(std::string_view name, TokenScope scope, std::string_view token) {
    if (!IsValidTokenName(name) || Find(name) != nullptr)
        return false;
    tokens_.push_back(TokenRecord{std::string(name), scope, Sha256(token)});
    return true;
}

bool TokenStore::Remove(std::string_view name) {
    const auto it = std::find_if(tokens_.begin(), tokens_.end(), [&](const TokenRecord& r) { return r.name == name; });
    if (it == tokens_.end())
        return false;
    tokens_.erase(it);
    return true;
}

} // namespace orvane::http
