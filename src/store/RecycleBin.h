#pragma once
// The user's recycle bin: a deleted account waits here as its row was, with
// its category's icon and the time it was deleted, until the user restores
// it, deletes it for good, empties the bin, or its days in the bin run out.
// Each change is one transaction; an account is always in the book or in
// the bin, never in both and never in neither.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::store {

class Connection;

// The categories every user is given. A name that is any part of this text
// can neither be given to a category of the user's own nor deleted.
inline constexpr const char* kReservedTypeNames = "FTP帐号,博客帐号,聊天帐号,论坛帐号,网站帐号,银行帐号,邮箱帐号,游戏帐号,其它";
bool IsReservedTypeName(std::string_view name);
// Where an account goes back to when its category's name is reserved now.
inline constexpr const char* kOtherTypeName = "其它";
inline constexpr int kOtherTypeIcon = 9;
// How long the removal of an account is remembered: a PC that has not synced
// for longer may bring it back.
inline constexpr int64_t kRemovalsKept = int64_t{365} * 24 * 3600;

struct BinEntry {
    std::string Guid;
    std::string TypeName;
    std::string AccountName;
    std::string AccountID;
    int64_t DeletedTime = 0;  // UTC seconds
};

struct RestoreResult {
    enum Outcome {
        Restored,
        Missing,    // no such account in the bin
        Duplicate,  // its category already holds an account of that name and user name: it stays in the bin
    } Result = Missing;
    std::string TypeName;       // the category it went back to, or would have
    bool CategoryMade = false;  // that category was made again
};

class RecycleBin {
public:
    RecycleBin(Connection& db, std::string user) : db_(db), user_(std::move(user)) {}

    // Copies the accounts with these identities into the bin, each with its
    // category's icon and `now` as its deletion time, and leaves them in the
    // book: for a caller that removes them itself in the same transaction.
    // Returns how many were copied.
    size_t Keep(const std::vector<std::string>& guids, int64_t now);
    // Moves the accounts with these identities from the book into the bin, in one transaction.
    size_t MoveToBin(const std::vector<std::string>& guids, int64_t now);
    // Moves every account of the category named exactly `typeName` into the
    // bin with the icon `icon` (the category itself is being deleted).
    size_t MoveCategoryToBin(const std::string& typeName, int64_t icon, int64_t now);

    // The bin, newest first.
    std::vector<BinEntry> List() const;

    // Puts the account back into its category. A category that is gone is
    // made again with its old icon, unless its name is reserved now: then the
    // account goes to "其它". An account its category already holds again
    // (same account name and user name) stays in the bin: putting it back
    // would make two accounts no command could tell apart. A restore is a
    // change made at `now`: on another PC it wins over the older deletion.
    RestoreResult Restore(const std::string& guid, int64_t now);

    // Each of these removes accounts for good, with their earlier versions,
    // and records each one's identity and `now` in RemovedAccounts, in the
    // same transaction.
    // The one account; false when it is not in the bin.
    bool DeleteForever(const std::string& guid, int64_t now);
    // Every account of the bin; returns how many.
    size_t Empty(int64_t now);
    // The accounts deleted more than `days` days before `now`; `days` 0 keeps
    // everything. Returns how many. Records of removals older than
    // kRemovalsKept go too, whatever `days`.
    size_t Purge(int64_t now, int64_t days);

private:
    size_t removeWhere(const std::string& condition, const std::vector<std::string>& binds, const char* savepoint,
                       int64_t now);

    Connection& db_;
    std::string user_;
};

}  // namespace qm::store
