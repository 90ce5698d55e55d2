#include "app/Startup.h"

#include <gtest/gtest.h>

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

    qm::test::TempDir dir;
    AppContext app;
    FakePlatform os;
};

}  // namespace

TEST_F(StartupTest, MissingFileIsCreatedOpenedEmptyAndEncipheredAtTheEnd) {
    ASSERT_EQ(qm::app::StartUp(app, os), StartResult::Ready);
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_EQ(app.RsUser.RecordCount(), 0u);
    EXPECT_EQ(app.RsData.FieldCount(), 9u);
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
    os.otherInstance = true;
    EXPECT_EQ(qm::app::StartUp(app, os), StartResult::AlreadyRunning);
    ASSERT_EQ(os.boxes.size(), 1u);
    EXPECT_EQ(os.boxes[0].text, "程序已运行!");
    EXPECT_EQ(os.boxes[0].style, 64);
    EXPECT_EQ(os.boxes[0].title, "提示");
    EXPECT_EQ(onDisk(), before);
    EXPECT_FALSE(app.DbConn.IsOpen());
}

TEST_F(StartupTest, FileLeftPlainByAKilledRunOpensWithItsData) {
    write(plainDatabaseWithUser("amy"));
    ASSERT_EQ(qm::app::StartUp(app, os), StartResult::Ready);
    EXPECT_TRUE(os.boxes.empty());
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
        AppContext fresh;
        fresh.AppPath = app.AppPath;
        FakePlatform box;
        EXPECT_EQ(qm::app::StartUp(fresh, box), StartResult::DataFileRefused);
        ASSERT_EQ(box.boxes.size(), 1u);
        EXPECT_NE(box.boxes[0].text.find(app.DataFilePath()), std::string::npos) << box.boxes[0].text;
        EXPECT_EQ(box.boxes[0].title, "提示");
        EXPECT_EQ(onDisk(), bad) << "the file must stay byte for byte as it was";
        EXPECT_FALSE(fresh.DbConn.IsOpen());
    }
}

TEST_F(StartupTest, FileHeldByAnotherProgramIsReportedAsInUseAndLeftAsItWas) {
    // Both forms a file can be found in: at rest, and plain after a killed run.
    for (const Bytes& found : {xorred(plainDatabaseWithUser("amy")), plainDatabaseWithUser("amy")}) {
        write(found);
        qm::platform::ExclusiveFile backupTool;
        ASSERT_TRUE(backupTool.Open(app.DataFilePath(), qm::platform::ExclusiveFile::Mode::ReadOnly));
        EXPECT_EQ(qm::store::InspectDataFile(app.DataFilePath()), qm::store::FileForm::InUse);

        AppContext fresh;
        fresh.AppPath = app.AppPath;
        FakePlatform box;
        EXPECT_EQ(qm::app::StartUp(fresh, box), StartResult::DataFileRefused);
        EXPECT_FALSE(fresh.DbConn.IsOpen());
        ASSERT_EQ(box.boxes.size(), 1u);
        const std::string& text = box.boxes[0].text;
        EXPECT_NE(text.find(app.DataFilePath()), std::string::npos) << text;
        EXPECT_NE(text.find("正被另一个程序"), std::string::npos) << text;
        EXPECT_NE(text.find("请稍后再试"), std::string::npos) << text;
        EXPECT_EQ(text.find("损坏"), std::string::npos) << "a busy file is not a damaged one: " << text;
        EXPECT_EQ(box.boxes[0].style, qm::platform::vbExclamation);

        backupTool.Close();
        EXPECT_EQ(onDisk(), found) << "the file must stay byte for byte as it was";
    }
}
