#include "app/Startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/ExclusiveFile.h"
#include "platform/files.h"
#include "platform/test/FakePlatform.h"
#include "support/store_fixture.h"

using qm::app::AppContext;
using qm::app::StartResult;
using qm::platform::FakePlatform;
using Bytes = std::vector<unsigned char>;

namespace {

class StartupTest : public ::testing::Test {
protected:
    StartupTest() { app.AppPath = qm::test::Utf8(dir.path()); }

    Bytes onDisk() { return qm::platform::ReadWholeFile(app.DataFilePath()); }
    void write(const Bytes& bytes) { qm::platform::ReplaceFileContents(app.DataFilePath(), bytes); }
    static Bytes xorred(Bytes bytes) {
        qm::crypto::clsSimpleXOR x;
        x.EncryptByte(bytes, qm::crypto::kDataFileKey);
        return bytes;
    }
    // A plain database holding one user, as a run that was killed leaves it.
    Bytes plainDatabaseWithUser(const std::string& name) {
        qm::test::TempDir scratch;
        const std::string path = scratch.file("plain.dat");
        qm::test::CreatePlainDatabase(path);
        qm::store::Connection c;
        c.Open(path);
        c.Execute("insert into sysuser(UserName) values('" + name + "')");
        c.Close();
        return qm::platform::ReadWholeFile(path);
    }

    // A book of one user with `accounts` accounts, plain, as the file's pages hold it.
    Bytes plainBook(int accounts) {
        qm::test::TempDir scratch;
        const std::string path = scratch.file("plain.dat");
        qm::test::CreatePlainDatabase(path);
        qm::store::Connection c;
        c.Open(path);
        c.Execute("insert into sysuser(UserName, UserPassword) values('amy', 'x')");
        c.Execute("begin");
        for (int i = 0; i < accounts; ++i)
            c.Execute("insert into AccountData(UserName, TypeName, AccountName, AccountPY, AccountID, AccountPassword, RegDate, URL, Remarks) values('amy', '邮箱帐号', 'account " + std::to_string(i) +
                      "', 'a', 'id', 'pw', '2026-12-08', 'http://example.com', 'remarks')");
        c.Execute("commit");
        c.Close();
        return qm::platform::ReadWholeFile(path);
    }
    // A fresh start on the folder, which must refuse the data file with one
    // message that names it; the message's text ("" when there was not one).
    std::string refusedStart() {
        AppContext fresh;
        fresh.AppPath = app.AppPath;
        FakePlatform box;
        EXPECT_EQ(qm::app::StartUp(fresh, box), StartResult::DataFileRefused);
        EXPECT_FALSE(fresh.DbConn.IsOpen());
        EXPECT_EQ(box.boxes.size(), 1u);
        if (box.boxes.size() != 1) return "";
        EXPECT_NE(box.boxes[0].text.find(app.DataFilePath()), std::string::npos) << box.boxes[0].text;
        EXPECT_EQ(box.boxes[0].style, qm::platform::vbExclamation);
        EXPECT_EQ(box.boxes[0].title, "提示");
        return box.boxes[0].text;
    }
    // The names in the folder besides the data file.
    std::vector<std::string> othersInFolder() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().filename() != qm::store::kDataFileName) names.push_back(qm::test::Utf8(entry.path().filename()));
        return names;
    }

    qm::test::TempDir dir;
    AppContext app;
    FakePlatform os;
};

}  // namespace

TEST_F(StartupTest, MissingFileIsCreatedOpenedEmptyAndEncipheredAtTheEnd) {
    ASSERT_EQ(qm::app::StartUp(app, os), StartResult::Ready);
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_EQ(app.RsUser.RecordCount(), 0u);
    EXPECT_EQ(app.RsData.FieldCount(), 13u);
    EXPECT_EQ(qm::store::InspectDataFile(app.DataFilePath()), qm::store::FileForm::InUse) << "held by this run";
    // Only a closed file can be read: the plain bytes as the end finds them.
    app.DbConn.Close();
    const Bytes plain = onDisk();

    qm::app::LoginDialogClosed(app);
    EXPECT_FALSE(app.DbConn.IsOpen());
    const Bytes atRest = onDisk();
    ASSERT_EQ(atRest.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) ASSERT_NE(atRest[i], plain[i]) << "byte " << i;
    EXPECT_EQ(xorred(atRest), plain);
    EXPECT_FALSE(qm::platform::FileExists(app.DataFilePath() + "-journal"));

    // The next run opens it again; a cancelled login leaves it byte for byte as it was.
    AppContext again;
    again.AppPath = app.AppPath;
    ASSERT_EQ(qm::app::StartUp(again, os), StartResult::Ready);
    qm::app::LoginDialogClosed(again);
    EXPECT_EQ(onDisk(), atRest);
}

