// The sync's local side: a book written into the data file reads back the
// same for a user of either form, a write touches only what changed, and a
// write that fails or a secret that does not open leaves the file as it was.
#include "sync/LocalBook.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "store/Statement.h"
#include "support/store_fixture.h"
#include "vault/Secrets.h"

using namespace qm::sync;

namespace {

std::string idOf(int n) {
    char s[40];
    std::snprintf(s, sizeof s, "%032x", n);
    return s;
}

Version version(const char* category, const char* name, const char* password, int64_t changed) {
    Version v;
    v.Category = category, v.Name = name, v.User = "alice", v.Password = password, v.Registered = "2020-01-02";
    v.Address = "https://mail.example", v.Remarks = "备注 " + std::string(password), v.Changed = changed;
    return v;
}

Book sample() {
    Book b;
    b.LoginChanged = 1700000000;
    b.Categories = {{"网站", 3}, {"工作", 4}, {"Bank", 6}};
    Version mail = version("网站", "邮箱", "p1", 300);
    mail.Otp = "otpauth://totp/Mail:alice?secret=JBSWY3DPEHPK3PXP";
    // Versions of one second, and one a slow clock dated after the account's own.
    b.Accounts.push_back({idOf(1), 100, mail,
                          {version("网站", "邮箱", "p0c", 200), version("网站", "邮箱", "p0b", 200), version("网站", "邮箱", "p0a", 200)},
                          {}});
    b.Accounts.push_back({idOf(2), 100, version("网站", "skew", "s", 100),
                          {version("网站", "skew", "s2", 400), version("网站", "skew", "s1", 50)}, {}});
    // Two accounts only their identities tell apart: the merge keeps both when their passwords differ.
    b.Accounts.push_back({idOf(3), 100, version("工作", "QQ", "a", 100), {}, {}});
    b.Accounts.push_back({idOf(4), 100, version("工作", "QQ", "b", 100), {version("工作", "QQ", "b0", 90)}, {}});
    b.Accounts.push_back({idOf(5), 100, version("Bank", "网银", "", 100), {}, int64_t{500}});
    b.Accounts.push_back({idOf(8), 100, version("Bank", "旧卡", "c", 100), {}, int64_t{500}});
    b.Accounts.push_back({idOf(7), 100, version("工作", "论坛旧", "f", 100), {}, {}});
    b.Removed = {{idOf(9), 600}};
    Canonicalise(b);
    return b;
}

Account& find(Book& b, int n) {
    for (Account& a : b.Accounts)
        if (a.Id == idOf(n)) return a;
    throw std::out_of_range("no account " + std::to_string(n));
}

class LocalBookTest : public qm::test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        conn.Execute(qm::store::OwnTablesSql());
    }
    void protect() {
        secrets.Adopt(secrets.SealedUnder(std::shared_ptr<const qm::vault::DataKey>(qm::vault::DataKey::Random())));
    }
    Book read() {
        const LocalRead r = ReadLocalBook(conn, secrets, "amy");
        EXPECT_TRUE(r.Contents) << r.DamagedAccount;
        return r.Contents.value_or(Book{});
    }
    void write(const Book& before, const Book& merged) { WriteLocalBook(conn, secrets, "amy", before, merged); }
    std::string one(const std::string& sql) {
        qm::store::Statement st(conn.Handle(), sql);
        return st.Step() ? st.Column(0).Text() : "<none>";
    }
    // The rows of the user's tables as stored, byte for byte; or of one account's.
    std::string dump(const std::string& account = "") {
        std::string all;
        for (const char* table : {"AccountType", "AccountData", "AccountHistory", "RecycleBin", "RemovedAccounts", "UserOptions"}) {
            const bool byAccount = std::string_view(table) != "AccountType" && std::string_view(table) != "UserOptions";
            if (!account.empty() && !byAccount) continue;
            const std::string where = account.empty() ? "1" : "AccountGuid = '" + account + "'";
            qm::store::Statement st(conn.Handle(), std::string("SELECT * FROM ") + table + " WHERE " + where + " ORDER BY rowid");
            all += std::string(table) + ":";
            while (st.Step())
                for (int c = 0; c < st.ColumnCount(); ++c) all += st.Column(c).Text() + "|";
            all += "\n";
        }
        return all;
    }

    qm::crypto::clsSimpleXOR cipher;
    qm::vault::Secrets secrets{cipher};
};

}  // namespace

