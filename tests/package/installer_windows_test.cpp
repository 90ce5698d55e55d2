// The installer's and the uninstaller's pages, driven as a user drives them:
// the Chinese pages (with screenshots), a folder that cannot be written, a
// program still running, and the box that deletes the user's data.
#include <gtest/gtest.h>

#include <iostream>

#include "package_support.h"
#include "platform/win32/Win32Platform.h"

using namespace qm::gui_test;
using namespace qm::package_test;
using qm::platform::Narrow;

namespace {

const std::wstring kSetupCaption = L"Quillmere " QM_VERSION L" 安装";
const std::wstring kUninstallCaption = L"Quillmere 卸载";
// NSIS's wizard buttons.
constexpr int kNext = IDOK, kRetry = IDRETRY;

bool startInstaller(Process& p) {
    std::wstring command = L"\"" + SetupPath() + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.info) !=
           FALSE;
}

HWND waitForWizard(const std::wstring& caption) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindWindowW(L"#32770", caption.c_str());
            return found && IsWindowVisible(found);
        },
        15000);
    return found;
}

// Waits until the wizard shows a page with this text (a title or a heading).
bool waitForPage(HWND wizard, const std::wstring& text, DWORD ms = 10000) {
    return WaitUntil([&] { return FindDescendant(wizard, L"Static", text) != nullptr; }, ms);
}

// A message box the wizard shows over itself.
HWND waitForBoxOver(HWND wizard, DWORD ms = 10000) {
    struct Find {
        HWND owner;
        HWND found;
    } f{wizard, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(
                [](HWND hwnd, LPARAM lp) -> BOOL {
                    auto& f = *reinterpret_cast<Find*>(lp);
                    wchar_t cls[32] = L"";
                    GetClassNameW(hwnd, cls, 32);
                    if (GetWindow(hwnd, GW_OWNER) == f.owner && IsWindowVisible(hwnd) &&
                        std::wstring(cls) == L"#32770") {
                        f.found = hwnd;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&f));
            return f.found != nullptr;
        },
        ms);
    return f.found;
}

void closeBox(HWND box, int button) {
    PressButton(box, button);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
}

void setFolder(HWND wizard, const std::wstring& folder) {
    HWND edit = FindDescendant(wizard, L"Edit");
    ASSERT_NE(edit, nullptr);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
}

bool contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

}  // namespace

TEST(InstallerWindows, ChinesePagesRefuseALockedFolderAndInstallWhereTheUserChooses) {
    Process setup;
    ASSERT_TRUE(startInstaller(setup));
    HWND wizard = waitForWizard(kSetupCaption);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(waitForPage(wizard, L"欢迎安装 Quillmere " QM_VERSION));
    SaveScreenshot(wizard, L"installer-welcome");

    PressButton(wizard, kNext);
    ASSERT_TRUE(waitForPage(wizard, L"选择安装位置"));
    EXPECT_EQ(TextOf(FindDescendant(wizard, L"Edit")), DefaultFolder());
    SaveScreenshot(wizard, L"installer-folder");

    if (!CanWriteInto(L"C:\\locked")) {
        setFolder(wizard, L"C:\\locked\\Quillmere");
        PressButton(wizard, kNext);
        HWND box = waitForBoxOver(wizard);
        ASSERT_NE(box, nullptr) << "a folder nobody may write into was not refused";
        EXPECT_TRUE(contains(MessageBoxText(box), L"无法写入这个文件夹：\r\nC:\\locked\\Quillmere"))
            << Narrow(MessageBoxText(box));
        SaveScreenshot(box, L"installer-folder-refused");
        closeBox(box, IDOK);
        EXPECT_NE(FindDescendant(wizard, L"Static", L"选择安装位置"), nullptr) << "the folder page stays";
        EXPECT_FALSE(FolderExists(L"C:\\locked\\Quillmere"));
    } else {
        std::cout << "note: C:\\locked could not be locked on this machine; its refusal is not tried\n";
    }

    const std::wstring chosen = L"C:\\我的软件\\Quillmere";
    setFolder(wizard, chosen);
    PressButton(wizard, kNext);
    ASSERT_TRUE(waitForPage(wizard, L"Quillmere 安装完成", 30000));
    HWND run = FindDescendant(wizard, L"Button", L"运行 Quillmere");
    HWND desktop = FindDescendant(wizard, L"Button", L"在桌面上创建快捷方式");
    ASSERT_NE(run, nullptr);
    ASSERT_NE(desktop, nullptr);
    EXPECT_EQ(SendMessageW(desktop, BM_GETCHECK, 0, 0), BST_CHECKED);
    SaveScreenshot(wizard, L"installer-finish");
    SendMessageW(run, BM_SETCHECK, BST_UNCHECKED, 0);
    PressButton(wizard, kNext);
    EXPECT_EQ(setup.WaitForExit(10000), 0);

    for (const wchar_t* name : kInstalledFiles)
        EXPECT_TRUE(Exists(chosen + name)) << Narrow(name);
    EXPECT_EQ(UninstallValue(L"InstallLocation"), chosen);
    EXPECT_EQ(_wcsicmp(ShortcutTarget(DesktopShortcut()).c_str(), (chosen + L"\\Quillmere.exe").c_str()), 0);
    EXPECT_FALSE(FolderExists(DefaultFolder()));
}

