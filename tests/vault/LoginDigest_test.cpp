// Telling whether a password is the login password without that password
// in the clear: by its stored form for a user of the fixed-key forms, by a
// digest kept from the login for a protected user.
#include <gtest/gtest.h>

#include "crypto/SimpleXOR.h"
#include "vault/Secrets.h"

using namespace qm::vault;

TEST(LoginDigest, OnlyTheExactLoginPasswordMatchesAndNothingWhileLockedOrAfterTheLogOff) {
    qm::crypto::clsSimpleXOR cipher;
    for (const bool isProtected : {false, true}) {
        SCOPED_TRACE(isProtected ? "protected" : "fixed-key forms");
        Secrets secrets(cipher);
        const std::string stored = isProtected ? std::string(kProtectedLogin) : secrets.LegacyLogin("Login#Pass9");
        EXPECT_FALSE(secrets.IsLoginPassword("Login#Pass9", stored)) << "no one is logged in";
        if (isProtected) secrets.Adopt(Sealer(cipher, DataKey::Random()));
        secrets.RememberLogin("Login#Pass9");
        const std::pair<const char*, bool> rows[] = {
            {"Login#Pass9", true}, {"login#pass9", false}, {"Login#Pass9 ", false}, {"Login#Pass", false}, {"", false}};
        for (const auto& [candidate, same] : rows) EXPECT_EQ(secrets.IsLoginPassword(candidate, stored), same) << candidate;
        secrets.Lock();
        EXPECT_FALSE(secrets.IsLoginPassword("Login#Pass9", stored)) << "the lock drops the digest and its key";
        secrets.RememberLogin("Login#Pass9");  // as the unlock's LogIn does
        EXPECT_TRUE(secrets.IsLoginPassword("Login#Pass9", stored));
        secrets.LogOff();
        EXPECT_FALSE(secrets.IsLoginPassword("Login#Pass9", stored));
    }
}

// Digests kept by one check must say nothing to another: each instance has
// its own random key, so the same text digests differently under each.
TEST(LoginDigest, EachKeyedDigestHasItsOwnKey) {
    const KeyedDigest one, other;
    for (const char* text : {"Login#Pass9", "", "中文密码"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(KeyedDigest::Same(one.Of(text), one.Of(text)));
        EXPECT_FALSE(KeyedDigest::Same(one.Of(text), other.Of(text)));
        EXPECT_FALSE(KeyedDigest::Same(one.Of(text), one.Of(std::string(text) + "x")));
    }
}
