#include "store/RecycleBin.h"

#include <sqlite3.h>

#include "platform/CrashPoint.h"
#include "store/Connection.h"
#include "store/Statement.h"

namespace qm::store {

namespace {

// The account's columns, in the order both tables hold them.
constexpr const char* kAccountColumns =
    "TypeName, AccountName, AccountPY, AccountID, AccountPassword, RegDate, URL, Remarks, AccountGuid, CreatedTime, "
    "ChangedTime, OtpSecret";

// A category is known by its exact name; an older file may hold "QQ" beside
// "qq", and each is its own category there.
constexpr const char* kIconOfCategory =
    "coalesce((SELECT t.icoIndex FROM AccountType t WHERE t.UserName = d.UserName AND t.TypeName = d.TypeName "
    "COLLATE BINARY LIMIT 1), 11)";

void run(Statement& st) {
    while (st.Step()) {
    }
}

size_t changes(Connection& db) { return static_cast<size_t>(sqlite3_changes(db.Handle())); }

}  // namespace

bool IsReservedTypeName(std::string_view name) {
    // Any part of the text counts, so "帐号", "FTP" and the empty name are reserved too.
    return std::string_view(kReservedTypeNames).find(name) != std::string_view::npos;
}

size_t RecycleBin::Keep(const std::vector<std::string>& guids, int64_t now) {
    Statement put(db_.Handle(), std::string("INSERT INTO RecycleBin (UserName, ") + kAccountColumns +
                                    ", icoIndex, DeletedTime) SELECT d.UserName, " + kAccountColumns + ", " +
                                    kIconOfCategory + ", ?3 FROM AccountData d WHERE d.UserName = ?1 AND d.AccountGuid = ?2");
    size_t kept = 0;
    for (const std::string& guid : guids) {
        if (guid.empty()) continue;
        put.Bind(1, Value(user_));
        put.Bind(2, Value(guid));
        put.Bind(3, Value(now));
        run(put);
        kept += changes(db_);
        put.Reset();
    }
    return kept;
}

size_t RecycleBin::MoveToBin(const std::vector<std::string>& guids, int64_t now) {
    size_t moved = 0;
    AllOrNothing(db_, "bin_move", [&] {
        moved = Keep(guids, now);
        QM_CRASH_POINT("bin.moved");
        Statement drop(db_.Handle(), "DELETE FROM AccountData WHERE UserName = ?1 AND AccountGuid = ?2");
        for (const std::string& guid : guids) {
            if (guid.empty()) continue;
            drop.Bind(1, Value(user_));
            drop.Bind(2, Value(guid));
            run(drop);
            drop.Reset();
        }
    });
    return moved;
}

size_t RecycleBin::MoveCategoryToBin(const std::string& typeName, int64_t icon, int64_t now) {
    size_t moved = 0;
    AllOrNothing(db_, "bin_move", [&] {
        Statement put(db_.Handle(), std::string("INSERT INTO RecycleBin (UserName, ") + kAccountColumns +
                                        ", icoIndex, DeletedTime) SELECT UserName, " + kAccountColumns +
                                        ", ?3, ?4 FROM AccountData WHERE UserName = ?1 AND TypeName = ?2 COLLATE BINARY");
        put.Bind(1, Value(user_));
        put.Bind(2, Value(typeName));
        put.Bind(3, Value(icon));
        put.Bind(4, Value(now));
        run(put);
        moved = changes(db_);
        QM_CRASH_POINT("bin.moved");
        Statement drop(db_.Handle(), "DELETE FROM AccountData WHERE UserName = ?1 AND TypeName = ?2 COLLATE BINARY");
        drop.Bind(1, Value(user_));
        drop.Bind(2, Value(typeName));
        run(drop);
    });
    return moved;
}

std::vector<BinEntry> RecycleBin::List() const {
    std::vector<BinEntry> entries;
    Statement st(db_.Handle(),
                 "SELECT AccountGuid, TypeName, AccountName, AccountID, DeletedTime FROM RecycleBin WHERE UserName = ?1 "
                 "ORDER BY DeletedTime DESC, rowid DESC");
    st.Bind(1, Value(user_));
    while (st.Step()) {
        BinEntry e;
        e.Guid = std::string(st.Cell(0).text);
        e.TypeName = std::string(st.Cell(1).text);
        e.AccountName = std::string(st.Cell(2).text);
        e.AccountID = std::string(st.Cell(3).text);
        e.DeletedTime = st.Column(4).Int();
        entries.push_back(std::move(e));
    }
    return entries;
}

RestoreResult RecycleBin::Restore(const std::string& guid, int64_t now) {
    RestoreResult result;
    AllOrNothing(db_, "bin_restore", [&] {
        int64_t row = 0, icon = 11;
        std::string name, user;
        {
            Statement find(db_.Handle(),
                           "SELECT rowid, TypeName, icoIndex, AccountName, AccountID FROM RecycleBin "
                           "WHERE UserName = ?1 AND AccountGuid = ?2 LIMIT 1");
            find.Bind(1, Value(user_));
            find.Bind(2, Value(guid));
            if (guid.empty() || !find.Step()) return;
            row = find.Cell(0).integer;
            result.TypeName = std::string(find.Cell(1).text);
            if (!find.Column(2).IsNull()) icon = find.Column(2).Int();
            name = std::string(find.Cell(3).text);
            user = std::string(find.Cell(4).text);
        }
        const auto categoryExists = [&](const std::string& typeName) {
            Statement has(db_.Handle(),
                          "SELECT 1 FROM AccountType WHERE UserName = ?1 AND TypeName = ?2 COLLATE BINARY LIMIT 1");
            has.Bind(1, Value(user_));
            has.Bind(2, Value(typeName));
            return has.Step();
        };
        const auto makeCategory = [&](const std::string& typeName, int64_t withIcon) {
            Statement add(db_.Handle(), "INSERT INTO AccountType (UserName, TypeName, icoIndex) VALUES (?1, ?2, ?3)");
            add.Bind(1, Value(user_));
            add.Bind(2, Value(typeName));
            add.Bind(3, Value(withIcon));
            run(add);
            result.CategoryMade = true;
        };
        bool make = false;
        if (!categoryExists(result.TypeName)) {
            if (IsReservedTypeName(result.TypeName)) {
                result.TypeName = kOtherTypeName;
                icon = kOtherTypeIcon;
                make = !categoryExists(result.TypeName);
            } else {
                make = true;
            }
        }
        {
            // As the book tells its accounts apart: the account's name and user name, letter case aside.
            Statement same(db_.Handle(),
                           "SELECT 1 FROM AccountData WHERE UserName = ?1 AND TypeName = ?2 COLLATE BINARY AND "
                           "AccountName = ?3 AND AccountID = ?4 LIMIT 1");
            same.Bind(1, Value(user_));
            same.Bind(2, Value(result.TypeName));
            same.Bind(3, Value(name));
            same.Bind(4, Value(user));
            if (same.Step()) {
                result.Result = RestoreResult::Duplicate;
                return;
            }
        }
        if (make) makeCategory(result.TypeName, icon);
        Statement back(db_.Handle(), std::string("INSERT INTO AccountData (UserName, ") + kAccountColumns +
                                         ") SELECT ?1, ?2, AccountName, AccountPY, AccountID, AccountPassword, RegDate, "
                                         "URL, Remarks, AccountGuid, CreatedTime, ?4, OtpSecret FROM RecycleBin WHERE rowid = ?3");
        back.Bind(1, Value(user_));
        back.Bind(2, Value(result.TypeName));
        back.Bind(3, Value(row));
        back.Bind(4, Value(now));
        run(back);
        QM_CRASH_POINT("bin.restored");
        Statement drop(db_.Handle(), "DELETE FROM RecycleBin WHERE rowid = ?1");
        drop.Bind(1, Value(row));
        run(drop);
        result.Result = RestoreResult::Restored;
    });
    return result;
}

size_t RecycleBin::removeWhere(const std::string& condition, const std::vector<std::string>& binds, const char* savepoint,
                               int64_t now) {
    size_t removed = 0;
    AllOrNothing(db_, savepoint, [&] {
        const auto bindAll = [&](Statement& st) {
            st.Bind(1, Value(user_));
            for (size_t i = 0; i < binds.size(); ++i) st.Bind(static_cast<int>(i + 2), Value(binds[i]));
        };
        Statement record(db_.Handle(), "INSERT INTO RemovedAccounts (UserName, AccountGuid, RemovedTime) SELECT UserName, "
                                       "AccountGuid, " + std::to_string(now) + " FROM RecycleBin WHERE UserName = ?1 AND "
                                       "coalesce(AccountGuid, '') <> '' AND " + condition);
        bindAll(record);
        run(record);
        Statement history(db_.Handle(), "DELETE FROM AccountHistory WHERE UserName = ?1 AND AccountGuid IN "
                                        "(SELECT AccountGuid FROM RecycleBin WHERE UserName = ?1 AND " + condition + ")");
        bindAll(history);
        run(history);
        if (std::string_view(savepoint) == "bin_purge") QM_CRASH_POINT("bin.purged");
        else QM_CRASH_POINT("bin.removed");
        Statement bin(db_.Handle(), "DELETE FROM RecycleBin WHERE UserName = ?1 AND " + condition);
        bindAll(bin);
        run(bin);
        removed = changes(db_);
    });
    return removed;
}

bool RecycleBin::DeleteForever(const std::string& guid, int64_t now) {
    return !guid.empty() && removeWhere("AccountGuid = ?2", {guid}, "bin_delete", now) > 0;
}

size_t RecycleBin::Empty(int64_t now) { return removeWhere("1", {}, "bin_empty", now); }

size_t RecycleBin::Purge(int64_t now, int64_t days) {
    // A user who never syncs would otherwise keep every record for ever.
    Statement forget(db_.Handle(), "DELETE FROM RemovedAccounts WHERE UserName = ?1 AND RemovedTime < ?2");
    forget.Bind(1, Value(user_));
    forget.Bind(2, Value(now - kRemovalsKept));
    run(forget);
    if (days <= 0) return 0;
    // Exactly `days` days in the bin is not yet more than that.
    const int64_t before = now - days * 86400;
    return removeWhere("DeletedTime < " + std::to_string(before), {}, "bin_purge", now);
}

}  // namespace qm::store
