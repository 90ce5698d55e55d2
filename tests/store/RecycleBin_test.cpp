// Deleted accounts wait in the bin and come back whole, into the category
// they left (made again when it is gone), or stay there when coming back
// would make two accounts no command could tell apart.
#include <gtest/gtest.h>

#include "store/RecycleBin.h"
#include "store/Statement.h"
#include "support/store_fixture.h"

using qm::store::RecycleBin;
using qm::store::RestoreResult;

namespace {

class RecycleBinStore : public qm::test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        conn.Execute(qm::store::OwnTablesSql());
    }
    void category(const std::string& user, const std::string& name, int icon) {
        conn.Execute("INSERT INTO AccountType VALUES ('" + user + "', '" + name + "', " + std::to_string(icon) + ")");
    }
    // An account with the identity `guid` and one earlier version.
    void account(const std::string& user, const std::string& type, const std::string& name, const std::string& guid) {
        conn.Execute("INSERT INTO AccountData (UserName, TypeName, AccountName, AccountPY, AccountID, AccountPassword, "
                     "RegDate, URL, Remarks, AccountGuid, CreatedTime, ChangedTime) VALUES ('" + user + "', '" + type +
                     "', '" + name + "', 'py', 'id', 'sealed', '2020-01-02', 'http://x', 'r', '" + guid + "', 5, 6)");
        conn.Execute("INSERT INTO AccountHistory (UserName, AccountGuid, AccountName) VALUES ('" + user + "', '" + guid +
                     "', 'old')");
    }
    std::string one(const std::string& sql) {
        qm::store::Statement st(conn.Handle(), sql);
        return st.Step() ? st.Column(0).Text() : "<none>";
    }
    std::string count(const std::string& table, const std::string& where = "1") {
        return one("SELECT count(*) FROM " + table + " WHERE " + where);
    }
    // The whole row as the book keeps it, to prove a round trip keeps every field.
    std::string row(const std::string& guid) {
        return one("SELECT UserName||'|'||TypeName||'|'||AccountName||'|'||AccountPY||'|'||AccountID||'|'||AccountPassword||'|'||"
                   "RegDate||'|'||URL||'|'||Remarks||'|'||CreatedTime||'|'||ChangedTime FROM AccountData WHERE AccountGuid = '" +
                   guid + "'");
    }
};

}  // namespace

