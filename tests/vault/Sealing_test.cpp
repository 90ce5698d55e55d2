// The sealed form of secrets and the key rows, below any form.
#include <gtest/gtest.h>

#include <functional>

#include "crypto/SimpleXOR.h"
#include "vault/Secrets.h"

using namespace qm::vault;

namespace {

std::unique_ptr<DataKey> counting(unsigned char from) {
    auto key = std::make_unique<DataKey>();
    for (size_t i = 0; i < DataKey::kSize; ++i) key->data()[i] = static_cast<unsigned char>(from + i);
    return key;
}

std::array<unsigned char, 24> nonceFrom(unsigned char from) {
    std::array<unsigned char, 24> n{};
    for (size_t i = 0; i < n.size(); ++i) n[i] = static_cast<unsigned char>(from + i);
    return n;
}

// Every character of the Basic Multilingual Plane but the surrogates, in UTF-8.
std::string wholeBmp() {
    std::string s;
    for (char32_t c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        if (c < 0x80) {
            s += static_cast<char>(c);
        } else if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return s;
}

constexpr DerivationCost kCheap{1, 64 * 1024};

}  // namespace

// A change of the stored format (marker, version, encoding, what the text is
// bound to) shows here before any file in use meets it. The answers were
// computed with the system's own libsodium from Python, apart from this code.
TEST(Sealing, KnownAnswers) {
    struct Row {
        Field field;
        const char* plain;
        const char* stored;
    };
    const Row rows[] = {
        {Field::AccountPassword, "secret1", "\xC2\x81" "1"
                                            "AAECAwQFBgcICQoLDA0ODxAREhMUFRYX6pmqci25aoLBYEoY0x57WJatOqDEPjM"},
        {Field::Remarks, "secret1", "\xC2\x81" "1"
                                    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYX6pmqci25aoeoibgGttDQKNnS2hBTBKA"},
        {Field::AccountPassword, "中文 pass", "\xC2\x81" "1"
                                              "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXfURk5t5Ke1NE2eCDvVHaRsn9OG2X8uAb50jp"},
        {Field::AccountPassword, "", "\xC2\x81" "1"
                                     "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXyj6gQFoQWNmPaDFID81FTw"},
    };
    const auto key = counting(0x40);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.plain);
        EXPECT_EQ(SealTextWithNonce(*key, r.field, r.plain, "", nonceFrom(0)), r.stored);
        // Texts of this version, bound to no account, open for whichever account holds them.
        const auto opened = OpenText(*key, r.field, r.stored, "0123456789abcdef0123456789abcdef");
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->str(), r.plain);
    }
}

TEST(Sealing, EveryCharacterOfThePlaneAndTheEmptyTextComeBackInBothForms) {
    qm::crypto::clsSimpleXOR cipher;
    const Sealer forms[] = {Sealer(cipher), Sealer(cipher, counting(1))};
    const std::string texts[] = {wholeBmp(), "", " ", "a"};
    for (const Sealer& form : forms)
        for (Field field : {Field::AccountPassword, Field::Remarks})
            for (const std::string& text : texts) {
                SCOPED_TRACE(std::to_string(form.Sealed()) + " " + std::to_string(int(field)) + " " + std::to_string(text.size()));
                const std::string stored = form.Seal(field, text, "acct");
                EXPECT_EQ(IsSealedText(stored), form.Sealed() && !stored.empty());
                const auto opened = form.Open(field, stored, "acct");
                ASSERT_TRUE(opened);
                EXPECT_EQ(opened->str(), text);
            }
}

// A sealed text that is not exactly what was sealed, for this key, this
// field and this account, never opens: it is reported, never shown as some
// other password.
TEST(Sealing, TamperedOrMovedTextsDoNotOpen) {
    qm::crypto::clsSimpleXOR cipher;
    const Sealer mine(cipher, counting(1)), theirs(cipher, counting(2)), legacy(cipher);
    const std::string stored = mine.Seal(Field::AccountPassword, "hunter22", "acct-1");
    struct Row {
        const char* what;
        std::function<std::string()> make;
        const Sealer& reader;
        Field field;
        const char* account = "acct-1";
    };
    const auto flipped = [&](size_t at) {
        std::string s = stored;
        s[at] = s[at] == 'A' ? 'B' : 'A';
        return s;
    };
    const Row rows[] = {
        {"nonce", [&] { return flipped(4); }, mine, Field::AccountPassword},
        {"body", [&] { return flipped(40); }, mine, Field::AccountPassword},
        {"tag", [&] { return flipped(stored.size() - 2); }, mine, Field::AccountPassword},
        {"relabelled as bound to no account", [&] { std::string s = stored; s[2] = '1'; return s; }, mine,
         Field::AccountPassword},
        {"an unknown version", [&] { std::string s = stored; s[2] = '3'; return s; }, mine, Field::AccountPassword},
        {"another account's row", [&] { return stored; }, mine, Field::AccountPassword, "acct-2"},
        {"a row without identity", [&] { return stored; }, mine, Field::AccountPassword, ""},
        {"cut short", [&] { return stored.substr(0, stored.size() - 1); }, mine, Field::AccountPassword},
        {"not base64", [&] { return stored + "*"; }, mine, Field::AccountPassword},
        {"marker only", [&] { return std::string(kSealedPrefix); }, mine, Field::AccountPassword},
        {"another user's key", [&] { return stored; }, theirs, Field::AccountPassword},
        {"a remark's place", [&] { return stored; }, mine, Field::Remarks},
        {"an authenticator secret's place", [&] { return stored; }, mine, Field::OtpSecret},
        {"a user without protection", [&] { return stored; }, legacy, Field::AccountPassword},
        {"a fixed-key text in a protected row", [&] { return cipher.EncryptString("hunter22", "tamzirkle"); }, mine,
         Field::AccountPassword},
        {"a plain remark in a protected row", [&] { return std::string("note"); }, mine, Field::Remarks},
        {"a blanked password in a protected row", [&] { return std::string(); }, mine, Field::AccountPassword},
    };
    ASSERT_TRUE(mine.Open(Field::AccountPassword, stored, "acct-1"));
    EXPECT_EQ(stored.substr(0, 3), kBoundPrefix);
    for (const Row& r : rows) EXPECT_FALSE(r.reader.Open(r.field, r.make(), r.account)) << r.what;
    EXPECT_THROW(mine.Seal(Field::AccountPassword, "x", ""), std::logic_error) << "every account has an identity";
}

