#include "store/Recordset.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

#include "store/StoreError.h"
#include "store/TextRules.h"
#include "support/file_layer.h"
#include "support/store_fixture.h"
#include "text/pinyin.h"
#include "text/pinyin_find.h"

using qm::store::esc;
using qm::store::Recordset;
using qm::store::StoreError;
using qm::test::StoreTest;

namespace {

std::vector<std::string> column(Recordset& rs, const char* name) {
    std::vector<std::string> out;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) out.push_back(rs[name].Text());
    return out;
}

}  // namespace

TEST_F(StoreTest, QuotesInNamesAreStoredAndFoundByFiltersAndStatements) {
    addAccount("O'Neil", "Tom's", "Bob's mail", "o'neil@x");
    addAccount("Ann", "Tom's", "other", "ann");
    Recordset rs;
    rs.Open("select * from AccountData where UserName = '" + esc("O'Neil") + "'", conn);
    EXPECT_EQ(rs.RecordCount(), 1u);
    rs.Filter("TypeName = '" + esc("Tom's") + "' and AccountName = '" + esc("Bob's mail") + "' and AccountID = '" +
              esc("o'neil@x") + "'");
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs["UserName"].Text(), "O'Neil");

    conn.Execute("update AccountData set TypeName = '" + esc("Jim's") + "' where UserName = '" + esc("O'Neil") + "'");
    conn.Execute("delete AccountData from AccountData where UserName = '" + esc("Ann") + "'");
    Recordset all;
    all.Open("select * from AccountData", conn);
    EXPECT_EQ(column(all, "TypeName"), std::vector<std::string>{"Jim's"});
}

