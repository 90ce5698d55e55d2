// The test-only program dies at each point where a write is half done; the
// shipped program then opens the file, the user logs in, and every account
// committed before the death is there exactly, the one in flight whole or
// not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <iostream>

#include <map>
#include <set>

#include "app/Startup.h"
#include "crash_support.h"
#include "crypto/SimpleXOR.h"
#include "platform/files.h"
#include "ui/test/TestHost.h"
#include "vault/Protection.h"

using namespace qm::gui_test;

namespace {

constexpr size_t kBookSize = 24;

// A category of the user's own, holding four of the book's accounts.
constexpr const char* kOwnCategory =
    "insert into AccountType values('amy', '工作', 11);"
    "update AccountData set TypeName = '工作' where rowid in (select rowid from AccountData order by rowid limit 4);";

// Starts the test-only program, lets `drive` take it to the point, and
// checks that it died there.
void crashAt(const ProgramCopy& copy, const char* point, const std::function<void(const Process&)>& drive) {
    Process p;
    ASSERT_TRUE(StartCrashing(copy, p, point));
    drive(p);
    ASSERT_TRUE(DiedAtCrashPoint(p)) << "the program did not reach " << point;
}

// What the next start finds must be the accounts before the change in
// flight, or those after it: nothing else.
void expectOneOf(const Accounts& found, const Accounts& before, const Accounts& after) {
    std::cout << "  the next start found the accounts " << (found == before ? "before" : found == after ? "after" : "of neither")
              << " the change" << std::endl;
    EXPECT_TRUE(found == before || found == after)
        << found.size() << " accounts found, " << before.size() << " before the change, " << after.size() << " after it";
}

Accounts with(Accounts accounts, const std::function<void(Accounts&)>& change) {
    change(accounts);
    return accounts;
}

void logInAndQuit(const Process& p) {
    HWND main = LogIn(p);
    ASSERT_NE(main, nullptr);
    QuitProgram(main);
}

HWND logInAndOpenTools(const Process& p) {
    HWND main = LogIn(p);
    return main ? OpenFromMain(p, main, L"工具(&T)", L"工具") : nullptr;
}

// The category page of the settings, with the user's own category (the last) chosen.
HWND chooseOwnCategory(const Process& p) {
    HWND main = LogIn(p);
    if (!main) return nullptr;
    HWND dialog = OpenFromMain(p, main, L"设置(&S)", L"设置");
    HWND tab = dialog ? FindDescendant(dialog, L"Static", L"帐号分类") : nullptr;
    if (!tab) return nullptr;
    HWND list = nullptr;
    for (int attempt = 0; attempt < 3 && !list; ++attempt) {
        BringToFront(dialog);
        ClickAt(CentreOf(tab));
        WaitUntil(
            [&] {
                HWND l = FindDescendant(dialog, L"ListBox");
                if (l && IsWindowVisible(l)) list = l;
                return list != nullptr;
            },
            3000);
    }
    if (!list || !ClickToFocus(list)) return nullptr;
    PressKey(VK_END);
    if (!WaitUntil([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == 9; }, 5000)) return nullptr;
    return dialog;
}

const char* const kPoints[] = {"start.deciphered", "update.written", "batch.written", "category.changed",
                               "backup.imaged",    "compact.copied", "compact.replaced", "restore.written",
                               "exit.closed",      "replace.written", "replace.renamed", "protect.on.key",
                               "protect.on.accounts", "protect.on.written", "protect.off.accounts", "protect.off.written",
                               "password.key.written", "password.accounts", "import.halfway", "upgrade.tables",
                               "edit.history", "edit.updated", "restore.history", "account.binned", "bin.moved",
                               "bin.restored", "bin.removed", "bin.purged", "sync.local", "sync.file", "sync.copies"};

// The look dialog of the first account of the list.
HWND lookAtFirst(const Process& p) {
    HWND main = LogIn(p);
    HWND list = main ? FindDescendant(main, L"SysListView32") : nullptr;
    if (!list || !WaitUntil([&] { return ListViewCount(list) > 0; }, 5000)) return nullptr;
    return OpenRowByDoubleClick(p, list, 0, L"查看资料");
}

bool contains(const std::vector<unsigned char>& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

}  // namespace

TEST(CrashPoint, OnlyTheTestProgramKnowsThem) {
    const auto shipped = qm::platform::ReadWholeFile(Utf8Of(ProgramFolder() + L"\\Quillmere.exe"));
    const auto crashing = qm::platform::ReadWholeFile(Utf8Of(ProgramFolder() + L"\\Quillmere_crashpoints.exe"));
    EXPECT_FALSE(contains(shipped, "QM_CRASH_AT"));
    EXPECT_TRUE(contains(crashing, "QM_CRASH_AT"));
    for (const char* point : kPoints) {
        EXPECT_FALSE(contains(shipped, point)) << point;
        EXPECT_TRUE(contains(crashing, point)) << point;
    }
}

TEST(CrashPoint, AfterTheStartDeciphersTheFileAndWhileItDoes) {
    for (const char* point : {"start.deciphered", "replace.written", "replace.renamed"}) {
        SCOPED_TRACE(point);
        ProgramCopy copy;
        PrepareBook(copy, kBookSize);
        const Accounts before = ReadAccounts(copy.dataFileUtf8());
        crashAt(copy, point, [](const Process&) {});
        EXPECT_EQ(OpenLogInAndQuit(copy), before);
    }
}

TEST(CrashPoint, AtTheExitAfterClosingAndWhileEnciphering) {
    // The second atomic replace of a run is the exit's encipherment.
    for (const char* point : {"exit.closed", "replace.written#2", "replace.renamed#2"}) {
        SCOPED_TRACE(point);
        ProgramCopy copy;
        PrepareBook(copy, kBookSize);
        const Accounts before = ReadAccounts(copy.dataFileUtf8());
        crashAt(copy, point, logInAndQuit);
        EXPECT_EQ(OpenLogInAndQuit(copy), before);
    }
}

TEST(CrashPoint, InsideTheUpgradeOfAnOlderFile) {
    ProgramCopy copy;
    // The tables as the versions before identities left them.
    PrepareBook(copy, kBookSize,
                "ALTER TABLE AccountData DROP COLUMN ChangedTime; ALTER TABLE AccountData DROP COLUMN CreatedTime; "
                "ALTER TABLE AccountData DROP COLUMN AccountGuid; DROP TABLE AccountHistory; DROP TABLE RecycleBin");
    const Accounts before = ReadAccounts(copy.dataFileUtf8());
    crashAt(copy, "upgrade.tables", [](const Process&) {});
    EXPECT_EQ(OpenLogInAndQuit(copy), before);
    std::set<std::string> identities;
    for (const AccountRow& row : ReadColumns(copy.dataFileUtf8(), {"AccountGuid"})) identities.insert(row[0]);
    EXPECT_EQ(identities.size(), before.size()) << "every account has an identity of its own";
    EXPECT_EQ(identities.begin()->size(), 32u);
}

TEST(CrashPoint, InsideAnAccountsSave) {
    ProgramCopy copy;
    PrepareBook(copy, kBookSize);
    const Accounts before = ReadAccounts(copy.dataFileUtf8());
    crashAt(copy, "update.written", [](const Process& p) {
        HWND main = LogIn(p);
        ASSERT_NE(main, nullptr);
        AddAccount(p, main, L"其它", L"新帐号", L"newid", L"pw9999");
    });
    const Accounts found = OpenLogInAndQuit(copy);
    if (found == before) return;
    ASSERT_EQ(found.size(), before.size() + 1) << "the saved account is whole or absent, the others untouched";
    ASSERT_TRUE(std::includes(found.begin(), found.end(), before.begin(), before.end()));
    const AccountRow* added = nullptr;
    for (const AccountRow& row : found)
        if (!before.count(row)) added = &row;
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(Column(*added, "TypeName"), "其它");
    EXPECT_EQ(Column(*added, "AccountName"), "新帐号");
    EXPECT_EQ(Column(*added, "AccountID"), "newid");
    qm::crypto::clsSimpleXOR x;
    EXPECT_EQ(x.DecryptString(Column(*added, "AccountPassword"), qm::crypto::kAccountPasswordKey), "pw9999");
}

TEST(CrashPoint, InsideACategorysRenameAndDelete) {
    {
        SCOPED_TRACE("rename");
        ProgramCopy copy;
        PrepareBook(copy, kBookSize, kOwnCategory);
        const Accounts before = ReadAccounts(copy.dataFileUtf8());
        crashAt(copy, "category.changed", [](const Process& p) {
            HWND dialog = chooseOwnCategory(p);
            ASSERT_NE(dialog, nullptr);
            Press(dialog, L"修改(&E)");
            HWND name = nullptr;
            ASSERT_TRUE(WaitUntil([&] { return (name = FindDescendant(dialog, L"Edit", L"工作")) != nullptr; }, 5000));
            ASSERT_TRUE(ClickToFocus(name));
            PressKey(VK_END);
            PressKey(VK_BACK);
            PressKey(VK_BACK);
            TypeText(L"项目");
            ASSERT_TRUE(WaitUntil([&] { return TextOf(name) == L"项目"; }, 5000));
            PressKey(VK_RETURN);
        });
        const Accounts renamed = with(before, [](Accounts& all) {
            Accounts out;
            for (AccountRow row : all) {
                if (row[1] == "工作") row[1] = "项目";
                out.insert(row);
            }
            all = out;
        });
        expectOneOf(OpenLogInAndQuit(copy), before, renamed);
    }
    {
        SCOPED_TRACE("delete");
        ProgramCopy copy;
        PrepareBook(copy, kBookSize, kOwnCategory);
        const Accounts before = ReadAccounts(copy.dataFileUtf8());
        crashAt(copy, "category.changed", [](const Process& p) {
            HWND dialog = chooseOwnCategory(p);
            ASSERT_NE(dialog, nullptr);
            Press(dialog, L"删除(&D)");
            HWND question = WaitForBoxSaying(p, L"是否删除“工作”分类和“工作”分类下所有数据?");
            ASSERT_NE(question, nullptr);
            PressButton(question, IDYES);
        });
        const Accounts deleted = with(before, [](Accounts& all) {
            std::erase_if(all, [](const AccountRow& row) { return row[1] == "工作"; });
        });
        ASSERT_EQ(deleted.size(), before.size() - 4);
        expectOneOf(OpenLogInAndQuit(copy), before, deleted);
    }
}

TEST(CrashPoint, InsideABackupOverAnOldOne) {
    for (const char* point : {"backup.imaged", "replace.written#2"}) {
        SCOPED_TRACE(point);
        ProgramCopy copy;
        PrepareBook(copy, kBookSize);
        const std::wstring backup = copy.folder() + L"\\old.dat";
        ASSERT_TRUE(CopyFileW(copy.dataFile().c_str(), backup.c_str(), FALSE));
        const auto backupBytes = qm::platform::ReadWholeFile(Utf8Of(backup));
        // The new backup must differ from the old one, or a half-written one could not be told apart.
        AlterAtRest(copy, "delete from AccountData where rowid % 2 = 0");
        const Accounts before = ReadAccounts(copy.dataFileUtf8());
        crashAt(copy, point, [&](const Process& p) {
            HWND tools = logInAndOpenTools(p);
            ASSERT_NE(tools, nullptr);
            Press(tools, L"备份数据(&B)");
            ChooseInFileDialog(p, L"保存备份文件", backup);
        });
        EXPECT_EQ(GetFileAttributesW((copy.folder() + L"\\SystemDataBackup.dat").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the backup was aimed at the old one";
        EXPECT_EQ(qm::platform::ReadWholeFile(Utf8Of(backup)), backupBytes) << "the old backup stays whole";
        EXPECT_EQ(OpenLogInAndQuit(copy), before);
    }
}

TEST(CrashPoint, InsideACompaction) {
    for (const char* point : {"compact.copied", "compact.replaced"}) {
        SCOPED_TRACE(point);
        ProgramCopy copy;
        PrepareBook(copy, kBookSize, "delete from AccountData where rowid % 2 = 0");
        const Accounts before = ReadAccounts(copy.dataFileUtf8());
        crashAt(copy, point, [](const Process& p) {
            HWND tools = logInAndOpenTools(p);
            ASSERT_NE(tools, nullptr);
            Press(tools, L"压缩数据(&C)");
        });
        EXPECT_EQ(OpenLogInAndQuit(copy), before);
    }
}

TEST(CrashPoint, InsideARestoreAndItsBatchUpdate) {
    // The second batch of a restore writes the backup's accounts.
    for (const char* point : {"batch.written#2", "restore.written"}) {
        SCOPED_TRACE(point);
        ProgramCopy copy;
        PrepareBook(copy, kBookSize);
        const std::wstring backup = copy.folder() + L"\\old.dat";
        ASSERT_TRUE(CopyFileW(copy.dataFile().c_str(), backup.c_str(), FALSE));
        const Accounts old = ReadAccounts(Utf8Of(backup));
        AlterAtRest(copy, "delete from AccountData where rowid % 3 = 0;"
                          "insert into AccountData (UserName, TypeName, AccountName, AccountPY, AccountID,"
                          " AccountPassword, RegDate, URL, Remarks, AccountGuid, CreatedTime, ChangedTime)"
                          " select UserName, TypeName, AccountName || '新', AccountPY, AccountID, AccountPassword,"
                          " RegDate, URL, Remarks, lower(hex(randomblob(16))), CreatedTime, ChangedTime"
                          " from AccountData where rowid % 3 = 1;");
        const Accounts before = ReadAccounts(copy.dataFileUtf8());
        ASSERT_NE(before, old);
        crashAt(copy, point, [&](const Process& p) {
            HWND tools = logInAndOpenTools(p);
            ASSERT_NE(tools, nullptr);
            Press(tools, L"恢复数据(&R)");
            ASSERT_TRUE(ChooseInFileDialog(p, L"请选择备份文件", backup));
            HWND restore = WaitForWindow(p.info.dwProcessId, L"恢复数据", 10000);
            ASSERT_TRUE(restore && BringToFront(restore));
            HWND users = FindDescendant(restore, L"ComboBox");
            ASSERT_NE(users, nullptr);
            PressKey(VK_DOWN);
            ASSERT_TRUE(WaitUntil([&] { return SendMessageW(users, CB_GETCURSEL, 0, 0) == 0; }, 5000));
            PressKey(VK_TAB);
            TypeText(kBookPassword);
            PressKey(VK_RETURN);
            HWND question = WaitForBoxSaying(p, L"恢复数据将会覆盖现有的数据,是否继续?");
            ASSERT_NE(question, nullptr);
            PressButton(question, IDYES);
        });
        expectOneOf(OpenLogInAndQuit(copy), before, old);
    }
}

TEST(CrashPoint, InsideAnImport) {
    ProgramCopy copy;
    PrepareBook(copy, kBookSize);
    const Accounts before = ReadAccounts(copy.dataFileUtf8());
    std::string file = "name,url,username,password\r\n";
    for (int i = 0; i < 40; ++i) file += "site" + std::to_string(i) + ",https://s" + std::to_string(i) + ".cn,u,p\r\n";
    qm::platform::ReplaceFileContents(copy.folderUtf8() + "\\in.csv", std::vector<unsigned char>(file.begin(), file.end()));
    crashAt(copy, "import.halfway", [&](const Process& p) {
        HWND tools = logInAndOpenTools(p);
        ASSERT_NE(tools, nullptr);
        Press(tools, L"导入数据(&I)");
        ChooseInFileDialog(p, L"选择要导入的文件", copy.folder() + L"\\in.csv");
        HWND preview = WaitForWindow(p.info.dwProcessId, L"导入数据", 10000);
        ASSERT_NE(preview, nullptr);
        Press(preview, L"开始导入(&S)");
    });
    EXPECT_EQ(OpenLogInAndQuit(copy), before) << "none of the import is kept";
}

namespace {

// What a user of the book reads in every account: the passwords and remarks
// as opened by the program's own code after logging in with `password`,
// and whether the user is protected. A text that does not open reads "<damaged>".
struct Readable {
    bool protectedUser = false;
    std::map<std::string, std::pair<std::string, std::string>> secrets;
    bool operator==(const Readable&) const = default;
};

Readable readable(const ProgramCopy& copy, const std::string& password) {
    qm::ui::TestHost host;
    qm::app::AppContext app;
    app.AppPath = copy.folderUtf8();
    Readable r;
    if (qm::app::StartUp(app, host.os) != qm::app::StartResult::Ready) return r;
    app.RsUser.Filter("UserName = 'amy'");
    EXPECT_EQ(app.Secrets.LogIn(app.DbConn, app.RsUser, password), qm::vault::Proof::Right);
    r.protectedUser = app.Secrets.Protected();
    app.RsData.Requery();
    for (; !app.RsData.Eof(); app.RsData.MoveNext()) {
        const std::string account = app.RsData["AccountGuid"].Text();
        const auto pw = app.Secrets.Open(qm::vault::Field::AccountPassword, app.RsData["AccountPassword"].Text(), account);
        const auto remarks = app.Secrets.Open(qm::vault::Field::Remarks, app.RsData["Remarks"].Text(), account);
        r.secrets[app.RsData["AccountName"].Text() + "/" + app.RsData["AccountID"].Text()] = {
            pw ? pw->str() : "<damaged>", remarks ? remarks->str() : "<damaged>"};
    }
    qm::app::CloseDataFile(app);
    return r;
}

// Switches the book's user on with the program's own code, at rest.
void protectAtRest(const ProgramCopy& copy) {
    qm::ui::TestHost host;
    qm::app::AppContext app;
    app.AppPath = copy.folderUtf8();
    ASSERT_EQ(qm::app::StartUp(app, host.os), qm::app::StartResult::Ready);
    app.RsUser.Filter("UserName = 'amy'");
    const std::string password = Utf8Of(kBookPassword);
    const qm::vault::Proven proven = app.Secrets.Prove(app.DbConn, app.RsUser, password);
    qm::vault::SwitchOn(app.DbConn, app.RsUser, app.Secrets, proven, password);
    qm::app::CloseDataFile(app);
}

// The settings' security page: the strong protection's box clicked, OK, and the password given.
void switchProtection(const Process& p, bool on) {
    HWND main = LogIn(p);
    ASSERT_NE(main, nullptr);
    HWND settings = OpenFromMain(p, main, L"设置(&S)", L"设置");
    ASSERT_NE(settings, nullptr);
    ClickAt(CentreOf(FindDescendant(settings, L"Static", L"安全")));
    HWND box = FindDescendant(settings, L"Button", L"加强保护(推荐)");
    ASSERT_TRUE(WaitUntil([&] { return box && IsWindowVisible(box); }, 5000));
    ClickAt(CentreOf(box));
    ASSERT_TRUE(WaitUntil([&] { return (SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) == on; }, 5000));
    Press(settings, L"确定(&O)");
    if (!on) PressButton(WaitForBoxSaying(p, L"关闭加强保护后,密码和备注将只受程序内置的混淆保护,拿到数据文件的人可以还原它们。是否继续?"), IDYES);
    HWND dialog = WaitForWindow(p.info.dwProcessId, L"加强保护", 10000);
    ASSERT_TRUE(dialog && BringToFront(dialog));
    TypeText(kBookPassword);
    PressKey(VK_RETURN);
}

enum What { On, Off, NewPassword, Restore };
struct ProtectionCase {
    const char* point;
    What what;
};
void PrintTo(const ProtectionCase& c, std::ostream* os) { *os << c.point; }

// One test per point, each within the time a test may take.
class CrashInsideProtection : public ::testing::TestWithParam<ProtectionCase> {};

}  // namespace

// A death anywhere inside switching on or off, a new password, or a restore
// for a protected user leaves the user wholly in one form: the shipped
// program logs in, and every password and remark reads as before.
TEST_P(CrashInsideProtection, LeavesTheUserInOneFormWithEveryAccountReadable) {
    const auto [point, what] = GetParam();
    const std::string password = Utf8Of(kBookPassword);
    ProgramCopy copy;
    PrepareBook(copy, kBookSize, "update AccountData set Remarks = '备注' || rowid");
    const std::wstring backup = copy.folder() + L"\\old.dat";
    ASSERT_TRUE(CopyFileW(copy.dataFile().c_str(), backup.c_str(), FALSE));
    if (what != On) protectAtRest(copy);
    const Readable before = readable(copy, password);
    ASSERT_EQ(before.secrets.size(), kBookSize);
    crashAt(copy, point, [&](const Process& p) {
        if (what == On || what == Off) return switchProtection(p, what == On);
        HWND tools = logInAndOpenTools(p);
        ASSERT_NE(tools, nullptr);
        if (what == NewPassword) {
            Press(tools, L"修改密码(&P)");
            HWND dialog = WaitForWindow(p.info.dwProcessId, L"修改密码", 10000);
            ASSERT_TRUE(dialog && BringToFront(dialog));
            for (const wchar_t* text : {kBookPassword, L"new-pass-9", L"new-pass-9"}) {
                TypeText(text);
                PressKey(VK_TAB);
            }
            Press(dialog, L"确定(&O)");
            return;
        }
        Press(tools, L"恢复数据(&R)");
        ASSERT_TRUE(ChooseInFileDialog(p, L"请选择备份文件", backup));
        HWND restore = WaitForWindow(p.info.dwProcessId, L"恢复数据", 10000);
        ASSERT_TRUE(restore && BringToFront(restore));
        PressKey(VK_DOWN);
        PressKey(VK_TAB);
        TypeText(kBookPassword);
        PressKey(VK_RETURN);
        PressButton(WaitForBoxSaying(p, L"恢复数据将会覆盖现有的数据,是否继续?"), IDYES);
    });
    EXPECT_EQ(OpenLogInAndQuit(copy).size(), kBookSize);
    const Readable after = readable(copy, password);
    EXPECT_EQ(after.secrets, before.secrets) << "every account reads as before";
    if (what == On || what == Off)
        std::cout << "  the next start found the user " << (after.protectedUser ? "" : "not ") << "protected" << std::endl;
    else
        EXPECT_TRUE(after.protectedUser);
}

INSTANTIATE_TEST_SUITE_P(CrashPoint, CrashInsideProtection,
                         ::testing::Values(ProtectionCase{"protect.on.key", On}, ProtectionCase{"protect.on.accounts", On},
                                           ProtectionCase{"protect.on.written", On},
                                           ProtectionCase{"protect.off.accounts", Off},
                                           ProtectionCase{"protect.off.written", Off},
                                           ProtectionCase{"password.key.written", NewPassword},
                                           ProtectionCase{"password.accounts", NewPassword},
                                           ProtectionCase{"restore.written", Restore}),
                         [](const ::testing::TestParamInfo<ProtectionCase>& info) {
                             std::string name = info.param.point;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name + (info.param.what == Restore ? "_protected" : "");
                         });

TEST(CrashPoint, InsideASaveThatKeepsAVersionAndInsideARestoreOfOne) {
    for (const char* point : {"edit.history", "edit.updated"}) {
        SCOPED_TRACE(point);
        ProgramCopy copy;
        PrepareBook(copy, kBookSize);
        const Accounts before = ReadAccounts(copy.dataFileUtf8());
        crashAt(copy, point, [](const Process& p) {
            HWND look = lookAtFirst(p);
            ASSERT_NE(look, nullptr);
            PostMessageW(FindDescendant(look, L"Button", L"修改(&E)"), BM_CLICK, 0, 0);
            // The remarks: the one multi-line edit, writable once the dialog edits.
            HWND remarks = nullptr;
            ASSERT_TRUE(WaitUntil(
                [&] {
                    EnumChildWindows(
                        look,
                        [](HWND e, LPARAM found) -> BOOL {
                            wchar_t cls[16] = L"";
                            GetClassNameW(e, cls, 16);
                            const LONG style = GetWindowLongW(e, GWL_STYLE);
                            if (lstrcmpiW(cls, L"Edit") == 0 && (style & ES_MULTILINE) && !(style & ES_READONLY))
                                *reinterpret_cast<HWND*>(found) = e;
                            return TRUE;
                        },
                        reinterpret_cast<LPARAM>(&remarks));
                    return remarks != nullptr;
                },
                5000));
            SendMessageW(remarks, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"changed at a crash point"));
            PostMessageW(FindDescendant(look, L"Button", L"保存(&S)"), BM_CLICK, 0, 0);
        });
        // The version and the change are one transaction: neither stays.
        EXPECT_EQ(OpenLogInAndQuit(copy), before);
    }
    ProgramCopy copy;
    PrepareBook(copy, kBookSize,
                "insert into AccountHistory select UserName, AccountGuid, TypeName, AccountName, AccountID, "
                "AccountPassword, RegDate, 'http://earlier.example', Remarks, ChangedTime - 60, ChangedTime, OtpSecret "
                "from AccountData;");
    const Accounts before = ReadAccounts(copy.dataFileUtf8());
    crashAt(copy, "restore.history", [](const Process& p) {
        HWND look = lookAtFirst(p);
        ASSERT_NE(look, nullptr);
        PostMessageW(FindDescendant(look, L"Button", L"历史(&H)"), BM_CLICK, 0, 0);
        HWND history = WaitForWindow(p.info.dwProcessId, L"历史记录", 10000);
        ASSERT_NE(history, nullptr);
        PostMessageW(FindDescendant(history, L"Button", L"恢复此版本(&R)"), BM_CLICK, 0, 0);
        Answer(WaitForBoxSaying(p, L"确定要恢复到此版本吗?当前内容将保存到历史记录中。"));
    });
    EXPECT_EQ(OpenLogInAndQuit(copy), before);
}

namespace {

// A quarter of the book waits in the bin, deleted long ago.
constexpr const char* kBinned =
    "insert into RecycleBin select UserName, TypeName, AccountName, AccountPY, AccountID, AccountPassword, RegDate, URL,"
    " Remarks, AccountGuid, CreatedTime, ChangedTime, 11, 0, OtpSecret from AccountData where rowid % 4 = 0;"
    "delete from AccountData where rowid % 4 = 0;";
// ... and stays there at every login.
constexpr const char* kKeptForever = "insert into UserOptions values('amy', 'RecycleBinDays', '0');";

std::set<std::string> identities(const ProgramCopy& copy, const char* table) {
    std::set<std::string> out;
    for (const AccountRow& row : ReadColumns(copy.dataFileUtf8(), {"AccountGuid"}, table)) out.insert(row[0]);
    return out;
}

HWND openBin(const Process& p) {
    HWND tools = logInAndOpenTools(p);
    if (!tools) return nullptr;
    Press(tools, L"回收站(&B)");
    HWND bin = WaitForWindow(p.info.dwProcessId, L"回收站", 10000);
    HWND list = bin ? FindDescendant(bin, L"SysListView32") : nullptr;
    return list && SelectRow(list, 0) ? bin : nullptr;
}

void pressAndConfirm(const Process& p, HWND dialog, const wchar_t* button, const std::wstring& question) {
    Press(dialog, button);
    HWND box = WaitForBoxSaying(p, question);
    ASSERT_NE(box, nullptr);
    PressButton(box, IDYES);
}

}  // namespace

// Every account is in the book or in the bin after a death inside a delete,
// a restore, a deletion for good, an emptying or the login's purge: never in
// both, never lost, the change whole or not at all.
TEST(CrashPoint, InsideTheRecycleBinsChanges) {
    struct Case {
        const char* point;
        std::string sql;
        int bookChange;  // accounts the book gains (-1: one goes to the bin)
        int binChange;   // accounts the bin gains; INT_MIN: it empties
        std::function<void(const Process&)> drive;
    };
    const Case cases[] = {
        {"account.binned", kKeptForever, -1, 1,
         [](const Process& p) {
             HWND main = LogIn(p);
             ASSERT_NE(main, nullptr);
             HWND list = FindDescendant(main, L"SysListView32");
             ASSERT_TRUE(list && SelectRow(list, 0));
             pressAndConfirm(p, main, L"删除(&D)", L"是否删除帐号<" + ListViewCell(list, 0, 1) + L">,删除后将不可恢复,请确认!");
         }},
        {"bin.moved", std::string(kOwnCategory) + kKeptForever, -4, 4,
         [](const Process& p) {
             HWND dialog = chooseOwnCategory(p);
             ASSERT_NE(dialog, nullptr);
             pressAndConfirm(p, dialog, L"删除(&D)", L"是否删除“工作”分类和“工作”分类下所有数据?");
         }},
        {"bin.restored", std::string(kBinned) + kKeptForever, 1, -1,
         [](const Process& p) {
             HWND bin = openBin(p);
             ASSERT_NE(bin, nullptr);
             Press(bin, L"恢复(&R)");
         }},
        {"bin.removed", std::string(kBinned) + kKeptForever, 0, -1,
         [](const Process& p) {
             HWND bin = openBin(p);
             ASSERT_NE(bin, nullptr);
             pressAndConfirm(p, bin, L"彻底删除(&D)", L"确定要彻底删除该帐号吗?删除后将无法恢复。");
         }},
        {"bin.removed", std::string(kBinned) + kKeptForever, 0, INT_MIN,
         [](const Process& p) {
             HWND bin = openBin(p);
             ASSERT_NE(bin, nullptr);
             pressAndConfirm(p, bin, L"清空回收站(&E)", L"确定要清空回收站吗?其中的帐号将无法恢复。");
         }},
        {"bin.purged", kBinned, 0, INT_MIN, [](const Process& p) { LogIn(p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.point);
        ProgramCopy copy;
        PrepareBook(copy, kBookSize, c.sql);
        const std::set<std::string> book = identities(copy, "AccountData"), bin = identities(copy, "RecycleBin");
        crashAt(copy, c.point, c.drive);
        // Read before the next login, whose purge may empty the bin.
        const std::set<std::string> bookAfter = identities(copy, "AccountData"), binAfter = identities(copy, "RecycleBin");
        const size_t binDone = c.binChange == INT_MIN ? 0 : bin.size() + c.binChange;
        const bool untouched = bookAfter == book && binAfter == bin;
        const bool done = bookAfter.size() == book.size() + c.bookChange && binAfter.size() == binDone;
        EXPECT_TRUE(untouched || done) << bookAfter.size() << " in the book, " << binAfter.size() << " in the bin";
        for (const std::string& guid : bookAfter) EXPECT_EQ(binAfter.count(guid), 0u) << guid << " is in the book and the bin";
        if (c.bookChange != 0) {
            std::set<std::string> all = book, allAfter = bookAfter;
            all.insert(bin.begin(), bin.end());
            allAfter.insert(binAfter.begin(), binAfter.end());
            EXPECT_EQ(allAfter, all) << "a move loses no account";
        }
        const Accounts found = OpenLogInAndQuit(copy);
        EXPECT_EQ(found.size(), bookAfter.size()) << "the shipped program opens the file with its accounts";
    }
}
