#pragma once
// The sync's local side: the logged-in user's book in the data file read
// into the sync's shape, and a merged book written back over it. The stored
// secrets are opened and sealed through the vault in the user's own form,
// bound to their account's identity, so that the data file holds nothing
// the record dialog would not have written.
#include <optional>
#include <string>

#include "sync/Book.h"

namespace qm::store {
class Connection;
}
namespace qm::vault {
class Secrets;
}

namespace qm::sync {

struct LocalRead {
    std::optional<Book> Contents;  // nothing when some stored secret did not open
    std::string DamagedAccount;    // then: the name of the account whose secret (or identity) is damaged
};

// The user's book: every account of the book (AccountData) and of the
// recycle bin (Binned: when it went in), each with its newest kHistoryCap
// earlier versions, the records of accounts erased from the bin, the
// categories with their icons, and when the login password last changed (0
// when never recorded). An account whose identity is not one, or is held by
// two rows, counts as damaged too: it could not be told apart on another PC.
// Throws std::logic_error while `secrets` is locked: nothing opens then.
LocalRead ReadLocalBook(store::Connection& db, const vault::Secrets& secrets, const std::string& user);

// Makes the user's book in the data file equal to `merged`, touching only
// what differs from `before` (the book ReadLocalBook gave): accounts are
// found by identity alone, inserted, updated (a secret whose text is the
// same keeps its stored form), deleted, or moved between the book and the
// bin (which keeps the category's icon); an account's earlier versions are
// written again when they differ; categories are made or given their icon,
// never deleted. One transaction: a failure throws with nothing written.
// Throws std::logic_error while `secrets` is locked: nothing can be sealed.
void WriteLocalBook(store::Connection& db, const vault::Secrets& secrets, const std::string& user, const Book& before,
                    const Book& merged);

}  // namespace qm::sync
