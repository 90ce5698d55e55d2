#include "store/DataFile.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/CrashPoint.h"
#include "platform/files.h"
#include "store/Accounts.h"
#include "store/Connection.h"
#include "store/StoreError.h"
#include "store/TextRules.h"

namespace qm::store {

namespace {

constexpr char kSqliteMagic[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f', 'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};

}  // namespace

const char* SchemaSql() {
    // Text compares ignore ASCII case everywhere (COLLATE NOCASE), as the
    // filters do. Yes/no columns are integers (-1 true, 0 false); the backup
    // date is text "yyyy-mm-dd", so it keeps exactly what was written.
    return R"sql(
CREATE TABLE sysuser (
    UserName TEXT COLLATE NOCASE,
    UserPassword TEXT COLLATE NOCASE,
    AutoBackup INTEGER,
    PriorBackupDate TEXT COLLATE NOCASE,
    AutoBackupPath TEXT COLLATE NOCASE,
    AutoCompress INTEGER,
    MinLockTime INTEGER,
    ShowPassword INTEGER,
    ClearClipboard INTEGER,
    ShortcutUser TEXT COLLATE NOCASE,
    ShortcutPassword TEXT COLLATE NOCASE,
    ShortcutURL TEXT COLLATE NOCASE,
    WinRun INTEGER,
    TypeNameWidth INTEGER,
    AccountNameWidth INTEGER,
    AccountIDWidth INTEGER,
    AccountPasswordWidth INTEGER,
    URLWidth INTEGER,
    Custom1 TEXT COLLATE NOCASE,
    Custom2 INTEGER
);
CREATE TABLE AccountType (
    UserName TEXT COLLATE NOCASE,
    TypeName TEXT COLLATE NOCASE,
    icoIndex INTEGER
);
CREATE TABLE AccountData (
    UserName TEXT COLLATE NOCASE,
    TypeName TEXT COLLATE NOCASE,
    AccountName TEXT COLLATE NOCASE,
    AccountPY TEXT COLLATE NOCASE,
    AccountID TEXT COLLATE NOCASE,
    AccountPassword TEXT COLLATE NOCASE,
    RegDate TEXT COLLATE NOCASE,
    URL TEXT COLLATE NOCASE,
    Remarks TEXT COLLATE NOCASE,
    AccountGuid TEXT,
    CreatedTime INTEGER,
    ChangedTime INTEGER,
    OtpSecret TEXT
);
CREATE INDEX AccountTypeByUser ON AccountType(UserName);
CREATE INDEX AccountDataByUser ON AccountData(UserName, TypeName);
)sql";
}

namespace {

// The settings the three tables have no column for, as named texts; for a
// user whose secrets are sealed, the sealed data key with the salt and cost
// of the password's derivation; the earlier versions of each account
// (AccountHistory: the version's fields and change time, and when it was
// replaced); the user's recycle bin (RecycleBin: the account row as it was,
// its category's icon, and when it was deleted); the accounts erased from
// the bin (RemovedAccounts: the identity and when), so that a sync lets
// another PC's copy of them go instead of bringing them back.
struct OwnTable {
    const char* name;
    const char* sql;
};
constexpr OwnTable kOwnTableSql[] = {
    {"UserOptions", R"sql(
CREATE TABLE UserOptions (
    UserName TEXT COLLATE NOCASE,
    Name TEXT COLLATE NOCASE,
    Value TEXT
);
CREATE INDEX UserOptionsByUser ON UserOptions(UserName, Name);
)sql"},
    {"UserKeys", R"sql(
CREATE TABLE UserKeys (
    UserName TEXT COLLATE NOCASE,
    Version INTEGER,
    Salt TEXT,
    OpsLimit INTEGER,
    MemLimit INTEGER,
    SealedKey TEXT,
    Checksum TEXT
);
CREATE INDEX UserKeysByUser ON UserKeys(UserName);
)sql"},
    {"AccountHistory", R"sql(
CREATE TABLE AccountHistory (
    UserName TEXT COLLATE NOCASE,
    AccountGuid TEXT,
    TypeName TEXT COLLATE NOCASE,
    AccountName TEXT COLLATE NOCASE,
    AccountID TEXT COLLATE NOCASE,
    AccountPassword TEXT COLLATE NOCASE,
    RegDate TEXT COLLATE NOCASE,
    URL TEXT COLLATE NOCASE,
    Remarks TEXT COLLATE NOCASE,
    ChangedTime INTEGER,
    ReplacedTime INTEGER,
    OtpSecret TEXT
);
CREATE INDEX AccountHistoryByAccount ON AccountHistory(UserName, AccountGuid);
)sql"},
    {"RecycleBin", R"sql(
CREATE TABLE RecycleBin (
    UserName TEXT COLLATE NOCASE,
    TypeName TEXT COLLATE NOCASE,
    AccountName TEXT COLLATE NOCASE,
    AccountPY TEXT COLLATE NOCASE,
    AccountID TEXT COLLATE NOCASE,
    AccountPassword TEXT COLLATE NOCASE,
    RegDate TEXT COLLATE NOCASE,
    URL TEXT COLLATE NOCASE,
    Remarks TEXT COLLATE NOCASE,
    AccountGuid TEXT,
    CreatedTime INTEGER,
    ChangedTime INTEGER,
    icoIndex INTEGER,
    DeletedTime INTEGER,
    OtpSecret TEXT
);
CREATE INDEX RecycleBinByUser ON RecycleBin(UserName);
)sql"},
    {"RemovedAccounts", R"sql(
CREATE TABLE RemovedAccounts (
    UserName TEXT COLLATE NOCASE,
    AccountGuid TEXT,
    RemovedTime INTEGER
);
CREATE INDEX RemovedAccountsByUser ON RemovedAccounts(UserName, AccountGuid);
)sql"},
};

static_assert(std::size(kOwnTableSql) == std::size(kOwnTables), "every own table has its statement");

// Columns a table gained after files were written without them; each is
// added at the end of its table, where no older version reads.
struct AddedColumn {
    const char* table;
    const char* column;
    const char* type;
};
constexpr AddedColumn kAddedColumns[] = {
    {"AccountData", "AccountGuid", "TEXT"},
    {"AccountData", "CreatedTime", "INTEGER"},
    {"AccountData", "ChangedTime", "INTEGER"},
    {"AccountData", "OtpSecret", "TEXT"},
    {"AccountHistory", "OtpSecret", "TEXT"},
    {"RecycleBin", "OtpSecret", "TEXT"},
};

bool hasTable(sqlite3* h, const char* table) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1", -1, &st, nullptr) != SQLITE_OK)
        throw StoreError(std::string("cannot read the tables: ") + sqlite3_errmsg(h));
    sqlite3_bind_text(st, 1, table, -1, SQLITE_STATIC);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw StoreError(std::string("cannot read the tables: ") + sqlite3_errmsg(h));
    return rc == SQLITE_ROW;
}

