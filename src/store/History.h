#pragma once
// An account's earlier versions (AccountHistory): each kept as it was
// stored, sealed texts verbatim (they stay bound to the account's identity,
// so they still open), with the time it was made and the time a change
// replaced it. Only the newest kHistoryKept of an account stay.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "store/Accounts.h"

namespace qm::store {

class Connection;
class Recordset;

inline constexpr size_t kHistoryKept = 10;
inline constexpr size_t kVersionFields = std::size(kVersionColumns);

// One version of an account: its fields as stored, in kVersionColumns' order.
struct Version {
    std::string Fields[kVersionFields];
    int64_t ChangedTime = 0;
    int64_t ReplacedTime = 0;  // 0 for the account as it stands now

    const std::string& operator[](size_t field) const { return Fields[field]; }
    std::string& operator[](size_t field) { return Fields[field]; }
};

// The version the current row of `rs` (a record set over AccountData) holds.
Version VersionOf(Recordset& rs);

// Keeps `before` as the newest earlier version of `account`, replaced at
// `replaced`, and lets go of the oldest beyond kHistoryKept. Runs inside the
// caller's transaction: the change that replaces `before` belongs in it too.
void KeepVersion(Connection& db, const std::string& user, const std::string& account, const Version& before,
                 int64_t replaced);

// The account's earlier versions, newest first.
std::vector<Version> ReadVersions(Connection& db, const std::string& user, const std::string& account);

}  // namespace qm::store