TEST_F(StartupTest, SecondInstanceSaysSoAndTouchesNothing) {
    write(xorred(plainDatabaseWithUser("amy")));
    const Bytes before = onDisk();
    const std::string compaction = qm::store::PathIn(app.AppPath, "$Temp.tmp");
    qm::platform::ReplaceFileContents(compaction, {1, 2, 3});  // the running instance's compaction
    os.otherInstance = true;
    EXPECT_EQ(qm::app::StartUp(app, os), StartResult::AlreadyRunning);
    ASSERT_EQ(os.boxes.size(), 1u);
    EXPECT_EQ(os.boxes[0].text, "程序已运行!");
    EXPECT_EQ(os.boxes[0].style, 64);
    EXPECT_EQ(os.boxes[0].title, "提示");
    EXPECT_EQ(onDisk(), before);
    EXPECT_TRUE(qm::platform::FileExists(compaction));
    EXPECT_FALSE(app.DbConn.IsOpen());
}

TEST_F(StartupTest, FileLeftPlainByAKilledRunOpensWithItsData) {
    write(plainDatabaseWithUser("amy"));
    // A compaction the run was killed in left its plain copy of the book.
    const std::string compaction = qm::store::PathIn(app.AppPath, "$Temp.tmp");
    qm::platform::ReplaceFileContents(compaction, plainDatabaseWithUser("amy"));
    ASSERT_EQ(qm::app::StartUp(app, os), StartResult::Ready);
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_FALSE(qm::platform::FileExists(compaction));
    ASSERT_EQ(app.RsUser.RecordCount(), 1u);
    EXPECT_EQ(app.RsUser["UserName"].Text(), "amy");
    // A login-less end still puts it to rest, once.
    qm::app::LoginDialogClosed(app);
    EXPECT_EQ(qm::store::InspectDataFile(app.DataFilePath()), qm::store::FileForm::Enciphered);
    qm::app::CloseDataFile(app);  // a second end must not encipher it twice
    EXPECT_EQ(qm::store::InspectDataFile(app.DataFilePath()), qm::store::FileForm::Enciphered);
}

TEST_F(StartupTest, DamagedFilesAreReportedByNameAndLeftAsTheyWere) {
    Bytes junk(4096);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<unsigned char>(i * 31 + 7);
    Bytes headerOnly = xorred(plainDatabaseWithUser("amy"));
    for (size_t i = 100; i < headerOnly.size(); ++i) headerOnly[i] ^= 0x5A;  // right header, scrambled body
    Bytes truncated = xorred(plainDatabaseWithUser("amy"));
    truncated.resize(300);

    for (const Bytes& bad : {junk, headerOnly, truncated, Bytes{}}) {
        write(bad);
        refusedStart();
        EXPECT_EQ(onDisk(), bad) << "the file must stay byte for byte as it was";
    }
}

TEST_F(StartupTest, FileHeldByAnotherProgramIsReportedAsInUseAndLeftAsItWas) {
    // Both forms a file can be found in: at rest, and plain after a killed run.
    for (const Bytes& found : {xorred(plainDatabaseWithUser("amy")), plainDatabaseWithUser("amy")}) {
        write(found);
        qm::platform::ExclusiveFile backupTool;
        ASSERT_TRUE(backupTool.Open(app.DataFilePath(), qm::platform::ExclusiveFile::Mode::ReadOnly));
        EXPECT_EQ(qm::store::InspectDataFile(app.DataFilePath()), qm::store::FileForm::InUse);

        const std::string text = refusedStart();
        EXPECT_NE(text.find("正被另一个程序"), std::string::npos) << text;
        EXPECT_NE(text.find("请稍后再试"), std::string::npos) << text;
        EXPECT_EQ(text.find("损坏"), std::string::npos) << "a busy file is not a damaged one: " << text;

        backupTool.Close();
        EXPECT_EQ(onDisk(), found) << "the file must stay byte for byte as it was";
    }
}

