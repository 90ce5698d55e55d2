#pragma once
// The one connection to the data file, standing where the program's
// database connection always stood: it opens the file exclusively, runs
// statement texts, and closes the record sets opened on it when it closes.
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
    // holds fails with a busy error (StoreError::IsBusy).
    void Open(const std::string& path);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    const std::string& Path() const { return path_; }

    // Runs a statement; the texts of the original dialect ("delete T from T
    // where ...") are carried out with the same effect.
    void Execute(std::string_view statement);

    sqlite3* Handle() const { return db_; }

private:
    friend class Recordset;
    void attach(Recordset* rs);
    void detach(Recordset* rs);

    sqlite3* db_ = nullptr;
    std::string path_;
    std::vector<Recordset*> recordsets_;
};

// The statement as SQLite takes it.
std::string TranslateStatement(std::string_view jet);

}  // namespace qm::store