TEST_F(StoreTest, LikeTakesPercentAndUnderscoreAsWildcardsAndIgnoresAsciiCase) {
    addAccount("u", "t", "邮箱", "a", "YX");
    addAccount("u", "t", "100%", "b", "100%");
    addAccount("u", "t", "a_b", "c", "A_B");
    addAccount("u", "t", "axb", "d", "AXB");
    Recordset rs;
    rs.Open("select * from AccountData", conn);
    const auto quickFind = [&](const std::string& t) {
        rs.Filter("AccountPY like '%" + esc(t) + "%' or AccountName like '%" + esc(t) + "%'");
        return column(rs, "AccountID");
    };
    EXPECT_EQ(quickFind("yx"), std::vector<std::string>{"a"});   // typed lower case, stored "YX"
    EXPECT_EQ(quickFind("邮"), std::vector<std::string>{"a"});
    EXPECT_EQ(quickFind("a_b"), (std::vector<std::string>{"c", "d"}));  // _ is any one character
    EXPECT_EQ(quickFind("%"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(quickFind("0%"), std::vector<std::string>{"b"});

    // The engine agrees with the filter on the same conditions.
    Recordset viaSql;
    viaSql.Open("select * from AccountData where AccountPY like '%a_b%' order by AccountID", conn);
    EXPECT_EQ(column(viaSql, "AccountID"), (std::vector<std::string>{"c", "d"}));
    viaSql.Open("select * from AccountData where AccountPY = 'yx'", conn);
    EXPECT_EQ(column(viaSql, "AccountID"), std::vector<std::string>{"a"});
}

TEST_F(StoreTest, FiltersJoinWithAndOrParenthesesAndCompareNumbers) {
    Recordset rs;
    rs.Open("select * from AccountType", conn);
    const char* names[] = {"FTP帐号", "博客帐号", "其它"};
    for (int user = 0; user < 2; ++user)
        for (int i = 0; i < 3; ++i) {
            rs.AddNew();
            rs["UserName"] = user == 0 ? "amy" : "bob";
            rs["TypeName"] = names[i];
            rs["icoIndex"] = i + 1;
            rs.Update();
        }
    rs.Requery();
    rs.Filter("UserName = 'AMY' and (icoIndex = 1 or icoIndex >= 3)");
    EXPECT_EQ(column(rs, "TypeName"), (std::vector<std::string>{"FTP帐号", "其它"}));
    rs.Filter("icoIndex <> 2 and not UserName = 'amy'");
    EXPECT_EQ(column(rs, "TypeName"), (std::vector<std::string>{"FTP帐号", "其它"}));
    rs.Filter("icoIndex < '2'");  // a quoted number still compares as a number
    EXPECT_EQ(rs.RecordCount(), 2u);
    rs.Filter("TypeName > 'FTP' and TypeName <= 'ftp帐号'");
    EXPECT_EQ(rs.RecordCount(), 2u);
    rs.Filter("");
    EXPECT_EQ(rs.RecordCount(), 6u);
    EXPECT_THROW(rs.Filter("NoSuchColumn = 'x'"), StoreError);
    EXPECT_THROW(rs.Filter("UserName = 'unterminated"), StoreError);
    EXPECT_EQ(rs.Filter(), "") << "a refused filter leaves the previous one";
}

TEST_F(StoreTest, TwoUsersWithTheSameCategoryKeepSeparateRows) {
    Recordset types;
    types.Open("select * from AccountType", conn);
    for (const char* user : {"amy", "bob"}) {
        types.AddNew();
        types["UserName"] = user;
        types["TypeName"] = "邮箱帐号";
        types["icoIndex"] = 7;
        types.Update();
    }
    addAccount("amy", "邮箱帐号", "mail", "a1");
    addAccount("bob", "邮箱帐号", "mail", "b1");
    conn.Execute("update AccountType set TypeName = '私人邮箱' where TypeName = '邮箱帐号' and UserName = 'amy'");
    conn.Execute("delete AccountData from AccountData where TypeName = '邮箱帐号' and UserName = 'bob'");
    types.Requery();
    types.Filter("UserName = 'bob'");
    EXPECT_EQ(column(types, "TypeName"), std::vector<std::string>{"邮箱帐号"});
    Recordset data;
    data.Open("select * from AccountData", conn);
    EXPECT_EQ(column(data, "AccountID"), std::vector<std::string>{"a1"});
}

TEST_F(StoreTest, RequeryKeepsTheFilterAndSeesStatements) {
    addAccount("amy", "t", "one", "1");
    addAccount("bob", "t", "two", "2");
    Recordset rs;
    rs.Open("select * from AccountData", conn);
    rs.Filter("UserName = 'amy'");
    addAccount("amy", "t", "three", "3");
    EXPECT_EQ(rs.RecordCount(), 1u) << "the keyset is read at open";
    rs.Requery();
    EXPECT_EQ(rs.Filter(), "UserName = 'amy'");
    EXPECT_EQ(column(rs, "AccountID"), (std::vector<std::string>{"1", "3"}));
}

TEST_F(StoreTest, BatchUpdateWritesAllPendingRowsOrNone) {
    // A trigger that refuses one value stands for any failure mid-batch.
    conn.Execute("create trigger refuse before insert on AccountType when new.TypeName = 'boom' "
                 "begin select raise(abort, 'refused'); end");
    Recordset rs;
    rs.Open("select UserName, TypeName, icoIndex from AccountType", conn);
    for (const char* name : {"a", "b", "boom", "c"}) {
        rs.AddNew();
        rs["UserName"] = "amy";
        rs.Field(1) = name;  // by position, as the restore copies columns
        rs["icoIndex"] = 11;
    }
    EXPECT_THROW(rs.UpdateBatch(), StoreError);
    Recordset check;
    check.Open("select * from AccountType", conn);
    EXPECT_EQ(check.RecordCount(), 0u) << "nothing of a failed batch is written";
    EXPECT_TRUE(rs.HasPendingChanges());

    rs.MoveLast();
    rs.Field(1) = "d";  // mend the refused row: the whole batch goes through
    rs.MoveFirst();
    rs.MoveNext();
    rs.MoveNext();
    rs.Field(1) = "boom-free";
    rs.UpdateBatch();
    check.Requery();
    EXPECT_EQ(column(check, "TypeName"), (std::vector<std::string>{"a", "b", "boom-free", "d"}));
}

TEST_F(StoreTest, EditsDeletesAndTheCursorBehaveLikeAKeysetCursor) {
    addAccount("amy", "t", "one", "1");
    addAccount("amy", "t", "two", "2");
    addAccount("amy", "t", "three", "3");
    Recordset rs;
    rs.Open("select * from AccountData", conn);
    EXPECT_TRUE(!rs.Bof() && !rs.Eof());
    rs.MoveNext();
    rs["Remarks"] = "edited";
    rs.Update();
    rs.Delete();  // the deleted row stays current until the next move
    EXPECT_THROW(rs["AccountID"].Text(), StoreError);
    rs.MoveNext();
    EXPECT_EQ(rs["AccountID"].Text(), "3");
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_THROW(rs.MoveNext(), StoreError);

    Recordset fresh;
    fresh.Open("select * from AccountData", conn);
    EXPECT_EQ(column(fresh, "AccountID"), (std::vector<std::string>{"1", "3"}));

    // Optimistic locking: a row changed behind the record set's back is not overwritten.
    fresh.MoveFirst();
    conn.Execute("update AccountData set AccountName = 'changed' where AccountID = '1'");
    fresh["AccountName"] = "mine";
    EXPECT_THROW(fresh.Update(), StoreError);
    fresh.CancelUpdate();
    fresh.Requery();
    EXPECT_EQ(fresh["AccountName"].Text(), "changed");

    Recordset empty;
    empty.Open("select * from AccountData where UserName = 'nobody'", conn);
    EXPECT_TRUE(empty.Eof() && empty.Bof());
}

TEST_F(StoreTest, CancellingNewRowsGoesBackToTheRowThatWasCurrent) {
    for (const char* id : {"1", "2", "3"}) addAccount("amy", "t", "n", id);
    Recordset rs;
    rs.Open("select * from AccountData", conn);
    for (int at : {0, 1})
        for (int added : {1, 2}) {
            SCOPED_TRACE(std::to_string(added) + " added on row " + std::to_string(at));
            rs.MoveFirst();
            for (int i = 0; i < at; ++i) rs.MoveNext();
            for (int i = 0; i < added; ++i) {
                rs.AddNew();
                rs["AccountID"] = "new";
            }
            rs.CancelUpdate();
            ASSERT_FALSE(rs.Eof());
            EXPECT_EQ(rs["AccountID"].Text(), std::to_string(at + 1));
            EXPECT_EQ(rs.RecordCount(), 3u);
        }
}

TEST_F(StoreTest, ValuesKeepTheirTypesAndFieldsReadByPosition) {
    Recordset rs;
    rs.Open("select * from sysuser", conn);
    rs.AddNew();
    rs["UserName"] = "amy";
    rs["PriorBackupDate"] = "2026-12-07";
    rs["AutoCompress"] = true;
    rs["ShowPassword"] = false;
    rs["MinLockTime"] = 5;
    rs["ShortcutUser"] = "4|49";
    rs.Update();
    rs.Requery();
    EXPECT_EQ(rs.FieldCount(), 20u);
    EXPECT_EQ(rs.Field(0).Name(), "UserName");
    EXPECT_EQ(rs.Field(19).Name(), "Custom2");
    EXPECT_EQ(rs["PriorBackupDate"].Text(), "2026-12-07");
    EXPECT_TRUE(rs["AutoCompress"].Bool());
    EXPECT_FALSE(rs["ShowPassword"].Bool());
    EXPECT_EQ(rs["MinLockTime"].Int(), 5);
    EXPECT_EQ(rs["ShortcutUser"].Text(), "4|49");
    EXPECT_TRUE(rs["Custom1"].IsNull());
    EXPECT_THROW(rs.Field(20), StoreError);

    // Copying a row column by column, by position, keeps every value as it was.
    Recordset copy;
    copy.Open("select * from sysuser", conn);
    copy.AddNew();
    for (size_t c = 0; c < rs.FieldCount(); ++c) copy.Field(c) = rs.Field(c);
    copy.Update();
    copy.Requery();
    copy.MoveLast();
    for (size_t c = 0; c < rs.FieldCount(); ++c) EXPECT_EQ(copy.Field(c).Get(), rs.Field(c).Get()) << rs.Field(c).Name();
}

TEST_F(StoreTest, ClosingTheConnectionClosesItsRecordSets) {
    Recordset rs;
    rs.Open("select * from sysuser", conn);
    conn.Close();
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_THROW(rs.Requery(), StoreError);
    EXPECT_THROW(conn.Execute("delete from sysuser"), StoreError);
}

TEST(StoreStatements, JetDeleteFormsBecomePlainDeletes) {
    using qm::store::TranslateStatement;
    EXPECT_EQ(TranslateStatement("delete AccountData from AccountData where UserName = 'a'"),
              "delete from AccountData where UserName = 'a'");
    EXPECT_EQ(TranslateStatement("DELETE SysUser FROM SysUser WHERE UserName = 'a'"),
              "delete from SysUser WHERE UserName = 'a'");
    EXPECT_EQ(TranslateStatement("delete * from AccountType"), "delete from AccountType");
    EXPECT_EQ(TranslateStatement("delete from AccountType"), "delete from AccountType");
    EXPECT_EQ(TranslateStatement("update AccountData set TypeName = 'x'"), "update AccountData set TypeName = 'x'");
}

TEST_F(StoreTest, AnUpdateRefusedAtCommitLeavesNoTransactionOpenAndSaysWhy) {
    // A deferred check fails only when the update commits: the last moment
    // a full disk or a failing device can refuse it too.
    conn.Execute("pragma foreign_keys = on");
    conn.Execute("create table parent(id integer primary key)");
    conn.Execute("create table child(pid integer references parent(id) deferrable initially deferred)");
    Recordset rs;
    rs.Open("select * from child", conn);
    rs.AddNew();
    rs["pid"] = 5;
    try {
        rs.Update();
        FAIL() << "expected an error";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.Code & 0xFF, SQLITE_CONSTRAINT) << e.what();
    }
    EXPECT_NE(sqlite3_get_autocommit(conn.Handle()), 0) << "no transaction left open";
    EXPECT_TRUE(rs.HasPendingChanges());
    conn.Execute("insert into parent values(5)");  // would have gone into that transaction
    Recordset check;
    check.Open("select * from parent", conn);
    EXPECT_EQ(check.RecordCount(), 1u);
    rs.Update();
    check.Open("select * from child", conn);
    EXPECT_EQ(check.RecordCount(), 1u);
}

TEST_F(StoreTest, ACommitRefusedWhoseRollbackFailsTooLeavesNoTransactionOpen) {
    // The deferred check refuses the commit; then the device fails the syncs
    // of the rollback's own writing, once or twice.
    conn.Execute("create table parent(id integer primary key)");
    conn.Execute("create table child(pid integer references parent(id) deferrable initially deferred)");
    for (int failures : {1, 2}) {
        SCOPED_TRACE(failures);
        qm::test::FileLayerSpy spy;
        conn.Open(path);
        conn.Execute("pragma foreign_keys = on");
        Recordset rs;
        rs.Open("select * from child", conn);
        rs.AddNew();
        rs["pid"] = 5;
        spy.failures = failures;
        EXPECT_THROW(rs.Update(), StoreError);
        EXPECT_NE(sqlite3_get_autocommit(conn.Handle()), 0) << "later saves would wait in it, never committed";
        EXPECT_TRUE(rs.HasPendingChanges());
        spy.failures = 0;
        addAccount("amy", "t", "saved after " + std::to_string(failures), "id");
    }
    conn.Open(path);
    Recordset saved;
    saved.Open("select * from AccountData", conn);
    EXPECT_EQ(saved.RecordCount(), 2u);
}

TEST_F(StoreTest, FiltersBindAsTheEnginesWhereClausesDo) {
    // "and" before "or", "not" before both: the same text selects the same rows either way.
    Recordset rs;
    rs.Open("select * from AccountType", conn);
    for (const char* user : {"amy", "bob"})
        for (const char* type : {"x", "y"})
            for (int icon : {1, 2}) {
                rs.AddNew();
                rs["UserName"] = user;
                rs["TypeName"] = type;
                rs["icoIndex"] = icon;
            }
    rs.UpdateBatch();
    const auto rows = [](Recordset& r) {
        std::vector<std::string> out;
        for (r.MoveFirst(); !r.Eof(); r.MoveNext())
            out.push_back(r["UserName"].Text() + r["TypeName"].Text() + r["icoIndex"].Text());
        return out;
    };
    for (const char* where : {"UserName = 'amy' and TypeName = 'x' or icoIndex = 2",
                              "icoIndex = 2 or UserName = 'amy' and TypeName = 'x'",
                              "UserName = 'bob' or TypeName = 'x' and icoIndex = 1 or icoIndex = 2 and TypeName = 'y'",
                              "not UserName = 'amy' and TypeName = 'x'",
                              "not (UserName = 'amy' and TypeName = 'x') or icoIndex = 1",
                              "UserName = 'AMY' and not TypeName = 'X' or not icoIndex = 1 and UserName = 'bob'"}) {
        rs.Filter(where);
        Recordset engine;
        engine.Open(std::string("select * from AccountType where ") + where, conn);
        EXPECT_EQ(rows(rs), rows(engine)) << where;
    }
    rs.Filter("UserName = 'amy' and TypeName = 'x' or icoIndex = 2");
    EXPECT_EQ(rows(rs), (std::vector<std::string>{"amyx1", "amyx2", "amyy2", "bobx2", "boby2"}));
}

// The quick find as a user types: keys added and taken back, in either case,
// Chinese and initials, wildcards and quotes, with rows added, changed,
// deleted and re-read between the keys. After every key the record set holds
// exactly what SQLite selects for the same condition, in the same order,
// from its current row on.
TEST_F(StoreTest, QuickFindWhileTypingFindsWhatTheEngineFinds) {
    const char* const parts[] = {"网易", "邮箱", "QQ", "qq", "号码", "Yahoo", "论坛", "游戏", "银行", "a_b", "100%", "O'Neil", "x"};
    const char* const keys[] = {"y", "x", "Y", "X", "q", "邮", "箱", "易", "_", "%", "'", "a", "o", "w"};
    sqlite3_exec(conn.Handle(), "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);  // many small writes
    std::mt19937 rng(17);
    const auto pick = [&](const auto& from) { return std::string(from[rng() % std::size(from)]); };
    const auto randomName = [&] { return pick(parts) + (rng() % 2 ? pick(parts) : "") + (rng() % 3 ? "" : pick(parts)); };
    int ids = 0;
    for (; ids < 150; ++ids) {
        const std::string name = randomName();
        addAccount("amy", "t", name, "id" + std::to_string(ids), qm::text::PinyinInitials(name));
    }
    Recordset rs;
    rs.Open("select * from AccountData", conn);
    const auto condition = [](const std::string& t) {
        return "AccountPY like '%" + esc(t) + "%' or AccountName like '%" + esc(t) + "%'";
    };
    const auto engine = [&](const std::string& t) {
        std::vector<std::string> out;
        sqlite3_stmt* st = nullptr;
        const std::string sql = "select AccountID from AccountData where " + condition(t) + " order by rowid";
        EXPECT_EQ(sqlite3_prepare_v2(conn.Handle(), sql.c_str(), -1, &st, nullptr), SQLITE_OK);
        while (sqlite3_step(st) == SQLITE_ROW) out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return out;
    };
    std::vector<std::string> typed;  // one entry per key, so a key takes back a whole character
    const auto text = [&] {
        std::string t;
        for (const std::string& k : typed) t += k;
        return t;
    };
    for (int step = 0; step < 600; ++step) {
        const unsigned action = rng() % 20;
        if (action < 11) {
            typed.push_back(pick(keys));
        } else if (action < 15) {
            if (!typed.empty()) typed.pop_back();
        } else if (action == 15) {
            typed.clear();
        } else if (action == 16) {
            rs.AddNew();  // written by the next filter
            const std::string name = randomName();
            rs["UserName"] = "amy";
            rs["AccountName"] = name;
            rs["AccountPY"] = qm::text::PinyinInitials(name);
            rs["AccountID"] = "id" + std::to_string(ids++);
        } else if (action == 17 || action == 18) {
            rs.MoveFirst();  // one of the first rows found
            for (unsigned skip = rng() % 4; skip > 0 && !rs.Eof(); --skip) rs.MoveNext();
            if (!rs.Eof() && action == 17) {
                const std::string name = randomName();
                rs["AccountName"] = name;
                rs["AccountPY"] = qm::text::PinyinInitials(name);
            } else if (!rs.Eof()) {
                rs.Delete();
            }
        } else if (action == 19) {
            conn.Execute("update AccountData set AccountName = 'qqyx' where AccountID = 'id" + std::to_string(rng() % ids) + "'");
            rs.Requery();
        }
        rs.Filter(text().empty() ? "" : condition(text()));
        std::vector<std::string> found;  // walked from where the filter leaves it, as the list is filled
        for (; !rs.Eof(); rs.MoveNext()) found.push_back(rs["AccountID"].Text());
        const std::vector<std::string> expected = text().empty() ? engine("%") : engine(text());
        ASSERT_EQ(found, expected) << "after step " << step << ", typed \"" << text() << "\"";
    }
}

// The same story for the pinyin comparison, whose spellings the record set
// keeps and makes again only when a row is written or read: after every key
// it holds exactly the rows whose names the typed text finds afresh.
TEST_F(StoreTest, PinyinFindWhileTypingFindsWhatEachNameFindsAfresh) {
    const char* const parts[] = {"网易", "邮箱", "QQ", "银行", "重庆", "𠮷", "a b", "O'Neil", "长沙", "x", "中国\u3000"};
    const char* const keys[] = {"y", "x", "i", "n", "h", "a", "g", "q", "'", " ", "z", "c", "邮", "Y", "\u3000"};
    sqlite3_exec(conn.Handle(), "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    std::mt19937 rng(29);
    const auto pick = [&](const auto& from) { return std::string(from[rng() % std::size(from)]); };
    const auto randomName = [&] { return pick(parts) + (rng() % 2 ? pick(parts) : ""); };
    int ids = 0;
    for (; ids < 120; ++ids) addAccount("amy", "t", randomName(), "id" + std::to_string(ids));
    Recordset rs;
    rs.KeepSpelling("AccountName");
    rs.Open("select * from AccountData", conn);
    const auto afresh = [&](const std::string& t) {
        std::vector<std::string> out;
        Recordset all;
        all.Open("select * from AccountData", conn);
        const qm::text::PinyinQuery query(t);
        for (; !all.Eof(); all.MoveNext()) {
            const std::string name = all["AccountName"].Text();
            if (t.empty() || query.Finds(name, qm::text::SpellForFind(name))) out.push_back(all["AccountID"].Text());
        }
        return out;
    };
    std::string typed;
    for (int step = 0; step < 400; ++step) {
        const unsigned action = rng() % 16;
        if (action < 9) typed += pick(keys);
        else if (action < 11) typed.clear();
        else if (action == 11) {
            rs.AddNew();  // written by the next filter
            rs["UserName"] = "amy";
            rs["AccountName"] = randomName();
            rs["AccountID"] = "id" + std::to_string(ids++);
        } else if (action == 12 || action == 13) {
            rs.MoveFirst();
            if (!rs.Eof() && action == 12) rs["AccountName"] = randomName();
            else if (!rs.Eof()) rs.Delete();
        } else if (action == 14) {
            conn.Execute("update AccountData set AccountName = '重庆银行' where AccountID = 'id" + std::to_string(rng() % ids) + "'");
            rs.Requery();
        } else {
            rs.Close();  // the spelling is kept across a reopening
            rs.Open("select * from AccountData", conn);
        }
        rs.Filter(typed.empty() ? "" : "AccountName pinyin '" + esc(typed) + "'");
        std::vector<std::string> found;
        for (; !rs.Eof(); rs.MoveNext()) found.push_back(rs["AccountID"].Text());
        ASSERT_EQ(found, afresh(typed)) << "after step " << step << ", typed \"" << typed << "\"";
    }
}
