#include "store/Connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>

#include "store/ExclusiveVfs.h"
#include "store/Recordset.h"
#include "store/Statement.h"
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
    // Used from the user-interface thread only: no mutex taken at every call
    // (a record set's read makes three calls per field).
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, ExclusiveVfsName());
    if (rc != SQLITE_OK) {
        const std::string message = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        throw StoreError(message, rc);
    }
    // The file itself is held exclusively from the open on; the lock mode
    // keeps the journal open with it. Held so, SQLite would keep the pages a
    // commit replaced in the journal and only zero its header: the old forms
    // of whatever was changed (a login password's fixed-key form, an old key
    // row) would lie there until the next change overwrote them. A size limit
    // of 0 cuts the journal to nothing at every commit and rollback; the cut,
    // synced, is the commit, as the zeroed header was. Temporary data stays
    // in memory, so no plain page lands in a shareable temporary file. Deleted rows are
    // overwritten, so a deleted user or account leaves no readable trace in
    // the file. The first read also proves that the file is a database at all.
    // The record sets keep every row they read, so SQLite's own cache of the
    // same pages stays small (256 KB instead of 2 MB): it would be a second
    // copy of a book of 10,000 accounts, and a page is read again in 1.5 us.
    const char* setup =
        "PRAGMA locking_mode = EXCLUSIVE;"
        "PRAGMA journal_size_limit = 0;"
        "PRAGMA temp_store = MEMORY;"
        "PRAGMA cache_size = -256;"
        "PRAGMA secure_delete = ON;"
        "BEGIN EXCLUSIVE;"
        "SELECT count(*) FROM sqlite_schema;"
        "COMMIT;";
    char* error = nullptr;
    const int rc2 = sqlite3_exec(db, setup, nullptr, nullptr, &error);
    if (rc2 != SQLITE_OK) {
        const std::string message = "cannot open " + path + ": " + (error ? error : sqlite3_errstr(rc2));
        sqlite3_free(error);
        sqlite3_close(db);
        // These fixed statements fail in general only on a file SQLite cannot
        // read as a database of its own ("unsupported file format").
        throw StoreError(message, rc2 == SQLITE_ERROR ? SQLITE_NOTADB : rc2);
    }
    db_ = db;
    path_ = path;
    removeLeftoverJournal();
}

void Connection::removeLeftoverJournal() {
    // The first read has rolled back a hot journal, and SQLite keeps that one
    // open. One it left closed was not hot: what an earlier run's commits
    // left there (an older version kept the replaced pages), which nothing
    // needs and a copy of the folder would carry away. Nobody else can make
    // a journal while the file is held, so it can go now.
    sqlite3_file* journal = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &journal) != SQLITE_OK || !journal ||
        journal->pMethods)
        return;
    sqlite3_vfs* vfs = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_VFS_POINTER, &vfs) != SQLITE_OK || !vfs) return;
    // There may be none (SQLite then says so, and it does not matter). Should
    // the removal fail, the first commit empties it all the same.
    if (const char* name = sqlite3_filename_journal(sqlite3_db_filename(db_, "main"))) vfs->xDelete(vfs, name, 0);
}

void Connection::OpenImage(const std::vector<unsigned char>& image) {
    Close();
    sqlite3* db = nullptr;
    if (const int rc = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr); rc != SQLITE_OK) {
        sqlite3_close(db);
        throw StoreError(std::string("cannot open a database in memory: ") + sqlite3_errstr(rc), rc);
    }
    const auto fail = [db](const std::string& what, int rc) {
        const std::string message = what + ": " + sqlite3_errmsg(db);
        sqlite3_close(db);
        throw StoreError(message, rc);
    };
    const auto size = static_cast<sqlite3_int64>(image.size());
    auto* bytes = static_cast<unsigned char*>(sqlite3_malloc64(static_cast<sqlite3_uint64>(image.empty() ? 1 : image.size())));
    if (!bytes) fail("cannot hold the database in memory", SQLITE_NOMEM);
    std::copy(image.begin(), image.end(), bytes);
    // SQLite owns the bytes from here on, also when it refuses them.
    if (const int rc = sqlite3_deserialize(db, "main", bytes, size, size,
                                           SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE);
        rc != SQLITE_OK)
        fail("cannot read the database", rc);
    if (const int rc = sqlite3_exec(db, "PRAGMA temp_store = MEMORY; SELECT count(*) FROM sqlite_schema;", nullptr, nullptr,
                                    nullptr);
        rc != SQLITE_OK)
        fail("not a database", rc);
    db_ = db;
    path_.clear();
}

