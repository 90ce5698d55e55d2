#pragma once
// Switching strong protection on and off for the logged-in user, and giving
// the user a new login password. Each is one transaction: a failure (or a
// death of the process) at any point leaves the user wholly in the old form
// or wholly in the new one.
#include <string_view>

#include "vault/Secrets.h"

namespace qm::store {
class Connection;
class Recordset;
}  // namespace qm::store

namespace qm::vault {

// `users` is the record set positioned on the logged-in user's row,
// `proven` what that user's login password `password` proved (Right). The
// accounts are read and written on `db` directly; record sets over them
// read their rows anew afterwards.
//
// On: a random data key, sealed under the password, seals every password
// and remark of the user; the user row keeps only a marker. Nothing happens
// when the user is protected already.
void SwitchOn(store::Connection& db, store::Recordset& users, Secrets& secrets, const Proven& proven,
              std::string_view password);
// Off: every password and remark goes back to the fixed-key forms, the key
// row goes, and the user row holds the login password's fixed-key form again.
void SwitchOff(store::Connection& db, store::Recordset& users, Secrets& secrets, const Proven& proven,
               std::string_view password);
// A new login password. A protected user gets a new data key, sealed under
// the new password, and every password and remark is sealed again under it.
void NewPassword(store::Connection& db, store::Recordset& users, Secrets& secrets, const Proven& proven,
                 std::string_view newPassword);

}  // namespace qm::vault
