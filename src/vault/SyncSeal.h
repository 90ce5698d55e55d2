#pragma once
// The sealed frame of a sync file: the whole content of a book, sealed at
// once under a key Argon2id derives from the login password with a salt of
// the file's own. A file lies in a folder another program copies between
// PCs, so it holds nothing readable but its header:
//
//   QMSYNC <version> <salt, 32 hex> <passes> <memory bytes>\n
//   nonce (24 bytes)
//   XChaCha20-Poly1305 of the content, the header line as associated data
//   checksum (BLAKE2b-128 of everything before it)
//
// The checksum keeps its place and form in every version, so that a damaged
// file is told from a wrong password (the tag alone cannot tell them apart)
// and from a file of a newer version.
#include <memory>
#include <string>
#include <string_view>

#include "platform/Wiped.h"
#include "vault/UserKey.h"

namespace qm::vault {

inline constexpr std::string_view kSyncMark = "QMSYNC";
inline constexpr int kSyncVersion = 1;

// A sync file's key: derived once, it seals the file read and the file
// written back after a merge without a second derivation.
struct SyncKey {
    std::string Salt;
    DerivationCost Cost;
    std::shared_ptr<const DataKey> Key;

    // A key for a new file: a fresh salt, derived from `password` at `cost`.
    static SyncKey Make(std::string_view password, DerivationCost cost);
};

enum class SyncOpen { Opened, NotSyncFile, Newer, Damaged, WrongPassword };

// What the user is told when a sync file does not open; null for Opened.
const char* SyncOpenMessage(SyncOpen result);

struct OpenedSync {
    SyncOpen Result = SyncOpen::Damaged;
    platform::WipedString Content;  // the deciphered content, when Opened
    std::shared_ptr<SyncKey> Key;   // the file's key, when Opened
};

// The sealed file of `content` under `key`, with a fresh nonce.
std::string SealSync(std::string_view content, const SyncKey& key);
// Opens a sync file's bytes with the login password. Nothing of a file that
// is refused comes back.
OpenedSync OpenSync(std::string_view file, std::string_view password);
// Opens a sync file's bytes with a key derived before, without deriving:
// WrongPassword when the file is sealed under another salt or cost, or
// under another password with the same ones.
OpenedSync OpenSync(std::string_view file, const std::shared_ptr<SyncKey>& key);

}  // namespace qm::vault
