// Backups, the compaction and reading a backup, on a real data file held
// open by its connection, as the running program holds it.
#include "tools/Backup.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "platform/files.h"
#include "store/DataFile.h"
#include "store/StoreError.h"
#include "support/store_fixture.h"

using qm::platform::FileExists;
using qm::platform::ReadWholeFile;
using qm::store::Connection;
using qm::store::FileForm;
using qm::store::Recordset;
using qm::tools::BackupFileError;
using Bytes = std::vector<unsigned char>;

namespace {

class BackupTest : public qm::test::StoreTest {
protected:
    size_t count(Connection& c, const std::string& sql) {
        Recordset rs;
        rs.Open(sql, c);
        return rs.RecordCount();
    }
    void fill(int n, const std::string& user = "amy") {
        for (int i = 0; i < n; ++i) addAccount(user, "其它", "n" + std::to_string(i), std::string(2000, 'x'));
    }
    // What a backup file holds, read back the way the restore reads it.
    size_t accountsIn(const std::string& backup) {
        Connection b;
        qm::tools::OpenBackup(backup, cipher, b);
        return count(b, "select * from AccountData");
    }
    void makeDirectory(const std::string& path) { std::filesystem::create_directories(qm::test::PathOf(path)); }

    qm::crypto::clsSimpleXOR cipher;
};

}  // namespace

TEST(BackupName, DatIsAddedUnlessTheNameEndsInItInAnyCase) {
    using qm::tools::WithBackupExtension;
    EXPECT_EQ(WithBackupExtension("C:\\b\\mine"), "C:\\b\\mine.dat");
    EXPECT_EQ(WithBackupExtension("mine.dat"), "mine.dat");
    EXPECT_EQ(WithBackupExtension("MINE.DAT"), "MINE.DAT");
    EXPECT_EQ(WithBackupExtension("mine.Dat"), "mine.Dat");
    EXPECT_EQ(WithBackupExtension("mine.bak"), "mine.bak.dat");
    EXPECT_EQ(WithBackupExtension("dat"), "dat.dat");
    EXPECT_EQ(WithBackupExtension("备份"), "备份.dat");
}

TEST_F(BackupTest, BackupsAreEncipheredCopiesCompactedOrNotThatReplaceAnOldFile) {
    fill(60);
    conn.Execute("delete from AccountData where AccountName like 'n1%'");
    const std::string copied = dir.file("copied.dat"), compacted = dir.file("compacted.dat");
    qm::platform::ReplaceFileContents(compacted, Bytes(100, 'j'));  // an old file in the way

    ASSERT_TRUE(qm::tools::BackupDatabase(conn, cipher, copied, false));
    ASSERT_TRUE(qm::tools::BackupDatabase(conn, cipher, compacted, true));
    EXPECT_EQ(qm::store::InspectDataFile(copied), FileForm::Enciphered);
    EXPECT_EQ(qm::store::InspectDataFile(compacted), FileForm::Enciphered);
    EXPECT_EQ(accountsIn(copied), 49u);
    EXPECT_EQ(accountsIn(compacted), 49u);
    EXPECT_LT(ReadWholeFile(compacted).size(), ReadWholeFile(copied).size()) << "the compacted copy drops the free space";
    EXPECT_TRUE(conn.IsOpen());
    EXPECT_EQ(count(conn, "select * from AccountData"), 49u) << "the data file goes on as it was";
    EXPECT_FALSE(FileExists(compacted + ".qmtmp"));
}

TEST_F(BackupTest, AFailedBackupLeavesTheOldOneAsItWas) {
    fill(3);
    const std::string target = dir.file("old.dat");
    ASSERT_TRUE(qm::tools::BackupDatabase(conn, cipher, target, true));
    const Bytes old = ReadWholeFile(target);
    fill(2);
    // The new file cannot be written beside the old one, as on a full disk.
    makeDirectory(target + ".qmtmp");
    EXPECT_FALSE(qm::tools::BackupDatabase(conn, cipher, target, true));
    EXPECT_EQ(ReadWholeFile(target), old);
    EXPECT_FALSE(qm::tools::BackupDatabase(conn, cipher, dir.file("no such folder/b.dat"), false));
    EXPECT_TRUE(conn.IsOpen());
}

