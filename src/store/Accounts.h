#pragma once
// What every account carries beyond its fields: an identity that no edit,
// rename, compaction, backup or restore changes (row ids may change when
// SQLite compacts a table, so nothing leans on them), and the times it was
// made and last changed.
#include <cstdint>
#include <string>

namespace qm::store {

class Connection;

// 128 random bits as 32 lower-case hexadecimal digits.
std::string NewAccountIdentity();

// The fields of an account that make one of its versions, in the order the
// history keeps them.
inline constexpr const char* kVersionColumns[] = {"TypeName", "AccountName", "AccountID", "AccountPassword",
                                                  "RegDate",  "URL",         "Remarks",  "OtpSecret"};

// Whether some account row has no identity yet (a file of an older version,
// or rows a restore brought from one).
bool LacksIdentities(Connection& db);
// Gives each such row a new identity and `now` as its creation and change time.
void GiveIdentities(Connection& db, int64_t now);

}  // namespace qm::store
