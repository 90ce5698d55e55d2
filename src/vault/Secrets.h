#pragma once
// The one place that decides how a stored secret is read and written.
//
// A user's account passwords and remarks are stored in one of two forms:
// the fixed-key forms every older file holds (the account-password cipher
// for passwords, plain text for remarks), or, once the user has switched
// strong protection on, sealed under the user's random data key. A
// protected user's login password is never stored in any form: the user
// row holds a marker, and a typed password is proven by opening the sealed
// data key with it (one derivation per login). No form handles either
// stored form itself: it asks Secrets to seal what it writes and to open
// what it reads.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "crypto/SimpleXOR.h"
#include "vault/KeyedDigest.h"
#include "vault/Sealing.h"
#include "vault/SecretText.h"
#include "vault/UserKey.h"

namespace qm::platform {
class Platform;
}
namespace qm::store {
class Connection;
class Recordset;
}  // namespace qm::store

namespace qm::vault {

// What the user row of a protected user holds where the login password was.
inline constexpr std::string_view kProtectedLogin = "\xC2\x81" "UserKeys";
bool IsProtectedLogin(std::string_view storedUserPassword);

// Says that a stored secret did not open: "该密码已损坏,无法解密!".
void TellDamaged(platform::Platform& os);
// Says that an account's authenticator secret did not open, or opened but
// makes no codes any more: it never gives a code then.
inline constexpr const char* kDamagedOtpMessage = "该动态码已损坏,无法使用!";
void TellOtpDamaged(platform::Platform& os);
// What a password dialog says when the user's key row is damaged, or was
// written by a newer version of the program.
inline constexpr const char* kDamagedKeyMessage = "该用户的密钥已损坏,无法验证登录密码!";
inline constexpr const char* kNewerKeyMessage = "该用户的密钥由更新版本的程序写入,请用新版本的程序打开。";

// One user's form of stored secrets: the fixed-key forms, or sealed under
// that user's data key.
class Sealer {
public:
    explicit Sealer(crypto::clsSimpleXOR& cipher) : cipher_(&cipher) {}
    Sealer(crypto::clsSimpleXOR& cipher, std::shared_ptr<const DataKey> key) : cipher_(&cipher), key_(std::move(key)) {}

    bool Sealed() const { return key_ != nullptr; }
    const DataKey* Key() const { return key_.get(); }
    // `account` is the identity of the account the text belongs to: a sealed
    // text is bound to it (the fixed-key forms are bound to nothing).
    std::string Seal(Field field, std::string_view plain, std::string_view account) const;
    // Nothing when `stored` is not a text of this form (damaged, or moved
    // from another user's row or another account). An empty remark opens as
    // empty in both forms.
    std::optional<SecretText> Open(Field field, std::string_view stored, std::string_view account) const;

private:
    crypto::clsSimpleXOR* cipher_;
    std::shared_ptr<const DataKey> key_;
};

// What a typed login password proves about a user row.
enum class Proof {
    Right,
    Wrong,
    Damaged,  // the user's key row is damaged or missing: no password can be proven
    Newer,    // the key row is whole but of a later version: only a newer program proves it
};

// What a password dialog says when no password could be tried against the
// key row (Damaged, Newer): typing again would not help. Null otherwise.
const char* KeyRowMessage(Proof proof);

struct Proven {
    Proof Result = Proof::Wrong;
    // That user's form of secrets, when Right.
    std::optional<Sealer> Form;
};

class Secrets {
public:
    explicit Secrets(crypto::clsSimpleXOR& cipher) : cipher_(cipher), session_(cipher) {}

    // The stored text for `plain` in the logged-in user's form (before a
    // login: the fixed-key forms). Throws while the program is locked over
    // a protected user (nothing can be sealed without the data key).
    std::string Seal(Field field, std::string_view plain, std::string_view account) const;
    // The deciphered text, or nothing when the stored text failed its check:
    // the caller then tells the user (TellDamaged) and writes nothing over it.
    // Nothing also while Locked().
    std::optional<SecretText> Open(Field field, std::string_view stored, std::string_view account) const;

    // The logged-in user's secrets are sealed under a data key.
    bool Protected() const { return protected_; }
    // Protected, and the data key is wiped (the program is locked).
    bool Locked() const { return protected_ && !session_.Sealed(); }

    // Proves `typed` as the login password of the user on the current row of
    // `users` (a record set over sysuser on `db`: the live data file, or a
    // backup). A row that is gone counts as a wrong password and costs as
    // much time as one.
    Proven Prove(store::Connection& db, store::Recordset& users, std::string_view typed) const;
    Proof Check(store::Connection& db, store::Recordset& users, std::string_view typed) const {
        return Prove(db, users, typed).Result;
    }
    // Proves and, when Right, makes that user the one whose secrets are
    // sealed and opened from now on, with the data key in memory. Also the
    // unlock after a lock: the key is derived again.
    Proof LogIn(store::Connection& db, store::Recordset& users, std::string_view typed);
    // Wipes the data key and the login password's digest and its key; the
    // user stays logged in (the lock). The unlock's LogIn makes them again;
    // until then IsLoginPassword is false.
    void Lock();
    // Wipes the data key and forgets the user (the log-off, the exit).
    void LogOff();

    // Whether `candidate` is the logged-in user's login password, with no
    // second password in the clear: for a user of the fixed-key forms by its
    // stored form (`storedUserPassword`, the user row's, which a password
    // change keeps current); for a protected user by a keyed digest kept
    // from the login. False when no one is logged in.
    bool IsLoginPassword(std::string_view candidate, std::string_view storedUserPassword) const;
    // Keeps a keyed digest of the logged-in user's login password: the login
    // does it; a new password of a protected user must be told here too.
    void RememberLogin(std::string_view password);

    // The stored form of the login password of a user without strong
    // protection (registration, a new password).
    std::string LegacyLogin(std::string_view password) const {
        return cipher_.EncryptString(password, crypto::kLoginPasswordKey);
    }

    // The logged-in user's form, and the fixed-key forms, for conversions.
    const Sealer& Current() const { return session_; }
    Sealer Legacy() const { return Sealer(cipher_); }
    Sealer SealedUnder(std::shared_ptr<const DataKey> key) const { return Sealer(cipher_, std::move(key)); }
    // Becomes the form of the logged-in user after a conversion.
    void Adopt(Sealer form);

    // The cost of the derivation for key rows made from now on (tests make it cheap).
    DerivationCost Cost = kDefaultCost;

private:
    void forgetLogin();

    crypto::clsSimpleXOR& cipher_;
    Sealer session_;
    bool protected_ = false;
    std::unique_ptr<KeyedDigest> loginKey_;
    std::string loginDigest_;
};

}  // namespace qm::vault