TEST_F(StartupTest, EveryDamageIsToldByNameAndTheFileKeepsEveryByte) {
    const Bytes plain = plainBook(300);
    const size_t page = 256u * plain[16] + plain[17];
    ASSERT_EQ(plain.size() % page, 0u);
    // A page of account rows, well inside the file.
    const std::string marker = "account 150";
    const size_t at = std::search(plain.begin(), plain.end(), marker.begin(), marker.end()) - plain.begin();
    ASSERT_LT(at, plain.size());
    const size_t accounts = at / page * page;

    struct Damage {
        std::string what;
        Bytes bytes;
    };
    std::vector<Damage> cases;
    const auto cut = [&](size_t n, bool atRest = true) {
        Bytes b(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(n));
        cases.push_back({(atRest ? "at rest, cut to " : "plain, cut to ") + std::to_string(n), atRest ? xorred(b) : b});
    };
    for (size_t n : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{100}, size_t{511}, size_t{512}, page,
                     plain.size() / 2, plain.size() - page, plain.size() - 1})
        cut(n);
    cut(plain.size() - 1, false);
    cut(plain.size() - page, false);
    const auto flip = [&](size_t offset, const std::string& where, bool atRest = true) {
        Bytes b = plain;
        b[offset] ^= 0xFF;
        cases.push_back({(atRest ? "at rest, " : "plain, ") + where + " flipped", atRest ? xorred(b) : b});
    };
    // The header: magic, page size, format limits, page count, schema format, text encoding, first page's kind.
    for (size_t offset : {size_t{0}, size_t{16}, size_t{17}, size_t{21}, size_t{31}, size_t{47}, size_t{59}, size_t{100}})
        flip(offset, "header byte " + std::to_string(offset));
    // A page of accounts: its kind, its cell count, a cell's place, the end of its content.
    for (size_t offset : {size_t{0}, size_t{4}, size_t{8}, size_t{9}, size_t{5}})
        flip(accounts + offset, "account page byte " + std::to_string(offset));
    flip(accounts, "account page kind", false);
    flip(accounts + 4, "account page count", false);

    // Each case on its own: a failed one must not hide the others.
    const auto check = [&](const Damage& damage) {
        SCOPED_TRACE(damage.what);
        write(damage.bytes);
        const std::string text = refusedStart();
        EXPECT_NE(text.find("文件已损坏"), std::string::npos) << text;
        EXPECT_NE(text.find("文件保持原样,没有被修改。"), std::string::npos) << text;
        EXPECT_TRUE(onDisk() == damage.bytes) << "the file must stay byte for byte as it was";
        EXPECT_EQ(othersInFolder(), std::vector<std::string>{}) << "nothing is left beside it";
    };
    for (const Damage& damage : cases) check(damage);
}

TEST_F(StartupTest, AFolderOrAReadOnlyFileInItsPlaceIsToldByNameAndLeftAsItWas) {
    namespace fs = std::filesystem;
    const fs::path data = qm::test::PathOf(app.DataFilePath());
    const auto refused = [&](const std::string& words) {
        const std::string text = refusedStart();
        EXPECT_NE(text.find(words), std::string::npos) << text;
    };

    fs::create_directory(data);
    qm::platform::ReplaceFileContents(qm::test::Utf8(data / "kept.txt"), Bytes{'k'});
    refused("文件夹");
    EXPECT_TRUE(fs::is_directory(data));
    EXPECT_EQ(qm::platform::ReadWholeFile(qm::test::Utf8(data / "kept.txt")), Bytes{'k'});
    fs::remove_all(data);

    // At rest, and plain as a killed run leaves it.
    for (const Bytes& found : {xorred(plainDatabaseWithUser("amy")), plainDatabaseWithUser("amy")}) {
        write(found);
        fs::permissions(data, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        refused("只读");
        EXPECT_EQ(qm::platform::KindOf(app.DataFilePath()), qm::platform::PathKind::ReadOnlyFile);
        EXPECT_EQ(onDisk(), found);
        EXPECT_EQ(othersInFolder(), std::vector<std::string>{});
        fs::permissions(data, fs::perms::owner_write, fs::perm_options::add);
    }
}
