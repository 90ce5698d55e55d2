#include "vault/UserKey.h"

#include <sodium.h>

#include <stdexcept>

#include "store/Connection.h"
#include "store/Recordset.h"
#include "store/TextRules.h"

namespace qm::vault {

namespace {

static_assert(kSaltSize == crypto_pwhash_SALTBYTES);
constexpr size_t kNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr size_t kSealedSize = kNonceSize + DataKey::kSize + crypto_aead_xchacha20poly1305_ietf_ABYTES;
// Beyond these a row is taken for damaged rather than tried: a flipped bit
// must not make the login ask for terabytes.
constexpr uint64_t kMostPasses = 64;
constexpr uint64_t kMostMemory = uint64_t{4} << 30;

const unsigned char* bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

void appendNumber(std::string& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The sealed data key is bound to the row's version, salt and cost.
std::string boundTo(const KeyRow& row) {
    std::string ad = "qm/key/";
    appendNumber(ad, static_cast<uint64_t>(row.Version));
    ad += row.Salt;
    appendNumber(ad, row.Cost.Passes);
    appendNumber(ad, row.Cost.MemoryBytes);
    return ad;
}

// The key that seals the data key, derived from the password.
struct WrappingKey {
    std::array<unsigned char, crypto_aead_xchacha20poly1305_ietf_KEYBYTES> bytes{};
    ~WrappingKey() { sodium_memzero(bytes.data(), bytes.size()); }
};

void derive(unsigned char* out, size_t size, std::string_view password, std::string_view salt, DerivationCost cost) {
    EnsureSodium();
    if (crypto_pwhash(out, size, password.data(), password.size(), bytes(salt), cost.Passes,
                      static_cast<size_t>(cost.MemoryBytes), crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("内存不足,无法验证登录密码。");
}

}  // namespace

bool CostUsable(DerivationCost cost) {
    return cost.Passes >= crypto_pwhash_argon2id_OPSLIMIT_MIN && cost.Passes <= kMostPasses &&
           cost.MemoryBytes >= crypto_pwhash_argon2id_MEMLIMIT_MIN && cost.MemoryBytes <= kMostMemory &&
           cost.MemoryBytes <= SIZE_MAX;
}

namespace {
void derive(WrappingKey& out, std::string_view password, std::string_view salt, DerivationCost cost) {
    derive(out.bytes.data(), out.bytes.size(), password, salt, cost);
}
}  // namespace

std::unique_ptr<DataKey> DeriveKey(std::string_view password, std::string_view salt, DerivationCost cost) {
    if (!CostUsable(cost) || salt.size() != kSaltSize) throw std::invalid_argument("unusable derivation cost or salt");
    auto key = std::make_unique<DataKey>();
    derive(key->data(), DataKey::kSize, password, salt, cost);
    return key;
}

std::string KeyRow::ComputeChecksum() const {
    EnsureSodium();
    std::string all = boundTo(*this) + SealedKey;
    std::string sum(16, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(sum.data()), sum.size(), bytes(all), all.size(), nullptr, 0);
    return sum;
}

KeyRow KeyRow::Make(const DataKey& key, std::string_view password, DerivationCost cost) {
    if (!CostUsable(cost)) throw std::invalid_argument("unusable derivation cost");
    EnsureSodium();
    KeyRow row;
    row.Cost = cost;
    row.Salt.assign(kSaltSize, '\0');
    randombytes_buf(row.Salt.data(), row.Salt.size());
    WrappingKey wrap;
    derive(wrap, password, row.Salt, cost);
    row.SealedKey.assign(kSealedSize, '\0');
    auto* out = reinterpret_cast<unsigned char*>(row.SealedKey.data());
    randombytes_buf(out, kNonceSize);
    const std::string ad = boundTo(row);
    crypto_aead_xchacha20poly1305_ietf_encrypt(out + kNonceSize, nullptr, key.data(), DataKey::kSize, bytes(ad), ad.size(),
                                               nullptr, out, wrap.bytes.data());
    row.Checksum = row.ComputeChecksum();
    return row;
}

bool KeyRow::Intact() const {
    return Version == kVersion && Salt.size() == kSaltSize && SealedKey.size() == kSealedSize && CostUsable(Cost) &&
           Checksum.size() == 16 && sodium_memcmp(Checksum.data(), ComputeChecksum().data(), 16) == 0;
}

bool KeyRow::Newer() const {
    return Version > kVersion && Checksum.size() == 16 && sodium_memcmp(Checksum.data(), ComputeChecksum().data(), 16) == 0;
}

std::unique_ptr<DataKey> KeyRow::Open(std::string_view password) const {
    if (!Intact()) return nullptr;
    WrappingKey wrap;
    derive(wrap, password, Salt, Cost);
    auto key = std::make_unique<DataKey>();
    const std::string ad = boundTo(*this);
    const auto* in = bytes(SealedKey);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(key->data(), nullptr, nullptr, in + kNonceSize, kSealedSize - kNonceSize,
                                                   bytes(ad), ad.size(), in, wrap.bytes.data()) != 0)
        return nullptr;
    return key;
}

void DeriveForNothing(std::string_view password, DerivationCost cost) {
    EnsureSodium();
    std::string salt(kSaltSize, '\0');
    randombytes_buf(salt.data(), salt.size());
    WrappingKey wrap;
    derive(wrap, password, salt, CostUsable(cost) ? cost : kDefaultCost);
}

namespace {
std::string keyRowsOf(const std::string& user) {
    return "select * from UserKeys where UserName = '" + store::esc(user) + "'";
}
}  // namespace

std::optional<KeyRow> ReadKeyRow(store::Connection& db, const std::string& user) {
    store::Recordset rs;
    rs.Open(keyRowsOf(user), db);
    if (rs.Eof()) return std::nullopt;
    KeyRow row;
    // Every part that does not read back leaves the row short of Intact.
    row.Version = rs["Version"].Int();
    row.Salt = FromHex(rs["Salt"].Text()).value_or("");
    const int64_t passes = rs["OpsLimit"].Int(), memory = rs["MemLimit"].Int();
    row.Cost = {passes > 0 ? static_cast<uint64_t>(passes) : 0, memory > 0 ? static_cast<uint64_t>(memory) : 0};
    row.SealedKey = FromHex(rs["SealedKey"].Text()).value_or("");
    row.Checksum = FromHex(rs["Checksum"].Text()).value_or("");
    rs.MoveNext();
    // Two rows for one user: which one is meant cannot be told.
    if (!rs.Eof()) row.Checksum.clear();
    return row;
}

void WriteKeyRow(store::Connection& db, const std::string& user, const KeyRow& row) {
    DeleteKeyRow(db, user);
    store::Recordset rs;
    rs.Open(keyRowsOf(user), db);
    rs.AddNew();
    rs["UserName"] = user;
    rs["Version"] = row.Version;
    rs["Salt"] = ToHex(row.Salt);
    rs["OpsLimit"] = static_cast<int64_t>(row.Cost.Passes);
    rs["MemLimit"] = static_cast<int64_t>(row.Cost.MemoryBytes);
    rs["SealedKey"] = ToHex(row.SealedKey);
    rs["Checksum"] = ToHex(row.Checksum);
    rs.Update();
}

void DeleteKeyRow(store::Connection& db, const std::string& user) {
    db.Execute("delete UserKeys from UserKeys where UserName = '" + store::esc(user) + "'");
}

}  // namespace qm::vault
