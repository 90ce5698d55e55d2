#pragma once
// The sealed form of a secret: a marker no fixed-key form can start with,
// a version, then the random nonce and the XChaCha20-Poly1305 sealed bytes
// in URL-safe base64. The text is bound to the kind of field it was sealed
// for (a sealed remark pasted over a password does not open), to the data
// key of its user (a text pasted from another user's row does not open),
// and, from version 2 on, to the identity of its account (a password
// swapped with another account's, or put back from another account of a
// backup, does not open). Version 1 texts, bound to no account, still open
// until their next save binds them.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "vault/SecretText.h"

namespace qm::vault {

// OtpSecret: an account's authenticator secret, as the user pasted it.
enum class Field { AccountPassword, Remarks, OtpSecret };

// The marker every sealed text starts with: U+0081. The fixed-key forms are
// ASCII or start with U+0080, so the two can never be confused.
inline constexpr std::string_view kSealedMark = "\xC2\x81";
// The sealed texts of format versions 1 (no account) and 2 (bound to one) start with these.
inline constexpr std::string_view kSealedPrefix = "\xC2\x81" "1";
inline constexpr std::string_view kBoundPrefix = "\xC2\x81" "2";

bool IsSealedText(std::string_view stored);

// Makes sure libsodium is ready; throws when it cannot start (no random source).
void EnsureSodium();

// A user's random data key. It lives in memory the system is asked not to
// swap out (a refusal, for lack of quota, is carried on without), at a fixed
// address, and is wiped when it goes.
class DataKey {
public:
    static constexpr size_t kSize = 32;
    DataKey();
    ~DataKey();
    DataKey(const DataKey&) = delete;
    DataKey& operator=(const DataKey&) = delete;

    static std::unique_ptr<DataKey> Random();
    unsigned char* data() { return bytes_.data(); }
    const unsigned char* data() const { return bytes_.data(); }

private:
    std::array<unsigned char, kSize> bytes_{};
    bool locked_ = false;
};

// Seals `plain` under `key` for `field` of the account whose identity is
// `account`, with a fresh random nonce. An empty `account` is refused: every
// account has an identity, and a text bound to none could be moved anywhere.
std::string SealText(const DataKey& key, Field field, std::string_view plain, std::string_view account);
// The same with a given nonce: only for checking the format against known
// answers. An empty `account` writes the version 1 form that older files hold.
std::string SealTextWithNonce(const DataKey& key, Field field, std::string_view plain, std::string_view account,
                              const std::array<unsigned char, 24>& nonce);
// The deciphered text, or nothing when `stored` is not a sealed text of this
// key, field and account (damaged, moved, or of another version). A version 1
// text opens for any account.
std::optional<SecretText> OpenText(const DataKey& key, Field field, std::string_view stored, std::string_view account);

// Hexadecimal (lower case) of bytes, and back; nothing when not exactly that.
std::string ToHex(std::string_view bytes);
std::optional<std::string> FromHex(std::string_view hex);

}  // namespace qm::vault
