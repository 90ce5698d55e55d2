#include "store/Connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

#include "store/ExclusiveVfs.h"
#include "store/Recordset.h"
#include "store/StoreError.h"
#include "store/TextRules.h"

namespace qm::store {

namespace {

size_t skipSpace(std::string_view s, size_t i) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    return i;
}

// Reads a word at `i` (letters, digits, _ or a lone *); empty when there is none.
std::string_view word(std::string_view s, size_t& i) {
    i = skipSpace(s, i);
    const size_t start = i;
    if (i < s.size() && s[i] == '*') return s.substr(i++, 1);
    while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_')) ++i;
    return s.substr(start, i - start);
}

}  // namespace

std::string TranslateStatement(std::string_view jet) {
    // "delete T from T where ..." and "delete * from T ..." name the table
    // twice; SQLite's form is "delete from T where ...".
    size_t i = 0;
    if (CompareNoCase(word(jet, i), "delete") == 0) {
        size_t j = i;
        const std::string_view target = word(jet, j);
        if (!target.empty() && CompareNoCase(target, "from") != 0) {
            size_t k = j;
            if (CompareNoCase(word(jet, k), "from") == 0) return "delete from" + std::string(jet.substr(k));
        }
    }
    return std::string(jet);
}

Connection::~Connection() { Close(); }

void Connection::Open(const std::string& path) {
    Close();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, ExclusiveVfsName());
    if (rc != SQLITE_OK) {
        const std::string message = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        throw StoreError(message, rc);
    }
    // The file itself is held exclusively from the open on; the lock mode
    // keeps the journal open with it. Temporary data stays in memory, so no
    // plain page lands in a shareable temporary file. The first read also
    // proves that the file is a database at all.
    const char* setup =
        "PRAGMA locking_mode = EXCLUSIVE;"
        "PRAGMA temp_store = MEMORY;"
        "BEGIN EXCLUSIVE;"
        "SELECT count(*) FROM sqlite_schema;"
        "COMMIT;";
    char* error = nullptr;
    const int rc2 = sqlite3_exec(db, setup, nullptr, nullptr, &error);
    if (rc2 != SQLITE_OK) {
        const std::string message = "cannot open " + path + ": " + (error ? error : sqlite3_errstr(rc2));
        sqlite3_free(error);
        sqlite3_close(db);
        throw StoreError(message, rc2);
    }
    db_ = db;
    path_ = path;
}

void Connection::Close() {
    for (Recordset* rs : recordsets_) rs->detachFromConnection();
    recordsets_.clear();
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void Connection::Execute(std::string_view statement) {
    if (!db_) throw StoreError("the connection is closed");
    const std::string sql = TranslateStatement(statement);
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const std::string message = sql + ": " + (error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        throw StoreError(message, rc);
    }
}

void Connection::attach(Recordset* rs) {
    if (std::find(recordsets_.begin(), recordsets_.end(), rs) == recordsets_.end()) recordsets_.push_back(rs);
}

void Connection::detach(Recordset* rs) { recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), rs), recordsets_.end()); }

}  // namespace qm::store