TEST(InstallerWindows, WaitsUntilTheUserQuitsTheProgramRunningFromTheFolder) {
    ASSERT_EQ(InstallSilently(), 0);
    const std::wstring folder = DefaultFolder();
    WriteBytes(folder + L"\\帮助.doc", "the help as it was");
    Process program;
    ASSERT_TRUE(StartProgram(folder, program));
    HWND login = WaitForWindow(program.info.dwProcessId, L"登录", 15000);
    ASSERT_NE(login, nullptr);

    Process setup;
    ASSERT_TRUE(startInstaller(setup));
    HWND wizard = waitForWizard(kSetupCaption);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(waitForPage(wizard, L"欢迎安装 Quillmere " QM_VERSION));
    PressButton(wizard, kNext);
    ASSERT_TRUE(waitForPage(wizard, L"选择安装位置"));
    // (The page shows the folder it read from the uninstall entry with a trailing backslash.)
    std::wstring shown = TextOf(FindDescendant(wizard, L"Edit"));
    if (!shown.empty() && shown.back() == L'\\') shown.pop_back();
    EXPECT_EQ(shown, folder) << "an upgrade goes where the data is";
    PressButton(wizard, kNext);

    HWND box = waitForBoxOver(wizard);
    ASSERT_NE(box, nullptr) << "the running program was not noticed";
    EXPECT_TRUE(contains(MessageBoxText(box), L"Quillmere 正在从这个文件夹运行")) << Narrow(MessageBoxText(box));
    SaveScreenshot(box, L"installer-program-running");
    EXPECT_EQ(ReadBytes(folder + L"\\帮助.doc"), "the help as it was") << "nothing is copied while it runs";

    // The user quits the program and tries again.
    PostMessageW(login, WM_CLOSE, 0, 0);
    ASSERT_EQ(program.WaitForExit(10000), 0);
    closeBox(box, kRetry);
    ASSERT_TRUE(waitForPage(wizard, L"Quillmere 安装完成", 30000));
    HWND desktop = FindDescendant(wizard, L"Button", L"在桌面上创建快捷方式");
    ASSERT_NE(desktop, nullptr);
    EXPECT_EQ(SendMessageW(desktop, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "an upgrade keeps the desktop as it was";
    SendMessageW(FindDescendant(wizard, L"Button", L"运行 Quillmere"), BM_SETCHECK, BST_UNCHECKED, 0);
    PressButton(wizard, kNext);
    EXPECT_EQ(setup.WaitForExit(10000), 0);
    EXPECT_EQ(ReadBytes(folder + L"\\帮助.doc"), ReadBytes(ProgramFolder() + L"\\帮助.doc"));
    EXPECT_FALSE(Exists(DesktopShortcut()));
}

TEST(UninstallerWindows, DeletesTheDataOnlyWhenTheUserTicksTheBox) {
    ASSERT_EQ(InstallSilently(), 0);
    const std::wstring folder = DefaultFolder();
    WriteBytes(folder + L"\\SystemData.dat", "the users' data");
    WriteBytes(folder + L"\\SystemDataBackup.dat", "a backup");
    SetRememberedUser(L"amy");

    Process uninstaller;  // hands over to a copy of itself and ends
    std::wstring command = UninstallValue(L"UninstallString");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                               &uninstaller.info));
    HWND wizard = waitForWizard(kUninstallCaption);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(waitForPage(wizard, L"卸载 Quillmere"));
    HWND box = FindDescendant(wizard, L"Button", L"同时删除我的数据：SystemData.dat、备份文件和记住的登录用户名");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "the data is kept unless the user says otherwise";
    SaveScreenshot(wizard, L"uninstaller");

    PostMessageW(box, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 3000));
    PressButton(wizard, kNext);
    HWND question = waitForBoxOver(wizard);
    ASSERT_NE(question, nullptr) << "deleting the data was not asked";
    EXPECT_TRUE(contains(MessageBoxText(question), L"确定要删除 SystemData.dat 和全部备份文件吗？"))
        << Narrow(MessageBoxText(question));
    closeBox(question, IDYES);
    ASSERT_TRUE(waitForPage(wizard, L"卸载完成", 30000));
    PressButton(wizard, kNext);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wizard); }, 5000));

    EXPECT_FALSE(FolderExists(folder));
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_EQ(RememberedUser(), L"");
}