TEST_F(BackupTest, TheDataFileIsNeverItsOwnBackup) {
    fill(3);
    const std::string sameFile = qm::test::Utf8(dir.path() / ".") + "/SystemData.dat";
    EXPECT_FALSE(qm::tools::BackupDatabase(conn, cipher, sameFile, true));
    EXPECT_FALSE(qm::tools::BackupDatabase(conn, cipher, path, false));
    EXPECT_EQ(count(conn, "select * from AccountData"), 3u);
    conn.Close();
    EXPECT_EQ(qm::store::InspectDataFile(path), FileForm::Plain) << "still the live database, not a backup";
}

TEST_F(BackupTest, NoFileSQLiteKeepsBesideTheDataFileIsEverABackup) {
    // A stored automatic backup path may name any of them, in any letter case.
    struct Row {
        const char* name;
        bool refused;
    };
    const Row rows[] = {{"SystemData.dat-journal", true}, {"systemdata.DAT-JOURNAL", true},
                        {"SystemData.dat-journal. ", true}, {"SYSTEMDATA.DAT", true},
                        {"SystemData.dat-wal", true},     {"SystemData.dat-shm", true},
                        {"SystemData.dat-journal.dat", false}, {"SystemData.dat2", false}};
    for (const bool saved : {false, true}) {  // the journal not made yet, or held since a save
        conn.Open(path);
        if (saved) fill(1);
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(r.name) + (saved ? " after a save" : ""));
            const std::string target = dir.file(r.name);
            EXPECT_EQ(qm::tools::BackupDatabase(conn, cipher, target, false), !r.refused);
            EXPECT_EQ(qm::store::InspectDataFile(target) == FileForm::Enciphered, !r.refused);
        }
    }
    fill(2, "bob");
    conn.Close();
    EXPECT_FALSE(FileExists(path + "-journal"));
    conn.Open(path);
    EXPECT_EQ(count(conn, "select * from AccountData"), 3u);
}

TEST_F(BackupTest, CompactionShrinksTheFileInPlaceWhileHoldingIt) {
    fill(100);
    conn.Execute("delete from AccountData where AccountName <> 'n7'");
    const std::string temp = dir.file("$Temp.tmp");
    qm::platform::ReplaceFileContents(temp, Bytes(10, 'j'));  // left by a compaction that was cut off
    qm::tools::CompactDatabase(conn, temp, {});
    EXPECT_FALSE(FileExists(temp));
    EXPECT_FALSE(FileExists(temp + "-journal"));
    EXPECT_THROW(ReadWholeFile(path), qm::platform::FileError) << "nobody else may read it meanwhile";
    qm::tools::CompactDatabase(conn, temp, {});  // a second one in a row
    EXPECT_FALSE(FileExists(temp));
    EXPECT_EQ(count(conn, "select * from AccountData"), 1u);
    conn.Close();
    EXPECT_LT(ReadWholeFile(path).size(), 40u * 1024);
    conn.Open(path);
    EXPECT_EQ(count(conn, "select * from AccountData where AccountName = 'n7'"), 1u);
}

