#pragma once
// The sync file: a book written out whole and sealed whole (vault/SyncSeal).
// A file of our own rather than a second SQLite database: it is read and
// written in one piece, so it can be sealed as one, and its plain form only
// ever lives in wiping memory, never in a temporary file on disk that the
// sync service might pick up.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sync/Book.h"
#include "vault/SyncSeal.h"

namespace qm::sync {

// The plain content: numbers little-endian, each text its length (4 bytes)
// then its bytes.
Secret Serialise(const Book& book);
// The book, or nothing when `content` is not exactly one well-formed book
// (a bad identity, one identity twice, a count beyond the bytes, bytes left).
std::optional<Book> Parse(std::string_view content);

// The sync file's bytes for `book`.
std::string WriteSyncFile(const Book& book, const vault::SyncKey& key);

struct ReadSync {
    vault::SyncOpen Result = vault::SyncOpen::Damaged;
    Book Contents;                         // when Opened
    std::shared_ptr<vault::SyncKey> Key;   // when Opened: to write the merged book back
};
// Reads a sync file with the login password; a file that opens but does not
// hold a well-formed book is Damaged. Nothing of a refused file is kept.
ReadSync ReadSyncFile(std::string_view file, std::string_view password);
// The same with a key derived before (vault::OpenSync with a key): no derivation.
ReadSync ReadSyncFile(std::string_view file, const std::shared_ptr<vault::SyncKey>& key);

}  // namespace qm::sync