TEST(InstallerWindows, WarnsThatAnotherFolderStartsWithoutTheDataOfTheLastOne) {
    ASSERT_EQ(InstallSilently(), 0);
    const std::wstring previous = DefaultFolder(), other = L"C:\\新的文件夹\\Quillmere";
    WriteBytes(previous + L"\\SystemData.dat", "the users' data");

    Process setup;
    ASSERT_TRUE(startInstaller(setup));
    HWND wizard = waitForWizard(kSetupCaption);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(waitForPage(wizard, L"欢迎安装 Quillmere " QM_VERSION));
    PressButton(wizard, kNext);
    ASSERT_TRUE(waitForPage(wizard, L"选择安装位置"));
    setFolder(wizard, other);
    PressButton(wizard, kNext);
    HWND box = waitForBoxOver(wizard);
    ASSERT_NE(box, nullptr) << "moving away from the data was not questioned";
    EXPECT_TRUE(contains(MessageBoxText(box), L"Quillmere 以前安装在：\r\n" + previous)) << Narrow(MessageBoxText(box));
    SaveScreenshot(box, L"installer-other-folder");
    closeBox(box, IDNO);
    EXPECT_NE(FindDescendant(wizard, L"Static", L"选择安装位置"), nullptr) << "No goes back to the folder";
    EXPECT_FALSE(FolderExists(other));

    PressButton(wizard, kNext);
    box = waitForBoxOver(wizard);
    ASSERT_NE(box, nullptr);
    closeBox(box, IDYES);
    ASSERT_TRUE(waitForPage(wizard, L"Quillmere 安装完成", 30000));
    SendMessageW(FindDescendant(wizard, L"Button", L"运行 Quillmere"), BM_SETCHECK, BST_UNCHECKED, 0);
    PressButton(wizard, kNext);
    EXPECT_EQ(setup.WaitForExit(10000), 0);
    EXPECT_TRUE(Exists(other + L"\\Quillmere.exe"));
    EXPECT_EQ(UninstallValue(L"InstallLocation"), other);
    EXPECT_EQ(ReadBytes(previous + L"\\SystemData.dat"), "the users' data");
}
