#include "accounts/UserRecord.h"
#include "accounts/PasswordHash.h"

#include <gtest/gtest.h>

#include <string>

namespace accounts {
namespace {

// Digests computed with another PBKDF2-HMAC-SHA-256 implementation, so that the salt
// bytes, the round count and the digest are checked against an independent source.
constexpr const char* kKnownLine =
    "anna:00112233445566778899aabbccddeeff:100000:349385d8369097aac69c91b9cf79c08cc236bd0eea62faca19643b117ca1f56e";
constexpr const char* kKnownUtf8Line =
    "J\xc3\xb6rg:FFEEDDCCBBAA99887766554433221100FFEEDDCCBBAA99887766554433221100:123456:"
    "d17172eb5835ffd60ed243a6030499f54d2654d5f985cba63d28fb42e12b215c\r";

TEST(UserRecordTest, LinesFromAnIndependentDigestAreReadAndCheckedExactly) {
    UserRecord r;
    ASSERT_TRUE(ParseUserLine(kKnownLine, r));
    EXPECT_EQ(r.name, "anna");
    EXPECT_EQ(r.iterations, 100000);
    EXPECT_EQ(r.salt.size(), 16u);
    EXPECT_TRUE(PasswordMatches(r, "correct horse"));
    EXPECT_FALSE(PasswordMatches(r, "correct hors"));
    EXPECT_FALSE(PasswordMatches(r, "Correct horse"));
    EXPECT_FALSE(PasswordMatches(r, ""));
    EXPECT_EQ(FormatUserLine(r), kKnownLine);

    // Upper-case hex, a 32-byte salt, a CR before the line end and a UTF-8 password.
    ASSERT_TRUE(ParseUserLine(kKnownUtf8Line, r));
    EXPECT_EQ(r.name, "J\xc3\xb6rg");
    EXPECT_EQ(r.salt.size(), 32u);
    EXPECT_TRUE(PasswordMatches(r, "p\xc3\xa4ssw\xc3\xb6rd"));
    EXPECT_FALSE(PasswordMatches(r, "passwrd"));
}

TEST(UserRecordTest, NewRecordsAreSaltedAndStrongEnough) {
    UserRecord a, b;
    ASSERT_EQ(MakeUserRecord("anna", "same", a), 0);
    ASSERT_EQ(MakeUserRecord("bert", "same", b), 0);
    EXPECT_GE(a.iterations, 100000);
    EXPECT_EQ(a.salt.size(), kSaltSize);
    EXPECT_NE(a.salt, b.salt);
    EXPECT_NE(a.hash, b.hash); // the same password never gives the same line
    EXPECT_TRUE(PasswordMatches(a, "same"));

    // A record survives its line.
    UserRecord back;
    ASSERT_TRUE(ParseUserLine(FormatUserLine(a), back));
    EXPECT_EQ(back.name, a.name);
    EXPECT_EQ(back.salt, a.salt);
    EXPECT_EQ(back.iterations, a.iterations);
    EXPECT_EQ(back.hash, a.hash);

    UserRecord untouched = a;
    EXPECT_EQ(MakeUserRecord("bad:name", "pw", untouched), -1);
    EXPECT_EQ(MakeUserRecord("anna", "", untouched), -1);
    EXPECT_EQ(untouched.name, "anna");
}

TEST(UserRecordTest, NamesThatCouldBreakTheFileOrConfuseUsersAreRefused) {
    EXPECT_TRUE(IsValidUserName("a"));
    EXPECT_TRUE(IsValidUserName("Anna Berg"));
    EXPECT_TRUE(IsValidUserName("J\xc3\xb6rg"));
    EXPECT_TRUE(IsValidUserName(std::string(kMaxNameLength, 'x')));
    EXPECT_FALSE(IsValidUserName(std::string(kMaxNameLength + 1, 'x')));
    EXPECT_FALSE(IsValidUserName(""));
    EXPECT_FALSE(IsValidUserName("a:b"));
    EXPECT_FALSE(IsValidUserName("a\nb"));
    EXPECT_FALSE(IsValidUserName("a\rb"));
    EXPECT_FALSE(IsValidUserName(std::string("a\0b", 3)));
    EXPECT_FALSE(IsValidUserName("tab\there"));
    EXPECT_FALSE(IsValidUserName("del\x7f"));
    EXPECT_FALSE(IsValidUserName(" anna"));
    EXPECT_FALSE(IsValidUserName("anna "));

    EXPECT_TRUE(IsValidPassword("x"));
    EXPECT_TRUE(IsValidPassword(std::string(kMaxPasswordLength, 'p')));
    EXPECT_FALSE(IsValidPassword(std::string(kMaxPasswordLength + 1, 'p')));
    EXPECT_FALSE(IsValidPassword(""));
}

TEST(UserRecordTest, MalformedLinesAreRejected) {
    const std::string salt = "00112233445566778899aabbccddeeff";
    const std::string hash = "349385d8369097aac69c91b9cf79c08cc236bd0eea62faca19643b117ca1f56e";
    const std::string bad[] = {
        "",
        "anna",
        "anna:" + salt + ":100000",                    // no digest
        "anna:" + salt + ":100000:" + hash + ":extra", // a fifth field
        ":" + salt + ":100000:" + hash,                // no name
        " anna:" + salt + ":100000:" + hash,           // name with a leading space
        "anna:" + salt.substr(2) + ":100000:" + hash,  // salt of 15 bytes
        "anna:" + salt + "0:100000:" + hash,           // odd hex length
        "anna:" + salt.substr(0, 30) + "zz:100000:" + hash,
        "anna:" + salt + std::string(98, '0') + ":100000:" + hash, // salt over 64 bytes
        "anna:" + salt + ":99999:" + hash,                         // too few rounds
        "anna:" + salt + ":10000001:" + hash,                      // too many rounds
        "anna:" + salt + ":+100000:" + hash,
        "anna:" + salt + ":-100000:" + hash,
        "anna:" + salt + ": 100000:" + hash,
        "anna:" + salt + ":100000x:" + hash,
        "anna:" + salt + ":99999999999999999999:" + hash, // would overflow
        "anna:" + salt + ":100000:" + hash.substr(2),     // digest too short
        "anna:" + salt + ":100000:" + hash + "00",        // digest too long
        "anna:" + salt + ":100000:" + hash + " ",
    };
    for (const std::string& line : bad) {
        UserRecord r;
        EXPECT_FALSE(ParseUserLine(line, r)) << line;
    }
}

TEST(PasswordHashTest, RefusesWeakParametersAndComparesDigests) {
    PasswordDigest d{};
    std::vector<unsigned char> salt(16, 1);
    EXPECT_EQ(DerivePasswordHash("pw", salt, kMinIterations - 1, d), -1);
    EXPECT_EQ(DerivePasswordHash("pw", salt, kMaxIterations + 1, d), -1);
    std::vector<unsigned char> shortSalt(15, 1);
    EXPECT_EQ(DerivePasswordHash("pw", shortSalt, kMinIterations, d), -1);
    EXPECT_EQ(DerivePasswordHash("", salt, kMinIterations, d), 0); // well defined, if never stored

    PasswordDigest a{}, b{};
    EXPECT_TRUE(DigestsEqual(a, b));
    b[31] = 1;
    EXPECT_FALSE(DigestsEqual(a, b));
    b[31] = 0;
    b[0] = 0x80;
    EXPECT_FALSE(DigestsEqual(a, b));
}

} // namespace
} // namespace accounts
