// The data file's connection holds the file and its journal exclusively,
// and SQLite's transactions work through that layer as through its own.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#ifndef _WIN32
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "platform/files.h"
#include "store/StoreError.h"
#include "support/file_layer.h"
#include "support/store_fixture.h"

using qm::platform::FileError;
using qm::platform::FileFault;
using qm::store::Connection;
using qm::store::StoreError;
using qm::test::StoreTest;

namespace {

FileFault readFault(const std::string& path) {
    try {
        qm::platform::ReadWholeFile(path);
    } catch (const FileError& e) {
        return e.Fault;
    }
    return FileFault::Other;
}

// The first column of the first row of `sql`.
std::string scalar(Connection& c, const std::string& sql) {
    std::string out;
    char* error = nullptr;
    sqlite3_exec(
        c.Handle(), sql.c_str(),
        [](void* p, int, char** values, char**) {
            *static_cast<std::string*>(p) = values[0] ? values[0] : "";
            return 1;
        },
        &out, &error);
    sqlite3_free(error);
    return out;
}

std::string bigText(char c) { return std::string(3000, c); }

// Copies a file with no regard for locks, as nothing on Windows may.
void rawCopy(const std::string& from, const std::string& to) {
    std::ifstream in(qm::test::PathOf(from), std::ios::binary);
    std::ofstream out(qm::test::PathOf(to), std::ios::binary);
    out << in.rdbuf();
}

// The journal's size, -1 when there is none. Read from the folder's entry,
// which Windows gives even for a file held with no sharing.
int64_t journalSize(const std::string& database) {
    std::error_code error;
    const auto size = std::filesystem::file_size(qm::test::PathOf(database + "-journal"), error);
    return error ? -1 : static_cast<int64_t>(size);
}

#ifndef _WIN32
// Every sync of the process that reaches the system, counted on its way.
int systemSyncs = 0;
#endif

}  // namespace

#ifndef _WIN32
extern "C" int fsync(int fd) {
    ++systemSyncs;
    return static_cast<int>(syscall(SYS_fsync, fd));
}
extern "C" int fdatasync(int fd) {
    ++systemSyncs;
    return static_cast<int>(syscall(SYS_fdatasync, fd));
}
#endif

TEST_F(StoreTest, TheOpenFileIsLockedAgainstOtherConnections) {
    EXPECT_EQ(readFault(path), FileFault::InUse) << "no other program may even read it";
    Connection other;
    try {
        other.Open(path);
        ADD_FAILURE() << "a second connection opened the file";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.IsBusy()) << e.what();
    }
    EXPECT_FALSE(other.IsOpen());

    conn.Close();
    EXPECT_NO_THROW(qm::platform::ReadWholeFile(path));
    other.Open(path);
    EXPECT_EQ(scalar(other, "select count(*) from sysuser"), "0");
}

TEST_F(StoreTest, TheJournalIsHeldToo) {
    conn.Execute("insert into sysuser(UserName) values('amy')");
    const std::string journal = path + "-journal";
    ASSERT_TRUE(qm::platform::FileExists(journal)) << "kept while the connection lives";
    EXPECT_EQ(readFault(journal), FileFault::InUse);
    conn.Close();
    EXPECT_FALSE(qm::platform::FileExists(journal));
}

TEST_F(StoreTest, RolledBackWorkIsUndoneAndCommittedWorkSurvivesAReopen) {
    for (int i = 0; i < 50; ++i) addAccount("amy", "邮箱帐号", "mail" + std::to_string(i), bigText('a'));
    conn.Close();
    const auto before = qm::platform::ReadWholeFile(path);
    conn.Open(path);
    // A small cache makes the transaction write into the file, and grow it,
    // before it is rolled back.
    conn.Execute("pragma cache_size = 2");
    conn.Execute("begin");
    conn.Execute("update AccountData set AccountID = '" + bigText('b') + bigText('b') + "'");
    conn.Execute("delete from AccountData where AccountName like 'mail1%'");
    conn.Execute("rollback");
    conn.Close();
    EXPECT_EQ(qm::platform::ReadWholeFile(path), before) << "byte for byte as before the transaction";

    conn.Open(path);
    conn.Execute("delete from AccountData where AccountName like 'mail1%'");
    conn.Close();
    conn.Open(path);
    EXPECT_EQ(scalar(conn, "select count(*) from AccountData"), "39");
    EXPECT_EQ(scalar(conn, "pragma integrity_check"), "ok");
}

TEST_F(StoreTest, AWriteCutOffMidwayIsUndoneAtTheNextOpen) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows lets no one copy the files of an open connection";
#endif
    for (int i = 0; i < 50; ++i) addAccount("amy", "其它", "n" + std::to_string(i), bigText('a'));
    // A small cache makes the update write into the file before it commits.
    conn.Execute("pragma cache_size = 2");
    conn.Execute("begin");
    conn.Execute("update AccountData set AccountID = '" + bigText('b') + "'");
    // What a killed run leaves behind: the half-written file and its journal.
    qm::test::TempDir crashed;
    const std::string left = crashed.file("SystemData.dat");
    rawCopy(path, left);
    rawCopy(path + "-journal", left + "-journal");
    conn.Execute("rollback");
    conn.Close();
    ASSERT_NE(qm::platform::ReadWholeFile(left), qm::platform::ReadWholeFile(path))
        << "the update never reached the file: nothing to undo";

    Connection next;
    next.Open(left);
    EXPECT_EQ(scalar(next, "select count(*) from AccountData where AccountID = '" + bigText('a') + "'"), "50");
    EXPECT_EQ(scalar(next, "pragma integrity_check"), "ok");
    EXPECT_EQ(journalSize(left), 0) << "played back, then emptied";
}