TEST(Sealing, AKeyRowOpensWithItsPasswordOnlyAndTellsDamageFromAWrongPassword) {
    const auto key = counting(7);
    const KeyRow row = KeyRow::Make(*key, "登录密码 secret", kCheap);
    ASSERT_TRUE(row.Intact());
    const auto opened = row.Open("登录密码 secret");
    ASSERT_TRUE(opened);
    EXPECT_TRUE(std::equal(opened->data(), opened->data() + DataKey::kSize, key->data()));
    EXPECT_FALSE(row.Open("登录密码 Secret"));
    EXPECT_FALSE(row.Open(""));
    EXPECT_NE(KeyRow::Make(*key, "登录密码 secret", kCheap).Salt, row.Salt) << "every row has its own salt";

    struct Damage {
        const char* what;
        std::function<void(KeyRow&)> apply;
    };
    const Damage damages[] = {
        {"salt", [](KeyRow& r) { r.Salt[3] ^= 1; }},
        {"sealed key", [](KeyRow& r) { r.SealedKey[30] ^= 1; }},
        {"nonce", [](KeyRow& r) { r.SealedKey[0] ^= 1; }},
        {"checksum", [](KeyRow& r) { r.Checksum[0] ^= 1; }},
        {"passes", [](KeyRow& r) { r.Cost.Passes += 1; }},
        {"memory", [](KeyRow& r) { r.Cost.MemoryBytes *= 2; }},
        {"version", [](KeyRow& r) { r.Version = 2; }},
        {"absurd cost", [](KeyRow& r) { r.Cost.MemoryBytes = uint64_t{1} << 40; r.Checksum = r.ComputeChecksum(); }},
    };
    for (const Damage& d : damages) {
        KeyRow damaged = row;
        d.apply(damaged);
        EXPECT_FALSE(damaged.Intact()) << d.what;
        EXPECT_FALSE(damaged.Open("登录密码 secret")) << d.what;
    }
}

// A whole row of a later version is neither damaged nor a wrong password:
// only a newer program proves it, and the dialogs say so.
TEST(Sealing, AKeyRowOfALaterVersionIsToldApartFromADamagedOne) {
    const auto key = counting(3);
    const KeyRow row = KeyRow::Make(*key, "pw123456", kCheap);
    const auto withVersion = [&](int64_t version, bool resum) {
        KeyRow r = row;
        r.Version = version;
        if (resum) r.Checksum = r.ComputeChecksum();
        return r;
    };
    struct Case {
        const char* what;
        KeyRow row;
        bool intact, newer;
    };
    const Case cases[] = {
        {"this version", row, true, false},
        {"a later version, whole", withVersion(KeyRow::kVersion + 1, true), false, true},
        {"a much later version, whole", withVersion(KeyRow::kVersion + 40, true), false, true},
        {"a later version, damaged", withVersion(KeyRow::kVersion + 1, false), false, false},
        {"an earlier version, whole", withVersion(KeyRow::kVersion - 1, true), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.row.Intact(), c.intact);
        EXPECT_EQ(c.row.Newer(), c.newer);
    }
}

TEST(Sealing, AnAuthenticatorSecretIsSealedLikeThePasswordAndNoSecretIsStoredAsNothing) {
    qm::crypto::clsSimpleXOR cipher;
    const Sealer sealed(cipher, counting(1)), legacy(cipher);
    const std::string secret = "otpauth://totp/GitHub:amy?secret=JBSWY3DPEHPK3PXP&issuer=GitHub";
    for (const Sealer* form : {&legacy, &sealed}) {
        SCOPED_TRACE(form->Sealed() ? "sealed" : "fixed-key forms");
        const std::string stored = form->Seal(Field::OtpSecret, secret, "acct-1");
        EXPECT_EQ(stored.find("JBSWY3DP"), std::string::npos);
        EXPECT_EQ(stored, form->Sealed() ? stored : cipher.EncryptString(secret, qm::crypto::kAccountPasswordKey))
            << "scrambled as the passwords are";
        const std::optional<SecretText> back = form->Open(Field::OtpSecret, stored, "acct-1");
        ASSERT_TRUE(back);
        EXPECT_EQ(back->str(), secret);
        EXPECT_EQ(form->Seal(Field::OtpSecret, "", "acct-1"), "");
        const std::optional<SecretText> none = form->Open(Field::OtpSecret, "", "acct-1");
        ASSERT_TRUE(none);
        EXPECT_EQ(none->str(), "");
    }
    const std::string stored = sealed.Seal(Field::OtpSecret, secret, "acct-1");
    EXPECT_FALSE(sealed.Open(Field::AccountPassword, stored, "acct-1")) << "bound to its own field";
    EXPECT_FALSE(sealed.Open(Field::OtpSecret, stored, "acct-2")) << "and to its account";
    EXPECT_FALSE(legacy.Open(Field::OtpSecret, stored, "acct-1"));
}