TEST_F(LocalBookTest, ABookWrittenAndEditedReadsBackTheSameForEitherForm) {
    for (const bool isProtected : {false, true}) {
        SCOPED_TRACE(isProtected ? "protected" : "fixed-key forms");
        conn.Execute("DELETE FROM AccountType; DELETE FROM AccountData; DELETE FROM AccountHistory; DELETE FROM RecycleBin; "
                     "DELETE FROM RemovedAccounts; DELETE FROM UserOptions");
        if (isProtected) protect();
        write(Book{}, sample());
        const Book first = read();
        EXPECT_EQ(first, sample());
        EXPECT_EQ(one("SELECT AccountPY FROM AccountData WHERE AccountGuid = '" + idOf(1) + "'"), "YX");
        EXPECT_EQ(one("SELECT count(*) FROM AccountData WHERE OtpSecret = ''"), "4") << "no secret: stored as nothing";

        Book edited = first;
        Account& mail = find(edited, 1);
        mail.History.insert(mail.History.begin(), mail.Current);
        mail.Current.Password = "p2", mail.Current.Otp = "", mail.Current.Changed = 700;
        find(edited, 3).Binned = 800;
        find(edited, 5).Binned.reset();
        find(edited, 5).Current.Changed = 800;
        find(edited, 7).Current.Name = "论坛新";
        find(edited, 8).Binned = 900;  // deleted again on another PC: the bin keeps it longer
        std::erase_if(edited.Accounts, [](const Account& a) { return a.Id == idOf(2); });
        edited.Removed = {{idOf(2), 800}};
        edited.Accounts.push_back({idOf(6), 800, version("游戏", "魔兽", "w", 800), {}, {}});
        edited.Categories.push_back({"游戏", 7});
        edited.Categories[0].Icon = 8;  // Bank
        edited.LoginChanged = 1800000000;
        Canonicalise(edited);
        const std::string untouched = dump(idOf(4));
        const std::string password = one("SELECT AccountPassword FROM AccountData WHERE AccountGuid = '" + idOf(7) + "'");
        write(first, edited);
        EXPECT_EQ(read(), edited);
        EXPECT_TRUE(dump(idOf(4)) == untouched) << "an account the merge left alone is not written";
        EXPECT_EQ(one("SELECT AccountPassword FROM AccountData WHERE AccountGuid = '" + idOf(7) + "'"), password)
            << "a renamed account keeps its password as stored";
        EXPECT_EQ(one("SELECT AccountPY FROM AccountData WHERE AccountGuid = '" + idOf(7) + "'"), "LTX");
        EXPECT_EQ(one("SELECT icoIndex FROM RecycleBin WHERE AccountGuid = '" + idOf(3) + "'"), "4") << "its category's icon";
        EXPECT_EQ(one("SELECT count(*) FROM AccountHistory WHERE AccountGuid = '" + idOf(2) + "'"), "0");
        EXPECT_EQ(one("SELECT count(*) FROM AccountType"), "4");
    }
}

TEST_F(LocalBookTest, AFailedOrLockedWriteLeavesTheFileAsItWas) {
    protect();
    write(Book{}, sample());
    const Book before = read();
    Book merged = before;
    find(merged, 1).History.pop_back();
    find(merged, 3).Binned = 900;
    merged.Removed.push_back({idOf(8), 900});
    merged.Categories.push_back({"游戏", 7});
    Canonicalise(merged);
    const std::string stored = dump();
    for (const char* table : {"AccountHistory", "RemovedAccounts"}) {
        SCOPED_TRACE(table);
        conn.Execute(std::string("CREATE TEMP TRIGGER full BEFORE INSERT ON ") + table +
                     " BEGIN SELECT RAISE(ABORT, 'disk full'); END");
        EXPECT_ANY_THROW(write(before, merged));
        conn.Execute("DROP TRIGGER full");
        EXPECT_TRUE(dump() == stored);
    }
    secrets.Lock();
    EXPECT_THROW(write(before, merged), std::logic_error);
    EXPECT_THROW(ReadLocalBook(conn, secrets, "amy"), std::logic_error);
    EXPECT_TRUE(dump() == stored);
}

TEST_F(LocalBookTest, ASecretThatDoesNotOpenOrAnIdentityThatIsNotOneNamesItsAccount) {
    protect();
    const std::string mail = "AccountGuid = '" + idOf(1) + "'";
    struct Row {
        const char* what;
        std::string sql;
        const char* account;
    };
    const Row rows[] = {
        {"password of another account", "UPDATE AccountData SET AccountPassword = (SELECT AccountPassword FROM AccountData "
                                        "WHERE AccountGuid = '" + idOf(3) + "') WHERE " + mail, "邮箱"},
        {"a remark of an earlier version", "UPDATE AccountHistory SET Remarks = 'x' || Remarks WHERE " + mail, "邮箱"},
        {"the bin's authenticator secret", "UPDATE RecycleBin SET OtpSecret = 'x'", "网银"},
        {"an identity that is not one", "UPDATE AccountData SET AccountGuid = 'A' || substr(AccountGuid, 2) WHERE " + mail, "邮箱"},
        {"one identity twice", "INSERT INTO RecycleBin (UserName, AccountGuid, AccountName) VALUES ('amy', '" + idOf(1) +
                                   "', '另一个')", "另一个"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        conn.Execute("DELETE FROM AccountType; DELETE FROM AccountData; DELETE FROM AccountHistory; DELETE FROM RecycleBin");
        write(Book{}, sample());
        conn.Execute(r.sql);
        const LocalRead damaged = ReadLocalBook(conn, secrets, "amy");
        EXPECT_FALSE(damaged.Contents);
        EXPECT_EQ(damaged.DamagedAccount, r.account);
    }
}
