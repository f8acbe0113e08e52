#include "platform/PasswordHash.h"

#include <gtest/gtest.h>

namespace {

TEST(PasswordHash, OnlyTheRightPasswordMatchesAndEveryHashHasItsOwnSalt) {
    const std::optional<std::string> first = HashPassword("秘密 pw");
    const std::optional<std::string> second = HashPassword("秘密 pw");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->rfind("pbkdf2-sha256$" + std::to_string(kPasswordHashIterations) + "$", 0), 0u)
        << *first;
    EXPECT_TRUE(IsPasswordHash(*first));
    EXPECT_EQ(first->find("秘密"), std::string::npos);
    // Same password, different salt: the stored texts differ.
    EXPECT_NE(first->substr(0, first->rfind('$')), second->substr(0, second->rfind('$')));

    EXPECT_TRUE(PasswordMatches("秘密 pw", *first));
    EXPECT_TRUE(PasswordMatches("秘密 pw", *second));
    for (const char* wrong : {"秘密 pW", "秘密 pw ", "", "秘密"})
        EXPECT_FALSE(PasswordMatches(wrong, *first)) << wrong;

    // A changed hash is no longer one that the password matches.
    std::string changed = *first;
    changed[changed.size() - 10] = changed[changed.size() - 10] == 'A' ? 'B' : 'A';
    EXPECT_FALSE(PasswordMatches("秘密 pw", changed));
}

TEST(PasswordHash, AnythingElseIsAPasswordStoredAsTyped) {
    const std::string salt = "AAAAAAAAAAAAAAAAAAAAAA==";
    const std::string hash = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=";
    for (const std::string& stored : {
             std::string("pw"),
             std::string(""),
             std::string("pbkdf2-sha256$"),
             "pbkdf2-sha256$0$" + salt + "$" + hash,
             "pbkdf2-sha256$99999999999$" + salt + "$" + hash, // would take hours
             "pbkdf2-sha256$1000$" + salt + "$" + hash + "$",
             "pbkdf2-sha256$1000$" + salt + "$" + hash.substr(4),
             "pbkdf2-sha256$1000$" + salt + "$" + hash.substr(0, 43) + "!",
             "pbkdf2-sha1$1000$" + salt + "$" + hash,
         }) {
        SCOPED_TRACE(stored);
        EXPECT_FALSE(IsPasswordHash(stored));
        EXPECT_TRUE(PasswordMatches(stored, stored));
        EXPECT_FALSE(PasswordMatches(stored + "x", stored));
    }
    EXPECT_TRUE(IsPasswordHash("pbkdf2-sha256$1000$" + salt + "$" + hash));
}

} // namespace
