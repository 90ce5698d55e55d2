#pragma once
// The logged-in user's book as the data file holds it, read into the sync's
// shape and written back from it.
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
struct LocalRead { std::optional<Book> Contents; std::string DamagedAccount; };  // Contents empty when a stored secret did not open
LocalRead ReadLocalBook(store::Connection& db, const vault::Secrets& secrets, const std::string& user);
void WriteLocalBook(store::Connection& db, const vault::Secrets& secrets, const std::string& user, const Book& before, const Book& merged);  // one transaction; throws with nothing written
}
