// The installer and the uninstaller run silently (/S), as an administrator's
// script runs them, each test in a fresh copy of the prepared Wine prefix:
// what lands where, what an upgrade and an uninstall keep, and what they refuse.
#include <gtest/gtest.h>

#include <iostream>
#include <vector>

#include "app/Settings.h"
#include "package_support.h"
#include "platform/win32/Win32Platform.h"

using namespace qm::gui_test;
using namespace qm::package_test;
using qm::platform::Narrow;

namespace {

// What NSIS returns when the installation was refused.
constexpr long kAborted = 2;

std::wstring programIn(const std::wstring& folder) { return folder + L"\\Quillmere.exe"; }

bool samePath(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

// Registers a user in the program installed in `folder` and quits; returns
// the main window's caption, by which the user's later logins are known.
std::wstring registerUser(const std::wstring& folder, const std::wstring& name, const std::wstring& password) {
    Process p;
    EXPECT_TRUE(StartProgram(folder, p));
    HWND main = RegisterAndLogIn(p, name, password);
    EXPECT_NE(main, nullptr) << "the installed program did not let a user register and log in";
    if (!main) return L"";
    const std::wstring caption = TextOf(main);
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(15000), 0);
    return caption;
}

}  // namespace

TEST(Installer, SilentInstallLandsEveryFileTheShortcutAndTheUninstallEntry) {
    ASSERT_TRUE(Exists(SetupPath())) << "no installer at " << Narrow(SetupPath());
    const std::wstring folder = DefaultFolder();
    ASSERT_FALSE(FolderExists(folder)) << "the prefix is not fresh";

    ASSERT_EQ(InstallSilently(), 0);

    // The program and its help exactly as built, the uninstaller beside them, and no data yet.
    EXPECT_EQ(ReadBytes(programIn(folder)), ReadBytes(ProgramFolder() + L"\\Quillmere.exe"));
    EXPECT_EQ(ReadBytes(folder + L"\\帮助.doc"), ReadBytes(ProgramFolder() + L"\\帮助.doc"));
    for (const wchar_t* name : kMadeLicences) {
        const std::string made = ReadBytes(MadeLicence(name));
        EXPECT_FALSE(made.empty()) << "no licence made at " << Narrow(MadeLicence(name));
        EXPECT_EQ(ReadBytes(folder + name), made) << Narrow(name);
    }
    EXPECT_TRUE(Exists(folder + L"\\uninstall.exe"));
    EXPECT_FALSE(Exists(folder + L"\\SystemData.dat"));
    EXPECT_EQ(ProductVersionOf(programIn(folder)), L"" QM_VERSION);

    EXPECT_TRUE(samePath(ShortcutTarget(StartMenuShortcut()), programIn(folder)))
        << Narrow(ShortcutTarget(StartMenuShortcut()));
    EXPECT_FALSE(Exists(DesktopShortcut())) << "the desktop shortcut is the user's choice on the last page";

    EXPECT_EQ(UninstallValue(L"DisplayName"), L"Quillmere");
    EXPECT_EQ(UninstallValue(L"DisplayVersion"), L"" QM_VERSION);
    EXPECT_EQ(UninstallValue(L"Publisher"), L"Quillmere");
    EXPECT_EQ(UninstallValue(L"DisplayIcon"), programIn(folder) + L",0");
    EXPECT_EQ(UninstallValue(L"InstallLocation"), folder);
    EXPECT_EQ(UninstallValue(L"UninstallString"), L"\"" + folder + L"\\uninstall.exe\"");
    EXPECT_EQ(UninstallValue(L"QuietUninstallString"), L"\"" + folder + L"\\uninstall.exe\" /S");
    size_t bytes = 0;
    for (const wchar_t* name : kInstalledFiles)
        bytes += ReadBytes(folder + name).size();
    EXPECT_EQ(UninstallNumber(L"EstimatedSize"), (bytes + 1023) / 1024) << "kilobytes of the program's own files";
}

