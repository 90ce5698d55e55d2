#include "package_support.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

namespace qm::package_test {

using gui_test::ProgramFolder;
using gui_test::WaitUntil;

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmere";

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
    CoTaskMemFree(path);
    return result;
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buf, nullptr);
    return n && n < MAX_PATH ? std::wstring(buf, n) : path;
}

}  // namespace

std::wstring SetupPath() {
    return fullPath(ProgramFolder() + L"\\..\\packages\\Quillmere-" QM_VERSION L"-setup.exe");
}

std::wstring MadeLicence(const wchar_t* name) { return fullPath(ProgramFolder() + L"\\..\\packaging" + name); }

std::wstring DefaultFolder() { return knownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Quillmere"; }
std::wstring StartMenuShortcut() { return knownFolder(FOLDERID_Programs) + L"\\Quillmere.lnk"; }
std::wstring DesktopShortcut() { return knownFolder(FOLDERID_Desktop) + L"\\Quillmere.lnk"; }

long RunAndWait(const std::wstring& commandLine, DWORD ms) {
    // Wine starts the desktop's process from the first program that needs
    // it; that must not be one in the job, where it would never end.
    GetDesktopWindow();
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = commandLine;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si,
                        &pi)) {
        CloseHandle(job);
        ADD_FAILURE() << "could not start the command";
        return -1;
    }
    AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(pi.hThread);
    long code = -1;
    if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) {
        DWORD exit = 0;
        GetExitCodeProcess(pi.hProcess, &exit);
        code = static_cast<long>(exit);
    }
    const bool allEnded = WaitUntil(
        [&] {
            JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
            return QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr) &&
                   info.ActiveProcesses == 0;
        },
        ms);
    EXPECT_TRUE(allEnded) << "a process the command started is still running";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(job);
    return code;
}

long InstallSilently(const std::wstring& folder) {
    std::wstring command = L"\"" + SetupPath() + L"\" /S";
    if (!folder.empty()) command += L" /D=" + folder;  // unquoted and last, as NSIS wants it
    return RunAndWait(command);
}

void UninstallSilently() {
    const std::wstring command = UninstallValue(L"QuietUninstallString");
    ASSERT_FALSE(command.empty()) << "no uninstall entry";
    RunAndWait(command);
}

std::wstring UninstallValue(const wchar_t* name) {
    wchar_t buf[1024] = L"";
    DWORD bytes = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, buf, &bytes) != ERROR_SUCCESS)
        return L"";
    return buf;
}

DWORD UninstallNumber(const wchar_t* name) {
    DWORD value = 0, bytes = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes);
    return value;
}

bool UninstallEntryExists() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring StartupEntry(HKEY root) {
    wchar_t buf[1024] = L"";
    DWORD bytes = sizeof buf;
    if (RegGetValueW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Quillmere", RRF_RT_REG_SZ, nullptr,
                     buf, &bytes) != ERROR_SUCCESS)
        return L"";
    return buf;
}

std::wstring ShortcutTarget(const std::wstring& link) {
    std::wstring target;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* shell = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shell)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t path[MAX_PATH] = L"";
            if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
                SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)))
                target = path;
            file->Release();
        }
        shell->Release();
    }
    CoUninitialize();
    return target;
}

std::wstring ProductVersionOf(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (!size) return L"";
    std::string data(size, '\0');
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return L"";
    wchar_t* text = nullptr;
    UINT chars = 0;
    if (!VerQueryValueW(data.data(), L"\\StringFileInfo\\080404B0\\ProductVersion", reinterpret_cast<void**>(&text),
                        &chars) ||
        !chars)
        return L"";
    return std::wstring(text, wcsnlen(text, chars));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FolderExists(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n) bytes.append(buf, n);
    CloseHandle(f);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(f);
}

bool CanWriteInto(const std::wstring& folder) {
    const std::wstring probe = folder + L"\\write-probe.tmp";
    HANDLE f = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    DeleteFileW(probe.c_str());
    return true;
}

bool StartProgram(const std::wstring& folder, gui_test::Process& p) {
    std::wstring command = L"\"" + folder + L"\\Quillmere.exe\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                          &p.info) != FALSE;
}

}  // namespace qm::package_test
