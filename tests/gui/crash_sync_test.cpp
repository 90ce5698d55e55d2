// Deaths inside a sync: the data file and the sync file are each as they
// were or as the sync leaves them, never a mixture, and the next login's
// sync finishes the work.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "crash_support.h"
#include "platform/files.h"

using namespace qm::gui_test;

namespace {

constexpr size_t kAccounts = 12;

std::string syncOption(const std::string& file) {
    return "insert into UserOptions values('amy', 'SyncFile', '" + file + "');";
}

std::set<std::string> identities(const ProgramCopy& copy) {
    std::set<std::string> out;
    for (const AccountRow& row : ReadColumns(copy.dataFileUtf8(), {"AccountGuid"})) out.insert(row[0]);
    return out;
}

// Logs in and answers the login sync's message, which says what it did.
HWND logInThroughTheSync(const Process& p, const std::wstring& said) {
    HWND main = LogIn(p);
    if (!main) return nullptr;
    HWND box = WaitForBoxSaying(p, said);
    if (!box) return nullptr;
    Answer(box);
    return main;
}

}  // namespace

TEST(CrashPoint, InsideASyncsLocalWriteAndItsFilesReplace) {
    // The office makes the sync file with its accounts at its login.
    ProgramCopy office;
    PrepareBook(office, kAccounts);
    const std::string file = office.folderUtf8() + "\\Quillmere-同步.dat";
    AlterAtRest(office, syncOption(file));
    {
        Process p;
        ASSERT_TRUE(StartShipped(office, p));
        HWND main = logInThroughTheSync(p, L"同步完成: 新增 " + std::to_wstring(kAccounts) + L",更新 0,删除 0,冲突 0");
        ASSERT_NE(main, nullptr);
        QuitProgram(main);
        ASSERT_EQ(p.WaitForExit(15000), 0);
    }
    size_t inFile = kAccounts;

    // Home has accounts of its own; its login sync dies writing the office's
    // into its data file, or just before it replaces the sync file.
    for (const char* point : {"sync.local", "sync.file"}) {
        SCOPED_TRACE(point);
        ProgramCopy home;
        PrepareBook(home, kAccounts);
        // Books are made alike; rows alike on two PCs would be joined as one imported twice.
        AlterAtRest(home, syncOption(file) + "update AccountData set AccountName = AccountName || '" + point + "';");
        const std::set<std::string> before = identities(home);
        const std::vector<unsigned char> made = qm::platform::ReadWholeFile(file);
        {
            Process p;
            ASSERT_TRUE(StartCrashing(home, p, point));
            ASSERT_NE(LogIn(p), nullptr);
            ASSERT_TRUE(DiedAtCrashPoint(p)) << "the program did not reach " << point;
        }
        const std::set<std::string> after = identities(home);
        EXPECT_TRUE(after == before || after.size() == kAccounts + inFile) << after.size() << " accounts";
        EXPECT_EQ(qm::platform::ReadWholeFile(file), made) << "the sync file is as it was";

        // The next login takes what is left to take and gives the office's file home's accounts.
        Process p;
        ASSERT_TRUE(StartShipped(home, p));
        HWND main = LogIn(p);
        ASSERT_NE(main, nullptr);
        HWND box = WaitForMessageBox(p.info.dwProcessId, 20000);
        ASSERT_NE(box, nullptr) << "the login's sync says what it did";
        EXPECT_EQ(MessageBoxText(box).rfind(L"同步完成: ", 0), 0u) << Utf8Of(MessageBoxText(box));
        Answer(box);
        QuitProgram(main);
        ASSERT_EQ(p.WaitForExit(15000), 0);
        EXPECT_EQ(identities(home).size(), kAccounts + inFile);
        inFile += kAccounts;
        EXPECT_NE(qm::platform::ReadWholeFile(file), made) << "home's accounts went into the sync file";
    }
}
