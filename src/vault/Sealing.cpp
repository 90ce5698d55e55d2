#include "vault/Sealing.h"

#include <sodium.h>

#include <stdexcept>

namespace qm::vault {

namespace {

constexpr size_t kNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr size_t kTagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr int kBase64 = sodium_base64_VARIANT_URLSAFE_NO_PADDING;

// What the sealed bytes are bound to besides the key: the format's version,
// the field, and from version 2 on the account's identity.
std::string boundTo(Field field, std::string_view account) {
    std::string ad = account.empty() ? "qm/1/" : "qm/2/";
    ad += field == Field::AccountPassword ? "AccountPassword" : field == Field::Remarks ? "Remarks" : "OtpSecret";
    if (!account.empty()) {
        ad += '/';
        ad += account;
    }
    return ad;
}

const unsigned char* bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

}  // namespace

void Wipe(std::string& text) noexcept {
    text.resize(text.capacity());
    sodium_memzero(text.data(), text.size());
    text.clear();
}

bool IsSealedText(std::string_view stored) { return stored.starts_with(kSealedMark); }

void EnsureSodium() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium could not start");
}

DataKey::DataKey() { locked_ = sodium_mlock(bytes_.data(), bytes_.size()) == 0; }

DataKey::~DataKey() {
    // sodium_munlock wipes before it lets the pages go.
    if (locked_) sodium_munlock(bytes_.data(), bytes_.size());
    else sodium_memzero(bytes_.data(), bytes_.size());
}

std::unique_ptr<DataKey> DataKey::Random() {
    EnsureSodium();
    auto key = std::make_unique<DataKey>();
    randombytes_buf(key->data(), kSize);
    return key;
}

std::string SealTextWithNonce(const DataKey& key, Field field, std::string_view plain, std::string_view account,
                              const std::array<unsigned char, 24>& nonce) {
    EnsureSodium();
    static_assert(kNonceSize == 24);
    std::string sealed(kNonceSize + plain.size() + kTagSize, '\0');
    auto* out = reinterpret_cast<unsigned char*>(sealed.data());
    std::copy(nonce.begin(), nonce.end(), out);
    const std::string ad = boundTo(field, account);
    unsigned long long length = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(out + kNonceSize, &length, bytes(plain), plain.size(), bytes(ad), ad.size(),
                                               nullptr, nonce.data(), key.data());
    std::string text(account.empty() ? kSealedPrefix : kBoundPrefix);
    const size_t encoded = sodium_base64_encoded_len(sealed.size(), kBase64);
    const size_t at = text.size();
    text.resize(at + encoded);
    sodium_bin2base64(text.data() + at, encoded, out, sealed.size(), kBase64);
    text.resize(text.size() - 1);  // the terminating NUL the encoder counts
    return text;
}

std::string SealText(const DataKey& key, Field field, std::string_view plain, std::string_view account) {
    if (account.empty()) throw std::logic_error("a secret is sealed without its account's identity");
    EnsureSodium();
    std::array<unsigned char, 24> nonce{};
    randombytes_buf(nonce.data(), nonce.size());
    return SealTextWithNonce(key, field, plain, account, nonce);
}

std::optional<SecretText> OpenText(const DataKey& key, Field field, std::string_view stored, std::string_view account) {
    const bool bound = stored.starts_with(kBoundPrefix);
    if (!bound && !stored.starts_with(kSealedPrefix)) return std::nullopt;
    // A bound text opens only for its own account; asked without one, nothing does.
    if (bound && account.empty()) return std::nullopt;
    EnsureSodium();
    const std::string_view encoded = stored.substr(kSealedPrefix.size());
    std::string sealed(encoded.size(), '\0');
    size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(sealed.data()), sealed.size(), encoded.data(), encoded.size(),
                          nullptr, &length, &end, kBase64) != 0 ||
        end != encoded.data() + encoded.size() || length < kNonceSize + kTagSize)
        return std::nullopt;
    const auto* in = reinterpret_cast<const unsigned char*>(sealed.data());
    std::string plain(length - kNonceSize - kTagSize, '\0');
    const std::string ad = boundTo(field, bound ? account : std::string_view());
    unsigned long long plainLength = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<unsigned char*>(plain.data()), &plainLength, nullptr,
                                                   in + kNonceSize, length - kNonceSize, bytes(ad), ad.size(), in,
                                                   key.data()) != 0) {
        Wipe(plain);
        return std::nullopt;
    }
    return SecretText::Adopt(plain);
}

std::string ToHex(std::string_view data) {
    std::string hex(data.size() * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), bytes(data), data.size());
    hex.pop_back();
    return hex;
}

std::optional<std::string> FromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::string out(hex.size() / 2, '\0');
    size_t length = 0;
    const char* end = nullptr;
    if (sodium_hex2bin(reinterpret_cast<unsigned char*>(out.data()), out.size(), hex.data(), hex.size(), nullptr, &length,
                       &end) != 0 ||
        end != hex.data() + hex.size() || length != out.size())
        return std::nullopt;
    return out;
}

}  // namespace qm::vault