TEST_F(RecycleBinStore, RestorePutsTheAccountBackWholeWhereItBelongs) {
    struct Row {
        const char* what;
        const char* type;       // the account's category when deleted
        bool typeStays;         // the category still exists at the restore
        bool duplicate;         // an account of the same name and user name is in that category again
        RestoreResult::Outcome result;
        const char* backTo;     // the category it is in afterwards
        const char* icon;       // that category's icon
    };
    const Row rows[] = {
        {"category kept", "工作", true, false, RestoreResult::Restored, "工作", "4"},
        {"category gone: made again with its icon", "工作", false, false, RestoreResult::Restored, "工作", "4"},
        {"reserved name gone: into 其它", "帐号", false, false, RestoreResult::Restored, "其它", "9"},
        {"same account again", "工作", true, true, RestoreResult::Duplicate, "工作", "4"},
        {"same account again, category made anew", "工作", false, true, RestoreResult::Duplicate, "工作", "11"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        conn.Execute("DELETE FROM AccountType; DELETE FROM AccountData; DELETE FROM RecycleBin; DELETE FROM AccountHistory");
        category("amy", r.type, 4);
        account("amy", r.type, "mail", "g1");
        const std::string before = row("g1");
        ASSERT_EQ(RecycleBin(conn, "amy").MoveToBin({"g1"}, 1000), 1u);
        EXPECT_EQ(row("g1"), "<none>");
        if (!r.typeStays) conn.Execute("DELETE FROM AccountType");
        if (r.duplicate) {
            if (!r.typeStays) category("amy", r.type, 11);
            account("amy", r.type, "MAIL", "g2");  // letter case makes no other account
        }
        const RestoreResult result = RecycleBin(conn, "amy").Restore("g1", 2000);
        EXPECT_EQ(result.Result, r.result);
        EXPECT_EQ(result.TypeName, r.backTo);
        EXPECT_EQ(one("SELECT icoIndex FROM AccountType WHERE TypeName = '" + std::string(r.backTo) + "'"), r.icon);
        EXPECT_EQ(count("AccountType"), "1");
        if (r.result == RestoreResult::Restored) {
            std::string expected = before;
            expected.replace(expected.find(r.type), std::string(r.type).size(), r.backTo);
            // A restore is a change: on another PC it wins over the older deletion.
            expected.replace(expected.rfind('|') + 1, std::string::npos, "2000");
            EXPECT_EQ(row("g1"), expected);
            EXPECT_EQ(count("RecycleBin"), "0");
        } else {
            EXPECT_EQ(row("g1"), "<none>");
            EXPECT_EQ(count("RecycleBin"), "1");
        }
        EXPECT_EQ(count("AccountHistory", "AccountGuid = 'g1'"), "1") << "the earlier versions stay with the account";
    }
    EXPECT_EQ(RecycleBin(conn, "amy").Restore("no such", 2000).Result, RestoreResult::Missing);
}

TEST_F(RecycleBinStore, ACategorysAccountsGoTogetherWithItsIconAndNewestShowFirst) {
    category("amy", "QQ", 7);
    account("amy", "QQ", "a", "g1");
    account("amy", "QQ", "b", "g2");
    account("amy", "qq", "c", "g3");  // another category in an older file: letter case counts
    account("bob", "QQ", "d", "g4");
    RecycleBin amy(conn, "amy");
    ASSERT_EQ(amy.MoveToBin({"g3"}, 100), 1u);
    ASSERT_EQ(amy.MoveCategoryToBin("QQ", 7, 200), 2u);
    EXPECT_EQ(count("AccountData"), "1") << "only bob's account stays";
    EXPECT_EQ(count("RecycleBin", "icoIndex = 7 AND DeletedTime = 200"), "2");
    EXPECT_EQ(count("RecycleBin", "AccountGuid = 'g3' AND icoIndex = 11"), "1") << "a category with no row: the default icon";
    const auto list = amy.List();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].DeletedTime, 200);
    EXPECT_EQ(list[2].Guid, "g3");
    EXPECT_EQ(list[2].TypeName, "qq");
    EXPECT_EQ(list[2].AccountName, "c");
    EXPECT_TRUE(RecycleBin(conn, "bob").List().empty());
    EXPECT_EQ(RecycleBin(conn, "bob").MoveToBin({"g1"}, 300), 0u) << "another user's bin cannot take amy's account";
}

