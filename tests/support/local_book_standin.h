#pragma once
// Until the data file's side of the sync (sync/LocalBook) is built, the
// tests' stand-in for it keeps each connection's books in memory, and the
// login-password change time among the user's options as the real one does.
#include <string>

#include "store/Connection.h"

namespace qm::test {

// The next reads of `user`'s book say that `account`'s secret did not open.
void DamageLocalBook(store::Connection& db, const std::string& user, const std::string& account);

// Every book the stand-in holds goes (a new test's connection may sit where an old one sat).
void ForgetLocalBooks();

}  // namespace qm::test