// A commit replaces rows; the journal must not keep the replaced pages, or
// a copy of the folder carries away the old forms of what was changed.
TEST_F(StoreTest, EveryCommitAndRollbackLeavesTheJournalEmpty) {
    for (int i = 0; i < 30; ++i) addAccount("amy", "其它", "n" + std::to_string(i), bigText('a'));
    const std::pair<const char*, const char*> changes[] = {
        {"an update", "update AccountData set AccountID = 'new' where AccountName = 'n1'"},
        {"a deletion", "delete from AccountData where AccountName = 'n2'"},
        {"a transaction of two", "begin; update AccountData set AccountID = 'x'; delete from AccountData where AccountName = 'n3'; commit"},
        {"a savepoint", "savepoint s; update AccountData set AccountPY = 'p'; release s"},
        {"a rollback", "begin; update AccountData set AccountID = 'y'; rollback"},
        {"a compaction", "vacuum"},
    };
    for (const auto& [what, sql] : changes) {
        conn.Execute(sql);
        EXPECT_EQ(journalSize(path), 0) << what;
    }
}

// A journal that is not hot (what the commits of an older version left, or
// an empty one) holds nothing to undo and goes at the next open; the book
// stays as it was.
TEST_F(StoreTest, ALeftoverJournalThatIsNotHotGoesAtTheOpen) {
    addAccount("amy", "其它", "mail", "kept");
    conn.Close();
    const std::string zeroedHeader = std::string(512, '\0') + "Zq7-an-old-form" + bigText('o');
    for (const std::string& leftover : {zeroedHeader, std::string()}) {
        SCOPED_TRACE(leftover.size());
        std::ofstream(qm::test::PathOf(path + "-journal"), std::ios::binary) << leftover;
        ASSERT_EQ(journalSize(path), static_cast<int64_t>(leftover.size()));
        conn.Open(path);
        EXPECT_EQ(journalSize(path), -1);
        EXPECT_EQ(scalar(conn, "select AccountID from AccountData"), "kept");
        conn.Close();
    }
}

TEST_F(StoreTest, CompactingShrinksTheFile) {
    for (int i = 0; i < 100; ++i) addAccount("amy", "其它", "n" + std::to_string(i), bigText('c'));
    conn.Execute("delete from AccountData");
    conn.Close();
    const size_t before = qm::platform::ReadWholeFile(path).size();
    conn.Open(path);
    conn.Execute("vacuum");
    EXPECT_EQ(scalar(conn, "pragma integrity_check"), "ok");
    conn.Close();
    EXPECT_LT(qm::platform::ReadWholeFile(path).size(), before / 4);
}

TEST(StoreConnection, AMissingFileIsNotCreated) {
    qm::test::TempDir dir;
    const std::string path = dir.file("SystemData.dat");
    Connection c;
    EXPECT_THROW(c.Open(path), StoreError);
    EXPECT_FALSE(qm::platform::FileExists(path));
    EXPECT_FALSE(qm::platform::FileExists(path + "-journal"));
}

TEST_F(StoreTest, DeletedRowsLeaveNoReadableTraceInTheFile) {
    const std::string secret = "Zq7-secret-remark-of-a-departed-user";
    for (int i = 0; i < 20; ++i) addAccount("amy", "其它", secret + std::to_string(i), "id");
    addAccount("bob", "其它", "kept", "id");
    conn.Execute("delete AccountData from AccountData where UserName = 'amy'");
    conn.Close();
    const auto bytes = qm::platform::ReadWholeFile(path);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find(secret), std::string::npos);
    EXPECT_NE(text.find("kept"), std::string::npos);
}

TEST_F(StoreTest, AnImageInMemoryIsADatabaseAndWritesNothing) {
    addAccount("amy", "其它", "mail", "id");
    const auto image = conn.Image(false);
    Connection copy;
    copy.OpenImage(image);
    EXPECT_EQ(scalar(copy, "select AccountName from AccountData"), "mail");
    copy.Execute("delete from AccountData");
    EXPECT_EQ(scalar(conn, "select count(*) from AccountData"), "1");
    EXPECT_TRUE(copy.Path().empty());
    EXPECT_THROW(copy.OpenImage(std::vector<unsigned char>(8192, 7)), StoreError);
    EXPECT_FALSE(copy.IsOpen());
}

TEST_F(StoreTest, AnUpdateIsOnTheDiskBeforeItIsConfirmed) {
    // A confirmed save must outlive a power cut: the journal reaches the disk
    // before the database is written, and the database before the commit ends.
    qm::test::FileLayerSpy spy;
    conn.Open(path);
#ifndef _WIN32
    const int before = systemSyncs;
#endif
    addAccount("amy", "其它", "mail", "id");
    EXPECT_GE(spy.syncs, 2);
#ifndef _WIN32
    EXPECT_EQ(systemSyncs - before, spy.syncs) << "each sync reached the system";
#endif
}
