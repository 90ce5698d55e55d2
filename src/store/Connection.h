#pragma once
// The one connection to the data file, standing where the program's
// database connection always stood: it opens the file exclusively, runs
// statement texts, and closes the record sets opened on it when it closes.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace qm::store {

class Recordset;

class Connection {
public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Opens an existing database file so that, until Close, no other program
    // can open it at all, not even to read. A file that another program
    // holds fails with a busy error (StoreError::IsBusy). A hot journal
    // beside it is rolled back; any other is removed. From then on the
    // journal is emptied at every commit: no file holds what a commit replaced.
    void Open(const std::string& path);
    // Opens a database that lives in memory only, made from the bytes of a
    // database file: reading a backup this way leaves no plain copy on the disk.
    void OpenImage(const std::vector<unsigned char>& image);
    void Close();
    // Proves the database whole before anything relies on it: the file holds
    // exactly the pages its header counts, and every page and every row's
    // layout reads back well formed. Reads the whole database and writes
    // nothing; throws StoreError (IsDamagedFile) naming the first fault.
    void CheckWhole() const;
    // The same for the bytes of a database file held in memory, which are
    // only read: cheaper than reading a file page by page, and nothing
    // touches the disk.
    static void CheckImage(const std::vector<unsigned char>& image);
    bool IsOpen() const { return db_ != nullptr; }
    const std::string& Path() const { return path_; }

    // Runs a statement; the texts of the original dialect ("delete T from T
    // where ...") are carried out with the same effect.
    void Execute(std::string_view statement);

    // The database's bytes as a file of it would hold them, built in memory;
    // `compacted`: those of a compacted copy (no unused space).
    std::vector<unsigned char> Image(bool compacted) const;
    // Writes a compacted copy of the database to `path`, which must not exist yet.
    void CompactInto(const std::string& path);
    // Makes this database a copy of `source`, in one transaction: all of it
    // or, on any failure, nothing. The connection stays open throughout.
    void ReplaceContentWith(Connection& source);

    sqlite3* Handle() const { return db_; }

private:
    friend class Recordset;
    void attach(Recordset* rs);
    void detach(Recordset* rs);
    void removeLeftoverJournal();

    sqlite3* db_ = nullptr;
    std::string path_;
    std::vector<Recordset*> recordsets_;
};

// The statement as SQLite takes it.
std::string TranslateStatement(std::string_view jet);

// Runs `work` inside the savepoint `name` on `db`: all of it stays, or on an
// error none of it does and the error goes on to the caller.
template <class F>
void AllOrNothing(Connection& db, const char* name, F&& work) {
    db.Execute(std::string("SAVEPOINT ") + name);
    try {
        work();
        db.Execute(std::string("RELEASE ") + name);
    } catch (...) {
        try {
            db.Execute(std::string("ROLLBACK TO ") + name + "; RELEASE " + name);
        } catch (const std::exception&) {
        }
        throw;
    }
}

}  // namespace qm::store
