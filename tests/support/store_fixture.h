#pragma once
// A plain data file with the program's tables in a fresh folder, opened.
#include <sqlite3.h>

#include "store/Connection.h"
#include "store/DataFile.h"
#include "store/Recordset.h"
#include "support/temp_dir.h"

namespace qm::test {

inline void CreatePlainDatabase(const std::string& path) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, store::SchemaSql(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("SystemData.dat");
        CreatePlainDatabase(path);
        conn.Open(path);
    }

    // Adds an account row through a record set, the way the forms do.
    void addAccount(const std::string& user, const std::string& type, const std::string& name,
                    const std::string& id, const std::string& py = "") {
        store::Recordset rs;
        rs.Open("select * from AccountData", conn);
        rs.AddNew();
        rs["UserName"] = user;
        rs["TypeName"] = type;
        rs["AccountName"] = name;
        rs["AccountPY"] = py;
        rs["AccountID"] = id;
        rs.Update();
    }

    TempDir dir;
    std::string path;
    store::Connection conn;
};

}  // namespace qm::test
