// Files of older versions gain the accounts' identities and times once, in
// one transaction, and never lose or change them afterwards.
#include <gtest/gtest.h>

#include <set>

#include "store/Accounts.h"
#include "store/Statement.h"
#include "support/store_fixture.h"

namespace {

class UpgradeTest : public qm::test::StoreTest {
protected:
    // The tables as the versions before identities wrote them.
    void makeOlder() {
        conn.Execute("DROP TABLE AccountData");
        conn.Execute("CREATE TABLE AccountData (UserName TEXT, TypeName TEXT, AccountName TEXT, AccountPY TEXT, "
                     "AccountID TEXT, AccountPassword TEXT, RegDate TEXT, URL TEXT, Remarks TEXT)");
        for (const char* name : {"mail", "bank", "forum"})
            conn.Execute(std::string("INSERT INTO AccountData VALUES ('amy', '其它', '") + name +
                         "', '', 'amy', 'pw', '', '', '')");
    }
    struct Identity {
        std::string guid;
        int64_t created, changed;
        bool operator<(const Identity& o) const { return guid < o.guid; }
    };
    std::vector<Identity> identities() {
        std::vector<Identity> out;
        qm::store::Statement st(conn.Handle(), "SELECT AccountGuid, CreatedTime, ChangedTime FROM AccountData ORDER BY rowid");
        while (st.Step()) out.push_back({st.Column(0).Text(), st.Column(1).Int(), st.Column(2).Int()});
        return out;
    }
    int64_t changes() { return sqlite3_total_changes64(conn.Handle()); }
};

}  // namespace

TEST_F(UpgradeTest, AnOlderFileGainsIdentitiesAndTimesOnceAndKeepsThem) {
    makeOlder();
    qm::store::UpgradeTables(conn, 1000);
    const std::vector<Identity> first = identities();
    ASSERT_EQ(first.size(), 3u);
    std::set<std::string> distinct;
    for (const Identity& i : first) {
        EXPECT_EQ(i.guid.size(), 32u);
        EXPECT_EQ(i.guid.find_first_not_of("0123456789abcdef"), std::string::npos) << i.guid;
        EXPECT_EQ(i.created, 1000);
        EXPECT_EQ(i.changed, 1000);
        distinct.insert(i.guid);
    }
    EXPECT_EQ(distinct.size(), 3u);
    for (const char* table : qm::store::kOwnTables) {
        qm::store::Statement st(conn.Handle(), std::string("SELECT count(*) FROM ") + table);
        EXPECT_TRUE(st.Step()) << table;
    }

    // The next open writes nothing and changes nothing.
    const int64_t before = changes();
    qm::store::UpgradeTables(conn, 2000);
    EXPECT_EQ(changes(), before);
    EXPECT_EQ(identities().size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(identities()[i].guid, first[i].guid);

    // Rows a restore brought from an older backup are given theirs; the others keep theirs.
    conn.Execute("INSERT INTO AccountData (UserName, AccountName) VALUES ('amy', 'new')");
    qm::store::UpgradeTables(conn, 3000);
    const std::vector<Identity> after = identities();
    ASSERT_EQ(after.size(), 4u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(after[i].guid, first[i].guid);
    EXPECT_EQ(after[3].guid.size(), 32u);
    EXPECT_EQ(after[3].changed, 3000);
}

TEST_F(UpgradeTest, AFailureHalfwayLeavesTheOlderFileAsItWas) {
    makeOlder();
    // The identities' write fails as on a full disk, after the columns and tables were added.
    conn.Execute("CREATE TEMP TRIGGER full BEFORE UPDATE ON AccountData BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    EXPECT_ANY_THROW(qm::store::UpgradeTables(conn, 1000));
    EXPECT_TRUE(sqlite3_get_autocommit(conn.Handle())) << "no transaction is left open";
    qm::store::Statement columns(conn.Handle(), "SELECT count(*) FROM pragma_table_info('AccountData')");
    ASSERT_TRUE(columns.Step());
    EXPECT_EQ(columns.Column(0).Int(), 9) << "no column was added";
    qm::store::Statement bin(conn.Handle(), "SELECT count(*) FROM sqlite_schema WHERE name = 'RecycleBin'");
    ASSERT_TRUE(bin.Step());
    EXPECT_EQ(bin.Column(0).Int(), 0) << "nor a table";
    conn.Execute("DROP TRIGGER full");
    qm::store::UpgradeTables(conn, 1000);
    EXPECT_EQ(identities().size(), 3u);
}

TEST_F(UpgradeTest, EveryTableOfAccountsGainsTheAuthenticatorSecretAtItsEnd) {
    // The tables as the version before the one-time codes wrote them.
    qm::store::UpgradeTables(conn, 1000);
    for (const char* table : {"AccountData", "AccountHistory", "RecycleBin"}) {
        conn.Execute(std::string("CREATE TABLE old AS SELECT * FROM ") + table);
        conn.Execute(std::string("DROP TABLE ") + table);
        conn.Execute(std::string("ALTER TABLE old RENAME TO ") + table);
        conn.Execute(std::string("ALTER TABLE ") + table + " DROP COLUMN OtpSecret");
    }
    conn.Execute("INSERT INTO AccountData (UserName, AccountName, AccountGuid) VALUES ('amy', 'mail', 'g1')");
    qm::store::UpgradeTables(conn, 2000);
    for (const char* table : {"AccountData", "AccountHistory", "RecycleBin"}) {
        SCOPED_TRACE(table);
        qm::store::Statement last(conn.Handle(), std::string("SELECT name FROM pragma_table_info('") + table +
                                                     "') ORDER BY cid DESC LIMIT 1");
        ASSERT_TRUE(last.Step());
        EXPECT_EQ(last.Column(0).Text(), "OtpSecret");
    }
    EXPECT_EQ(identities().size(), 1u);
    EXPECT_EQ(identities()[0].guid, "g1");
}