void Connection::CheckWhole() const {
    if (!db_) throw StoreError("the connection is closed");
    // A file cut short at a page's end, or by a byte, loses rows or the end of
    // a row without any page looking wrong: SQLite reads what is missing as
    // zeros. Only the size the header counts tells.
    int64_t pageSize = 0, pages = 0;
    if (Statement s(db_, "PRAGMA main.page_size"); s.Step()) pageSize = s.Column(0).Int();
    if (Statement s(db_, "PRAGMA main.page_count"); s.Step()) pages = s.Column(0).Int();
    sqlite3_file* file = nullptr;
    sqlite3_int64 bytes = -1;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file && file->pMethods &&
        file->pMethods->xFileSize(file, &bytes) != SQLITE_OK)
        bytes = -1;
    if (bytes < 0 || bytes != pageSize * pages)
        throw StoreError("the file holds " + std::to_string(bytes) + " bytes where its header counts " +
                             std::to_string(pages) + " pages of " + std::to_string(pageSize),
                         SQLITE_CORRUPT);
    Statement check(db_, "PRAGMA main.quick_check(1)");
    const std::string verdict = check.Step() ? check.Column(0).Text() : "no answer";
    if (verdict != "ok") throw StoreError("the database is damaged: " + verdict, SQLITE_CORRUPT);
}

void Connection::CheckImage(const std::vector<unsigned char>& image) {
    Connection check;
    if (const int rc = sqlite3_open_v2(":memory:", &check.db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr); rc != SQLITE_OK)
        throw StoreError(std::string("cannot open a database in memory: ") + sqlite3_errstr(rc), rc);
    // Read where they lie: SQLite neither copies, frees nor writes them.
    auto* bytes = const_cast<unsigned char*>(image.data());
    const auto size = static_cast<sqlite3_int64>(image.size());
    if (const int rc = sqlite3_deserialize(check.db_, "main", bytes, size, size, SQLITE_DESERIALIZE_READONLY); rc != SQLITE_OK)
        throw StoreError(std::string("cannot read the database: ") + sqlite3_errmsg(check.db_), rc);
    try {
        if (const int rc = sqlite3_exec(check.db_, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr); rc != SQLITE_OK)
            throw StoreError(std::string("not a database: ") + sqlite3_errmsg(check.db_), rc == SQLITE_ERROR ? SQLITE_NOTADB : rc);
        check.CheckWhole();
    } catch (const StoreError& e) {
        // A statement over a damaged file may fail with a plain error.
        throw StoreError(e.what(), (e.Code & 0xFF) == SQLITE_ERROR ? SQLITE_CORRUPT : e.Code);
    }
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

namespace {

// Copies all of `from` into `to` with SQLite's backup, in one transaction of `to`.
void copyDatabase(sqlite3* from, sqlite3* to) {
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) throw StoreError(std::string("cannot copy the database: ") + sqlite3_errmsg(to), sqlite3_errcode(to));
    const int step = sqlite3_backup_step(backup, -1);
    // Finishing rolls back whatever a failed step wrote.
    const int rc = sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE) throw StoreError(std::string("cannot copy the database: ") + sqlite3_errstr(step), step);
    if (rc != SQLITE_OK) throw StoreError(std::string("cannot copy the database: ") + sqlite3_errmsg(to), rc);
}

struct MemoryDb {
    sqlite3* db = nullptr;
    ~MemoryDb() { sqlite3_close(db); }
};

}  // namespace

std::vector<unsigned char> Connection::Image(bool compacted) const {
    if (!db_) throw StoreError("the connection is closed");
    // Copied through the engine, which reports a page it cannot read, into a
    // database in memory: no plain byte of the copy touches the disk.
    MemoryDb copy;
    if (const int rc = sqlite3_open_v2(":memory:", &copy.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr); rc != SQLITE_OK)
        throw StoreError(std::string("cannot open a database in memory: ") + sqlite3_errstr(rc), rc);
    {
        // A database in memory takes the page size of what is copied into it
        // only while it is empty.
        Statement size(db_, "PRAGMA main.page_size");
        if (size.Step()) {
            const std::string pragma = "PRAGMA page_size = " + std::to_string(size.Column(0).Int());
            sqlite3_exec(copy.db, pragma.c_str(), nullptr, nullptr, nullptr);
        }
    }
    copyDatabase(db_, copy.db);
    if (compacted) {
        char* error = nullptr;
        if (const int rc = sqlite3_exec(copy.db, "VACUUM", nullptr, nullptr, &error); rc != SQLITE_OK) {
            const std::string message = std::string("cannot compact the copy: ") + (error ? error : sqlite3_errstr(rc));
            sqlite3_free(error);
            throw StoreError(message, rc);
        }
    }
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(copy.db, "main", &size, 0);
    if (!bytes) throw StoreError("cannot copy the database: out of memory", SQLITE_NOMEM);
    std::vector<unsigned char> image(bytes, bytes + size);
    sqlite3_free(bytes);
    return image;
}

void Connection::CompactInto(const std::string& path) { Execute("VACUUM INTO '" + esc(path) + "'"); }

void Connection::ReplaceContentWith(Connection& source) {
    if (!db_ || !source.db_) throw StoreError("the connection is closed");
    copyDatabase(source.db_, db_);
}

void Connection::attach(Recordset* rs) {
    if (std::find(recordsets_.begin(), recordsets_.end(), rs) == recordsets_.end()) recordsets_.push_back(rs);
}

void Connection::detach(Recordset* rs) { recordsets_.erase(std::remove(recordsets_.begin(), recordsets_.end(), rs), recordsets_.end()); }

}  // namespace qm::store
