#pragma once
// A protected user's key row: the random data key, sealed under a key that
// Argon2id derives from the login password and a random salt. The cost of
// the derivation is stored beside the salt, so that it can be raised for new
// rows without losing the old ones; a checksum over the row tells a damaged
// row from a wrong password.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "vault/Sealing.h"

namespace qm::store {
class Connection;
}

namespace qm::vault {

struct DerivationCost {
    uint64_t Passes = 0;
    uint64_t MemoryBytes = 0;
};
// About a third of a second under Wine on the machines the program is built
// on; never less than 3 passes over 64 MiB.
inline constexpr DerivationCost kDefaultCost{3, uint64_t{128} << 20};

struct KeyRow {
    static constexpr int64_t kVersion = 1;
    int64_t Version = kVersion;
    std::string Salt;       // 16 bytes
    DerivationCost Cost;
    std::string SealedKey;  // nonce, then the sealed data key
    std::string Checksum;   // over everything above

    // A row sealing `key` under `password` with a fresh salt.
    static KeyRow Make(const DataKey& key, std::string_view password, DerivationCost cost);
    // The checksum matches and every part has a size and cost this program can use.
    bool Intact() const;
    // A whole row of a later version: its checksum matches, but only a newer
    // program knows how to use it. Neither damaged nor a wrong password.
    bool Newer() const;
    // The data key, or nothing when `password` is not the one it was sealed
    // under. Costs one derivation either way.
    std::unique_ptr<DataKey> Open(std::string_view password) const;
    std::string ComputeChecksum() const;
};

// The salt every derivation takes.
inline constexpr size_t kSaltSize = 16;
// Passes and memory within what this program derives with: a cost outside
// them is taken for damage rather than tried (a flipped bit must not make a
// login ask for terabytes).
bool CostUsable(DerivationCost cost);
// The key Argon2id derives from `password` and a `salt` of kSaltSize bytes at
// `cost`, in locked memory that is wiped when it goes. Throws when the cost
// is not usable or memory runs short.
std::unique_ptr<DataKey> DeriveKey(std::string_view password, std::string_view salt, DerivationCost cost);

// Spends what one derivation of `cost` spends and forgets the result: a
// login that fails before it could derive costs as much as one that derives.
void DeriveForNothing(std::string_view password, DerivationCost cost);

// The key row of `user` in the data file (UserKeys): nothing when the user
// has none; a row that cannot be read at all comes back not Intact.
std::optional<KeyRow> ReadKeyRow(store::Connection& db, const std::string& user);
// Replaces the user's key row (there is at most one).
void WriteKeyRow(store::Connection& db, const std::string& user, const KeyRow& row);
void DeleteKeyRow(store::Connection& db, const std::string& user);

}  // namespace qm::vault
