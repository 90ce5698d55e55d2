#pragma once
// Installing, upgrading and uninstalling the built packages from a test:
// where they put things, and what they leave behind.
#include <windows.h>

#include <string>

#include "../gui/gui_support.h"

namespace qm::package_test {

// The installer the build made: <build>\packages\Quillmere-<version>-setup.exe.
std::wstring SetupPath();
// The files the installer writes into its folder ("\name"), and of them the
// licences it makes at build time (in <build>\packaging) from the data's.
inline constexpr const wchar_t* kInstalledFiles[] = {L"\\Quillmere.exe",           L"\\帮助.doc",
                                                     L"\\libsodium-LICENSE.txt",    L"\\MbedTLS-LICENSE.txt",
                                                     L"\\ZBar-LICENSE.txt",         L"\\EFF-wordlist-LICENSE.txt",
                                                     L"\\Unicode-LICENSE.txt",      L"\\uninstall.exe"};
inline constexpr const wchar_t* kMadeLicences[] = {L"\\EFF-wordlist-LICENSE.txt", L"\\Unicode-LICENSE.txt"};
std::wstring MadeLicence(const wchar_t* name);
// Where the installer puts the program unless told otherwise.
std::wstring DefaultFolder();
std::wstring StartMenuShortcut();
std::wstring DesktopShortcut();

// Runs `commandLine` and waits until it and every process it started have
// ended (the uninstaller carries on from a copy of itself). Returns the exit
// code of the program started, or -1 when it ran past `ms`.
long RunAndWait(const std::wstring& commandLine, DWORD ms = 60000);
// The installer with /S, and /D=`folder` when one is given.
long InstallSilently(const std::wstring& folder = L"");
// The uninstall entry's QuietUninstallString, as Windows would run it.
void UninstallSilently();

// A value of the per-user uninstall entry ("" when absent), and the entry itself.
std::wstring UninstallValue(const wchar_t* name);
DWORD UninstallNumber(const wchar_t* name);
bool UninstallEntryExists();
// The start-up entry the program writes, under HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
std::wstring StartupEntry(HKEY root);

std::wstring ShortcutTarget(const std::wstring& link);
std::wstring ProductVersionOf(const std::wstring& file);

bool Exists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
// Whether a file can be created in `folder`.
bool CanWriteInto(const std::wstring& folder);

// Starts `folder`\Quillmere.exe as the shortcut does, in its own folder.
bool StartProgram(const std::wstring& folder, gui_test::Process& p);

}  // namespace qm::package_test