TEST(Installer, UpgradeAndUninstallKeepTheUsersDataByteForByte) {
    ASSERT_EQ(InstallSilently(), 0);
    const std::wstring folder = DefaultFolder();
    const std::wstring caption = registerUser(folder, L"小明", L"secret1");
    ASSERT_FALSE(caption.empty());
    const std::wstring dataFile = folder + L"\\SystemData.dat", backupFile = folder + L"\\备份2024.dat";
    const std::string data = ReadBytes(dataFile);
    ASSERT_FALSE(data.empty());
    WriteBytes(backupFile, "a backup of the user's, any bytes at all");
    const std::string backup = ReadBytes(backupFile);
    // The user asked the program to start with Windows.
    qm::platform::Win32Platform os;
    qm::app::UpdateStartupEntry(os, Narrow(folder), "Quillmere.exe", true);
    ASSERT_FALSE(StartupEntry(HKEY_CURRENT_USER).empty() && StartupEntry(HKEY_LOCAL_MACHINE).empty());

    ASSERT_EQ(InstallSilently(), 0) << "the upgrade";
    EXPECT_EQ(ReadBytes(dataFile), data);
    EXPECT_EQ(ReadBytes(backupFile), backup);
    {
        // The upgraded program opens the kept file: the user logs in again.
        Process p;
        ASSERT_TRUE(StartProgram(folder, p));
        HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
        ASSERT_NE(login, nullptr);
        ASSERT_TRUE(BringToFront(login));
        TypeText(L"secret1");
        PressKey(VK_RETURN);
        HWND main = WaitForWindow(p.info.dwProcessId, caption, 10000);
        ASSERT_NE(main, nullptr) << "the user could not log in after the upgrade";
        QuitProgram(main);
        ASSERT_EQ(p.WaitForExit(15000), 0);
    }
    const std::string afterUpgrade = ReadBytes(dataFile);

    UninstallSilently();
    for (const wchar_t* name : kInstalledFiles)
        EXPECT_FALSE(Exists(folder + name)) << Narrow(name);
    EXPECT_FALSE(Exists(StartMenuShortcut()));
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_EQ(StartupEntry(HKEY_CURRENT_USER), L"");
    EXPECT_EQ(StartupEntry(HKEY_LOCAL_MACHINE), L"");
    // The silent uninstall keeps the data, the backups and the remembered user.
    EXPECT_EQ(ReadBytes(dataFile), afterUpgrade);
    EXPECT_EQ(ReadBytes(backupFile), backup);
    EXPECT_EQ(RememberedUser(), L"小明");
}

TEST(Installer, NeverReplacesOrRemovesARunningProgram) {
    ASSERT_EQ(InstallSilently(), 0);
    const std::wstring folder = DefaultFolder();
    // A mark in the help document shows whether anything was copied.
    WriteBytes(folder + L"\\帮助.doc", "the help as it was");
    Process program;
    ASSERT_TRUE(StartProgram(folder, program));
    HWND login = WaitForWindow(program.info.dwProcessId, L"登录", 15000);
    ASSERT_NE(login, nullptr);

    EXPECT_EQ(InstallSilently(), kAborted);
    EXPECT_EQ(ReadBytes(folder + L"\\帮助.doc"), "the help as it was");

    UninstallSilently();
    EXPECT_TRUE(Exists(programIn(folder)));
    EXPECT_EQ(ReadBytes(folder + L"\\帮助.doc"), "the help as it was");
    EXPECT_TRUE(Exists(folder + L"\\uninstall.exe"));
    EXPECT_TRUE(Exists(StartMenuShortcut()));
    EXPECT_TRUE(UninstallEntryExists());
    EXPECT_EQ(program.WaitForExit(0), -1) << "the program was stopped";

    PostMessageW(login, WM_CLOSE, 0, 0);
    ASSERT_EQ(program.WaitForExit(10000), 0);
    EXPECT_EQ(InstallSilently(), 0) << "once the program has ended";
    EXPECT_EQ(ReadBytes(folder + L"\\帮助.doc"), ReadBytes(ProgramFolder() + L"\\帮助.doc"));
    for (const wchar_t* name : kMadeLicences) {
        const std::string made = ReadBytes(MadeLicence(name));
        EXPECT_FALSE(made.empty()) << "no licence made at " << Narrow(MadeLicence(name));
        EXPECT_EQ(ReadBytes(folder + name), made) << Narrow(name);
    }
}

TEST(Installer, RefusesAFolderItCannotWriteToBeforeCopyingAnything) {
    std::vector<std::wstring> folders = {
        L"Z:\\proc\\Quillmere",                    // exists, but nothing can be created in it
        L"Q:\\Quillmere",                          // on a drive that does not exist
        L"C:\\windows\\notepad.exe\\Quillmere",  // under a file
    };
    if (!CanWriteInto(L"C:\\locked"))
        folders.push_back(L"C:\\locked\\Quillmere");
    else
        std::cout << "note: C:\\locked could not be locked on this machine; it is not tried\n";
    for (const std::wstring& folder : folders) {
        SCOPED_TRACE(Narrow(folder));
        EXPECT_EQ(InstallSilently(folder), kAborted);
        EXPECT_FALSE(FolderExists(folder));
        EXPECT_FALSE(FolderExists(DefaultFolder())) << "installed somewhere else instead";
        EXPECT_FALSE(UninstallEntryExists());
        EXPECT_FALSE(Exists(StartMenuShortcut()));
    }
}

TEST(Uninstaller, LeavesTheStartupEntryOfAnotherCopyOfTheProgram) {
    ASSERT_EQ(InstallSilently(), 0);
    // The entry has one name for every copy: this one starts the copy the build made.
    qm::platform::Win32Platform os;
    qm::app::UpdateStartupEntry(os, Narrow(ProgramFolder()), "Quillmere.exe", true);
    const std::wstring user = StartupEntry(HKEY_CURRENT_USER), machine = StartupEntry(HKEY_LOCAL_MACHINE);
    ASSERT_FALSE(user.empty() && machine.empty());

    UninstallSilently();
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_EQ(StartupEntry(HKEY_CURRENT_USER), user);
    EXPECT_EQ(StartupEntry(HKEY_LOCAL_MACHINE), machine);
}
