#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "platform/files.h"
#include "support/temp_dir.h"
#include "text/utf.h"

// The database engine is built from source by the project: make sure it
// handles Chinese file names and Chinese text in both encodings.
TEST(SqliteSmoke, ChineseFileNameAndTextRoundTrip) {
    qm::test::TempDir dir;
    const std::string path = dir.file("系统数据.dat");
    const std::string text = "邮箱帐号 O'Neil 😀";

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "create table t(v text)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "insert into t values(?)", -1, &st, nullptr), SQLITE_OK);
    sqlite3_bind_text(st, 1, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    const std::u16string wide = qm::text::Utf8ToUtf16("网站");
    ASSERT_EQ(sqlite3_prepare_v2(db, "insert into t values(?)", -1, &st, nullptr), SQLITE_OK);
    sqlite3_bind_text16(st, 1, wide.data(), static_cast<int>(wide.size() * 2), SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    ASSERT_EQ(sqlite3_close(db), SQLITE_OK);

    EXPECT_TRUE(std::filesystem::exists(qm::test::PathOf(path)));
    EXPECT_TRUE(qm::platform::FileExists(path));

    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_prepare_v2(db, "select v from t order by rowid", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), text);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    const auto* w = static_cast<const char16_t*>(sqlite3_column_text16(st, 0));
    EXPECT_EQ(std::u16string(w, sqlite3_column_bytes16(st, 0) / 2), wide);
    sqlite3_finalize(st);
    sqlite3_close(db);
    EXPECT_STREQ(sqlite3_libversion(), SQLITE_VERSION);
}