TEST_F(RecycleBinStore, PurgeDeleteForeverAndEmptyTakeTheHistoryWithThem) {
    const int64_t day = 86400, now = 100 * day;
    struct Row {
        int64_t days;
        int64_t deletedAgo;
        bool gone;
    };
    const Row rows[] = {{30, 30 * day, false}, {30, 30 * day + 1, true}, {30, 31 * day, true}, {30, 29 * day, false},
                        {1, day + 1, true},    {0, 99 * day, false},     {0, 0, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.days) + " days, deleted " + std::to_string(r.deletedAgo) + " s ago");
        conn.Execute("DELETE FROM AccountData; DELETE FROM RecycleBin; DELETE FROM AccountHistory");
        account("amy", "其它", "a", "g1");
        account("bob", "其它", "b", "g2");
        RecycleBin(conn, "amy").MoveToBin({"g1"}, now - r.deletedAgo);
        RecycleBin(conn, "bob").MoveToBin({"g2"}, 0);
        EXPECT_EQ(RecycleBin(conn, "amy").Purge(now, r.days), r.gone ? 1u : 0u);
        EXPECT_EQ(count("RecycleBin", "AccountGuid = 'g1'"), r.gone ? "0" : "1");
        EXPECT_EQ(count("AccountHistory", "AccountGuid = 'g1'"), r.gone ? "0" : "1");
        EXPECT_EQ(count("RecycleBin", "AccountGuid = 'g2'"), "1") << "another user's bin is not purged";
        EXPECT_EQ(count("RemovedAccounts", "AccountGuid = 'g1' AND UserName = 'amy' AND RemovedTime = " + std::to_string(now)),
                  r.gone ? "1" : "0");
        EXPECT_EQ(count("RemovedAccounts", "AccountGuid = 'g2'"), "0");
        conn.Execute("DELETE FROM RemovedAccounts");
    }

    for (int emptyAll = 0; emptyAll < 2; ++emptyAll) {
        SCOPED_TRACE(emptyAll ? "empty" : "delete forever");
        conn.Execute("DELETE FROM AccountData; DELETE FROM RecycleBin; DELETE FROM AccountHistory");
        for (const char* g : {"g1", "g2"}) account("amy", "其它", g, g);
        account("amy", "其它", "kept", "g3");
        account("bob", "其它", "b", "g4");
        RecycleBin(conn, "amy").MoveToBin({"g1", "g2"}, 10);
        RecycleBin(conn, "bob").MoveToBin({"g4"}, 10);
        if (emptyAll)
            EXPECT_EQ(RecycleBin(conn, "amy").Empty(20), 2u);
        else
            EXPECT_TRUE(RecycleBin(conn, "amy").DeleteForever("g1", 20));
        EXPECT_EQ(count("RemovedAccounts", "UserName = 'amy' AND RemovedTime = 20 AND AccountGuid IN ('g1', 'g2')"),
                  emptyAll ? "2" : "1");
        EXPECT_EQ(count("RemovedAccounts", "AccountGuid IN ('g3', 'g4')"), "0") << "only what was erased is recorded";
        conn.Execute("DELETE FROM RemovedAccounts");
        EXPECT_EQ(count("RecycleBin", "UserName = 'amy'"), emptyAll ? "0" : "1");
        EXPECT_EQ(count("AccountHistory", "AccountGuid = 'g1'"), "0");
        EXPECT_EQ(count("AccountHistory", "AccountGuid = 'g2'"), emptyAll ? "0" : "1");
        EXPECT_EQ(count("AccountHistory", "AccountGuid IN ('g3', 'g4')"), "2") << "the book's and bob's history stay";
        EXPECT_EQ(count("RecycleBin", "UserName = 'bob'"), "1");
    }
    EXPECT_FALSE(RecycleBin(conn, "amy").DeleteForever("g1", 30));
    EXPECT_EQ(count("RemovedAccounts"), "0");
}

// A record is kept as long as a sync remembers it, then the login's purge lets it go, whatever the bin's days.
TEST_F(RecycleBinStore, RemovalRecordsGoAtThePurgeOnceTooOldToMatter) {
    const int64_t now = 2 * qm::store::kRemovalsKept;
    const std::pair<const char*, int64_t> records[] = {{"old", now - qm::store::kRemovalsKept - 1},
                                                       {"limit", now - qm::store::kRemovalsKept}, {"young", now - 1}};
    for (const auto& [id, when] : records)
        for (const char* user : {"amy", "bob"})
            conn.Execute(std::string("INSERT INTO RemovedAccounts VALUES ('") + user + "', '" + id + "', " + std::to_string(when) + ")");
    EXPECT_EQ(RecycleBin(conn, "amy").Purge(now, 0), 0u);
    EXPECT_EQ(count("RemovedAccounts", "UserName = 'amy'"), "2");
    EXPECT_EQ(count("RemovedAccounts", "UserName = 'amy' AND AccountGuid = 'old'"), "0");
    EXPECT_EQ(count("RemovedAccounts", "UserName = 'bob'"), "3") << "another user's records wait for his login";
}

TEST(ReservedTypeNames, AnyPartOfTheDefaultNamesIsReserved) {
    for (const char* name : {"其它", "邮箱帐号", "帐号", "FTP", "", "号,博"}) EXPECT_TRUE(qm::store::IsReservedTypeName(name)) << name;
    for (const char* name : {"工作", "ftp", "其它帐号", "QQ"}) EXPECT_FALSE(qm::store::IsReservedTypeName(name)) << name;
}