TEST_F(BackupTest, CompactionKeepsTheRecordSetsAndWhatTheyHeldUnwritten) {
    fill(30);
    conn.Execute("delete from AccountData where AccountName like 'n1%'");
    Recordset users, data;
    users.Open("select * from sysuser", conn);
    users.AddNew();
    users["UserName"] = "amy";
    users["AutoBackup"] = 3;
    users.Update();
    users.Filter("UserName = 'amy'");
    users["PriorBackupDate"] = "2026-12-07";  // assigned, not yet written
    data.Open("select * from AccountData where UserName = 'amy'", conn);
    data.Filter("AccountName like 'n2%'");
    data.MoveLast();

    qm::tools::CompactDatabase(conn, dir.file("$Temp.tmp"), {&users, &data});
    EXPECT_EQ(users.Source(), "select * from sysuser");
    EXPECT_EQ(users.Filter(), "UserName = 'amy'");
    EXPECT_EQ(data.Filter(), "AccountName like 'n2%'");
    ASSERT_FALSE(users.Eof());
    EXPECT_EQ(users["PriorBackupDate"].Text(), "2026-12-07");
    EXPECT_FALSE(users.HasPendingChanges());
    // Read anew, as after a reopen: at the first row.
    EXPECT_EQ(data.RecordCount(), 11u);
    EXPECT_EQ(data["AccountName"].Text(), "n2");
    // An edit still reaches its own row.
    data.Filter("AccountName = 'n25'");
    data["AccountID"] = "changed";
    data.Update();
    EXPECT_EQ(count(conn, "select * from AccountData where AccountID = 'changed' and AccountName = 'n25'"), 1u);
    EXPECT_EQ(count(conn, "select * from AccountData where AccountID = 'changed'"), 1u);
}

TEST_F(BackupTest, AFailedCompactionLeavesTheDataFileAsItWasAndOpen) {
    fill(5);
    // The copy cannot be written where it must go, as on a drive that went away.
    EXPECT_ANY_THROW(qm::tools::CompactDatabase(conn, dir.file("gone/$Temp.tmp"), {}));
    ASSERT_TRUE(conn.IsOpen());
    EXPECT_EQ(count(conn, "select * from AccountData"), 5u);
    addAccount("amy", "其它", "after", "x");
    EXPECT_EQ(count(conn, "select * from AccountData"), 6u);
}

TEST_F(BackupTest, ABackupIsReadFromMemoryAndTheFileNeverChanges) {
    fill(4);
    const std::string backup = dir.file("b.dat");
    ASSERT_TRUE(qm::tools::BackupDatabase(conn, cipher, backup, true));
    const Bytes before = ReadWholeFile(backup);
    {
        Connection b;
        qm::tools::OpenBackup(backup, cipher, b);
        EXPECT_EQ(ReadWholeFile(backup), before) << "never deciphered in place";
        EXPECT_EQ(count(b, "select * from AccountData"), 4u);
        b.Execute("delete from AccountData");
    }
    EXPECT_EQ(ReadWholeFile(backup), before);
    EXPECT_EQ(accountsIn(backup), 4u);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (!qm::test::Utf8(entry.path().filename()).starts_with("SystemData.dat")) files.push_back(qm::test::Utf8(entry.path().filename()));
    EXPECT_EQ(files, std::vector<std::string>{"b.dat"}) << "no plain copy was written beside it";
}

TEST_F(BackupTest, MissingAndForeignFilesAreNoBackups) {
    const auto why = [&](const std::string& file) {
        Connection b;
        try {
            qm::tools::OpenBackup(file, cipher, b);
        } catch (const BackupFileError& e) {
            EXPECT_FALSE(b.IsOpen());
            return static_cast<int>(e.Why);
        }
        return -1;
    };
    EXPECT_EQ(why(dir.file("none.dat")), BackupFileError::Missing);
    const std::string junk = dir.file("junk.dat");
    qm::platform::ReplaceFileContents(junk, Bytes(4096, 'j'));
    EXPECT_EQ(why(junk), BackupFileError::NotABackup);
    // A plain database is not in a backup's form.
    const std::string plain = dir.file("plain.dat");
    qm::test::CreatePlainDatabase(plain);
    EXPECT_EQ(why(plain), BackupFileError::NotABackup);
    EXPECT_EQ(why(path), BackupFileError::InUse) << "the open data file";
}
