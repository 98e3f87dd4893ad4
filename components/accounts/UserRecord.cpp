#include "accounts/UserRecord.h"

#include "platform/Hex.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace accounts {

bool IsValidUserName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength || name.front() == ' ' || name.back() == ' ')
        return false;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (c == ':' || u < 0x20 || u == 0x7F)
            return false;
    }
    return true;
}

bool IsValidPassword(std::string_view password) {
    return !password.empty() && password.size() <= kMaxPasswordLength;
}

int MakeUserRecord(std::string_view name, std::string_view password, UserRecord& out, int iterations) {
    if (!IsValidUserName(name) || !IsValidPassword(password))
        return -1;
    UserRecord record;
    record.name = std::string(name);
    record.salt.resize(kSaltSize);
    record.iterations = iterations;
    if (RandomSalt(record.salt) != 0 || DerivePasswordHash(password, record.salt, iterations, record.hash) != 0)
        return -1;
    out = std::move(record);
    return 0;
}

bool PasswordMatches(const UserRecord& record, std::string_view password) {
    PasswordDigest digest{};
    if (DerivePasswordHash(password, record.salt, record.iterations, digest) != 0)
        return false;
    bool same = DigestsEqual(digest, record.hash);
    WipeMemory(digest.data(), digest.size());
    return same;
}

bool ParseUserLine(std::string_view line, UserRecord& out) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    std::array<std::string_view, 4> fields;
    std::size_t count = 0;
    while (count < fields.size()) {
        std::size_t colon = line.find(':');
        if (count + 1 == fields.size()) {
            if (colon != std::string_view::npos)
                return false; // a fifth field
            fields[count++] = line;
            break;
        }
        if (colon == std::string_view::npos)
            return false;
        fields[count++] = line.substr(0, colon);
        line.remove_prefix(colon + 1);
    }

    if (!IsValidUserName(fields[0]))
        return false;
    std::vector<unsigned char> salt;
    if (!orvane::FromHex(fields[1], salt) || salt.size() < kMinSaltSize || salt.size() > kMaxSaltSize)
        return false;
    // Digits only: from_chars alone would accept a sign.
    std::string_view rounds = fields[2];
    if (rounds.empty() || rounds.size() > 9 || rounds.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    int iterations = 0;
    std::from_chars(rounds.data(), rounds.data() + rounds.size(), iterations);
    if (iterations < kMinIterations || iterations > kMaxIterations)
        return false;
    std::vector<unsigned char> hash;
    if (!orvane::FromHex(fields[3], hash) || hash.size() != kHashSize)
        return false;

    out.name = std::string(fields[0]);
    out.salt = std::move(salt);
    out.iterations = iterations;
    std::copy(hash.begin(), hash.end(), out.hash.begin());
    return true;
}

std::string FormatUserLine(const UserRecord& record) {
    return record.name + ':' + orvane::ToHex(record.salt) + ':' + std::to_string(record.iterations) + ':' +
           orvane::ToHex(record.hash);
}

} // namespace accounts
