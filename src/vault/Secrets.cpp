#include "vault/Secrets.h"

#include <sodium.h>

#include <stdexcept>

#include "platform/Platform.h"
#include "store/Recordset.h"

namespace qm::vault {

bool IsProtectedLogin(std::string_view storedUserPassword) { return storedUserPassword == kProtectedLogin; }

const char* KeyRowMessage(Proof proof) {
    switch (proof) {
        case Proof::Damaged: return kDamagedKeyMessage;
        case Proof::Newer: return kNewerKeyMessage;
        default: return nullptr;
    }
}

void TellDamaged(platform::Platform& os) { os.MsgBox("该密码已损坏,无法解密!", platform::vbInformation, "提示"); }

void TellOtpDamaged(platform::Platform& os) { os.MsgBox(kDamagedOtpMessage, platform::vbInformation, "提示"); }

std::string Sealer::Seal(Field field, std::string_view plain, std::string_view account) const {
    // No authenticator secret is stored as nothing in either form, so that
    // whether an account has one is known without opening anything.
    if (field == Field::OtpSecret && plain.empty()) return {};
    if (key_) return SealText(*key_, field, plain, account);
    if (field == Field::Remarks) return std::string(plain);
    return cipher_->EncryptString(plain, crypto::kAccountPasswordKey);
}

std::optional<SecretText> Sealer::Open(Field field, std::string_view stored, std::string_view account) const {
    // A remark may be empty in either form (a row written without one); a
    // protected user's password never is: even an empty one is sealed, so
    // a blanked one was tampered with.
    if (stored.empty() && !(key_ && field == Field::AccountPassword)) return SecretText();
    if (key_) return OpenText(*key_, field, stored, account);
    // A sealed text in a row of the fixed-key forms came from another user.
    if (IsSealedText(stored)) return std::nullopt;
    if (field == Field::Remarks) return SecretText(stored);
    std::string plain = cipher_->DecryptString(stored, crypto::kAccountPasswordKey);
    return SecretText::Adopt(plain);
}

std::string Secrets::Seal(Field field, std::string_view plain, std::string_view account) const {
    if (Locked()) throw std::logic_error("the data key is locked away");
    return session_.Seal(field, plain, account);
}

std::optional<SecretText> Secrets::Open(Field field, std::string_view stored, std::string_view account) const {
    if (Locked()) return std::nullopt;
    return session_.Open(field, stored, account);
}

Proven Secrets::Prove(store::Connection& db, store::Recordset& users, std::string_view typed) const {
    if (users.Eof()) {
        DeriveForNothing(typed, Cost);
        return {};
    }
    const std::string name = users["UserName"].Text();
    const std::string stored = users["UserPassword"].Text();
    if (!IsProtectedLogin(stored)) {
        std::string enciphered = cipher_.EncryptString(typed, crypto::kLoginPasswordKey);
        const bool same = enciphered.size() == stored.size() &&
                          sodium_memcmp(enciphered.data(), stored.data(), stored.size()) == 0;
        Wipe(enciphered);
        if (!same) return {};
        return {Proof::Right, Sealer(cipher_)};
    }
    const std::optional<KeyRow> row = ReadKeyRow(db, name);
    if (row && row->Newer()) return {Proof::Newer, std::nullopt};
    if (!row || !row->Intact()) return {Proof::Damaged, std::nullopt};
    std::unique_ptr<DataKey> key = row->Open(typed);
    if (!key) return {};
    return {Proof::Right, Sealer(cipher_, std::shared_ptr<const DataKey>(std::move(key)))};
}

Proof Secrets::LogIn(store::Connection& db, store::Recordset& users, std::string_view typed) {
    Proven proven = Prove(db, users, typed);
    if (proven.Result == Proof::Right) {
        Adopt(std::move(*proven.Form));
        RememberLogin(typed);
    }
    return proven.Result;
}

void Secrets::RememberLogin(std::string_view password) {
    forgetLogin();
    loginKey_ = std::make_unique<KeyedDigest>();
    loginDigest_ = loginKey_->Of(password);
}

bool Secrets::IsLoginPassword(std::string_view candidate, std::string_view storedUserPassword) const {
    if (!loginKey_) return false;
    if (!protected_) {
        std::string enciphered = cipher_.EncryptString(candidate, crypto::kLoginPasswordKey);
        const bool same = KeyedDigest::Same(enciphered, storedUserPassword);
        Wipe(enciphered);
        return same;
    }
    return KeyedDigest::Same(loginKey_->Of(candidate), loginDigest_);
}

void Secrets::Adopt(Sealer form) {
    protected_ = form.Sealed();
    session_ = std::move(form);
}

void Secrets::Lock() {
    // The key goes; the user's form stays, so nothing is sealed in the
    // fixed-key form meanwhile.
    if (protected_) session_ = Sealer(cipher_, nullptr);
    // The digest and its key would let a copy of the locked program's memory
    // test guesses at the login password in microseconds each, without the
    // derivation: they go too, and the unlock makes them again.
    forgetLogin();
}

void Secrets::forgetLogin() {
    loginKey_.reset();
    Wipe(loginDigest_);
}

void Secrets::LogOff() {
    session_ = Sealer(cipher_);
    protected_ = false;
    forgetLogin();
}

}  // namespace qm::vault