bool hasColumn(sqlite3* h, const char* table, const char* column) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2", -1, &st, nullptr) != SQLITE_OK)
        throw StoreError(std::string("cannot read the columns: ") + sqlite3_errmsg(h));
    sqlite3_bind_text(st, 1, table, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, column, -1, SQLITE_STATIC);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw StoreError(std::string("cannot read the columns: ") + sqlite3_errmsg(h));
    return rc == SQLITE_ROW;
}

}  // namespace

std::string OwnTablesSql() {
    std::string sql;
    for (const OwnTable& t : kOwnTableSql) sql += t.sql;
    return sql;
}

void UpgradeTables(Connection& db, int64_t now) {
    sqlite3* h = db.Handle();
    // A file that has everything is not written at all; one that lacks
    // something gains it in one transaction, its accounts' identities too.
    std::string sql;
    std::vector<std::string_view> made;  // made whole here: they need no column added
    for (const OwnTable& t : kOwnTableSql)
        if (!hasTable(h, t.name)) {
            sql += t.sql;
            made.push_back(t.name);
        }
    for (const AddedColumn& c : kAddedColumns)
        if (std::find(made.begin(), made.end(), c.table) == made.end() && !hasColumn(h, c.table, c.column))
            sql += std::string("ALTER TABLE ") + c.table + " ADD COLUMN " + c.column + " " + c.type + ";";
    const bool anonymous = LacksIdentities(db);
    if (sql.empty() && !anonymous) return;
    AllOrNothing(db, "upgrade_tables", [&] {
        if (!sql.empty()) {
            char* error = nullptr;
            if (const int rc = sqlite3_exec(h, sql.c_str(), nullptr, nullptr, &error); rc != SQLITE_OK) {
                const std::string message = std::string("cannot add the tables: ") + (error ? error : "");
                sqlite3_free(error);
                throw StoreError(message, rc);
            }
        }
        QM_CRASH_POINT("upgrade.tables");
        GiveIdentities(db, now);
    });
}

void RenameOwnRows(Connection& db, const std::string& from, const std::string& to) {
    for (const char* table : kOwnTables)
        db.Execute(std::string("update ") + table + " set UserName = '" + esc(to) + "' where UserName = '" + esc(from) + "'");
}

void DeleteOwnRows(Connection& db, const std::string& user) {
    for (const char* table : kOwnTables)
        db.Execute(std::string("delete ") + table + " from " + table + " where UserName = '" + esc(user) + "'");
}

FileForm InspectDataFile(const std::string& path) {
    if (!platform::FileExists(path)) return FileForm::Missing;
    std::vector<unsigned char> bytes;
    try {
        bytes = platform::ReadFileStart(path, 512);
    } catch (const platform::FileError& e) {
        // A backup or virus scanner holding the file says nothing about its bytes.
        return e.Fault == platform::FileFault::InUse ? FileForm::InUse : FileForm::Unknown;
    }
    if (bytes.size() < 512) return FileForm::Unknown;  // smaller than any database
    if (std::memcmp(bytes.data(), kSqliteMagic, sizeof kSqliteMagic) == 0) return FileForm::Plain;
    const std::string_view key = crypto::kDataFileKey;
    for (size_t i = 0; i < sizeof kSqliteMagic; ++i)
        if (bytes[i] != (static_cast<unsigned char>(kSqliteMagic[i]) ^ static_cast<unsigned char>(key[i % key.size()])))
            return FileForm::Unknown;
    return FileForm::Enciphered;
}

void WriteEmptyDataFile(const std::string& path, crypto::clsSimpleXOR& cipher) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw StoreError("cannot create the empty database");
    }
    char* error = nullptr;
    const std::string schema = std::string(SchemaSql()) + OwnTablesSql();
    if (sqlite3_exec(db, schema.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = std::string("cannot create the tables: ") + (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
        throw StoreError(message);
    }
    sqlite3_int64 size = 0;
    unsigned char* image = sqlite3_serialize(db, "main", &size, 0);
    if (!image) {
        sqlite3_close(db);
        throw StoreError("cannot create the empty database");
    }
    std::vector<unsigned char> bytes(image, image + size);
    sqlite3_free(image);
    sqlite3_close(db);
    cipher.EncryptByte(bytes, crypto::kDataFileKey);
    try {
        platform::ReplaceFileContents(path, bytes);
    } catch (const platform::FileError& e) {
        throw StoreError(e.what());
    }
}

std::string GetAppPath() {
    std::string folder = platform::ProgramFolder();
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

std::string PathIn(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

}  // namespace qm::store
