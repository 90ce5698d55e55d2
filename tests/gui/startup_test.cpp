// The program's start and end through the real executable under Windows
// (Wine): the data file's forms on disk, one instance per folder, and what a
// user sees when the file cannot be used.
#include <gtest/gtest.h>

#include "crypto/SimpleXOR.h"
#include "gui_support.h"
#include "platform/files.h"
#include "platform/win32/Win32Platform.h"
#include "store/Connection.h"
#include "store/DataFile.h"
#include "store/Recordset.h"

using namespace qm::gui_test;
using qm::store::FileForm;
using qm::store::InspectDataFile;

namespace {

constexpr wchar_t kCaption[] = L"登录";

// The user names listed in the login dialog's user box.
std::vector<std::wstring> listedUsers(HWND login) {
    HWND combo = FindWindowExW(login, nullptr, L"ComboBox", nullptr);
    std::vector<std::wstring> names;
    const LRESULT n = combo ? SendMessageW(combo, CB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buf[256] = L"";
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        names.push_back(buf);
    }
    return names;
}

// Deciphers a copy of the data file and reads its user names.
std::vector<std::string> usersInAtRestFile(const ProgramCopy& copy) {
    const std::string copyPath = copy.folderUtf8() + "\\check.dat";
    auto bytes = qm::platform::ReadWholeFile(copy.dataFileUtf8());
    qm::crypto::clsSimpleXOR x;
    x.DecryptByte(bytes, qm::crypto::kDataFileKey);
    qm::platform::ReplaceFileContents(copyPath, bytes);
    qm::store::Connection c;
    c.Open(copyPath);
    qm::store::Recordset rs;
    rs.Open("select * from sysuser", c);
    std::vector<std::string> names;
    for (; !rs.Eof(); rs.MoveNext()) names.push_back(rs["UserName"].Text());
    c.Close();
    DeleteFileW((copy.folder() + L"\\check.dat").c_str());
    return names;
}

// A plain database with one user, as a killed run leaves the file.
void writePlainDataFileWithUser(const ProgramCopy& copy, const std::string& user) {
    qm::crypto::clsSimpleXOR x;
    qm::store::WriteEmptyDataFile(copy.dataFileUtf8(), x);
    x.DecryptFile(copy.dataFileUtf8(), copy.dataFileUtf8(), qm::crypto::kDataFileKey);
    qm::store::Connection c;
    c.Open(copy.dataFileUtf8());
    c.Execute("insert into sysuser(UserName) values('" + user + "')");
}

// Opens the file for reading as another program would; the error when refused.
DWORD openForReading(const std::wstring& path, DWORD share) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(h);
    return ERROR_SUCCESS;
}

// Starts the program and expects it to say only "程序已运行!" and end.
void expectAlreadyRunning(const ProgramCopy& copy) {
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND box = WaitForBoxSaying(p, L"程序已运行!");
    ASSERT_NE(box, nullptr);
    PressButton(box, IDOK);
    EXPECT_EQ(p.WaitForExit(10000), 0);
}

}  // namespace

TEST(Startup, WithNoDataFileCreatesItAndCancellingLeavesItEnciphered) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND window = WaitForWindow(p.info.dwProcessId, kCaption, 15000);
    ASSERT_NE(window, nullptr) << "no window with the expected caption";
    EXPECT_TRUE(listedUsers(window).empty());
    EXPECT_EQ(InspectDataFile(copy.dataFileUtf8()), FileForm::InUse) << "held open while running";
    SaveScreenshot(window, L"login-empty");

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitForExit(10000), 0);
    EXPECT_EQ(InspectDataFile(copy.dataFileUtf8()), FileForm::Enciphered);
    EXPECT_TRUE(usersInAtRestFile(copy).empty());
}

TEST(Startup, SecondInstanceInTheSameFolderOnlySaysSo) {
    ProgramCopy copy;
    Process first, second;
    ASSERT_TRUE(copy.Start(first));
    HWND window = WaitForWindow(first.info.dwProcessId, kCaption, 15000);
    ASSERT_NE(window, nullptr);

    ASSERT_TRUE(copy.Start(second));
    HWND box = WaitForMessageBox(second.info.dwProcessId, 15000);
    ASSERT_NE(box, nullptr) << "the second instance showed no message";
    EXPECT_EQ(MessageBoxText(box), L"程序已运行!");
    EXPECT_EQ(TextOf(box), L"提示");
    SaveScreenshot(box, L"already-running");
    PressButton(box, IDOK);
    EXPECT_EQ(second.WaitForExit(10000), 0);
    EXPECT_EQ(InspectDataFile(copy.dataFileUtf8()), FileForm::InUse) << "still held by the running instance";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(10000), 0);
    EXPECT_EQ(InspectDataFile(copy.dataFileUtf8()), FileForm::Enciphered);
}

TEST(Startup, FileLeftPlainByAKilledRunOpensWithItsData) {
    ProgramCopy copy;
    writePlainDataFileWithUser(copy, "amy");
    {
        Process killed;
        ASSERT_TRUE(copy.Start(killed));
        ASSERT_NE(WaitForWindow(killed.info.dwProcessId, kCaption, 15000), nullptr);
        TerminateProcess(killed.info.hProcess, 9);
        WaitForSingleObject(killed.info.hProcess, 10000);
    }
    EXPECT_EQ(InspectDataFile(copy.dataFileUtf8()), FileForm::Plain);

    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND window = WaitForWindow(p.info.dwProcessId, kCaption, 15000);
    ASSERT_NE(window, nullptr) << "the plain file was not opened";
    EXPECT_EQ(listedUsers(window), std::vector<std::wstring>{L"amy"});
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitForExit(10000), 0);
    EXPECT_EQ(InspectDataFile(copy.dataFileUtf8()), FileForm::Enciphered);
    EXPECT_EQ(usersInAtRestFile(copy), std::vector<std::string>{"amy"});
}

TEST(Startup, CorruptFileIsReportedByNameAndLeftUntouched) {
    ProgramCopy copy;
    std::vector<unsigned char> junk(8192);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<unsigned char>(i * 131 + 17);
    qm::platform::ReplaceFileContents(copy.dataFileUtf8(), junk);

    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND box = WaitForMessageBox(p.info.dwProcessId, 15000);
    ASSERT_NE(box, nullptr);
    const std::wstring text = MessageBoxText(box);
    EXPECT_NE(text.find(copy.dataFile()), std::wstring::npos) << "the message names the file";
    SaveScreenshot(box, L"corrupt-data-file");
    PressButton(box, IDOK);
    EXPECT_EQ(p.WaitForExit(10000), 2);
    EXPECT_EQ(qm::platform::ReadWholeFile(copy.dataFileUtf8()), junk);
}

TEST(Startup, NoOtherProgramCanOpenTheDataFileWhileItRuns) {
    ProgramCopy copy;
    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND window = WaitForWindow(p.info.dwProcessId, kCaption, 15000);
    ASSERT_NE(window, nullptr);
    for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE},
                        DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}})
        EXPECT_EQ(openForReading(copy.dataFile(), share), DWORD{ERROR_SHARING_VIOLATION}) << "share mode " << share;

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitForExit(10000), 0);
    EXPECT_EQ(openForReading(copy.dataFile(), 0), DWORD{ERROR_SUCCESS}) << "free again once the program ends";
}

TEST(Startup, FileHeldByAnotherProgramIsReportedAsInUseAndLeftUntouched) {
    ProgramCopy copy;
    qm::crypto::clsSimpleXOR x;
    qm::store::WriteEmptyDataFile(copy.dataFileUtf8(), x);
    const auto before = qm::platform::ReadWholeFile(copy.dataFileUtf8());
    // A backup tool that lets no one else at the file.
    HANDLE held = CreateFileW(copy.dataFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    Process p;
    ASSERT_TRUE(copy.Start(p));
    HWND box = WaitForMessageBox(p.info.dwProcessId, 15000);
    ASSERT_NE(box, nullptr);
    const std::wstring text = MessageBoxText(box);
    EXPECT_NE(text.find(copy.dataFile()), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"正被另一个程序"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"请稍后再试"), std::wstring::npos) << text;
    EXPECT_EQ(text.find(L"损坏"), std::wstring::npos) << text;
    SaveScreenshot(box, L"data-file-in-use");
    PressButton(box, IDOK);
    EXPECT_EQ(p.WaitForExit(10000), 2);
    CloseHandle(held);
    EXPECT_EQ(qm::platform::ReadWholeFile(copy.dataFileUtf8()), before);
}

TEST(Startup, AnInstanceOfAnotherSessionOrUserIsSeen) {
    ProgramCopy copy;
    // The running program of another session, as the mutex in the Global
    // namespace that it holds.
    const std::wstring name = L"Global\\" + qm::platform::InstanceMutexName(copy.folderUtf8());
    HANDLE other = CreateMutexW(nullptr, FALSE, name.c_str());
    ASSERT_NE(other, nullptr);
    ASSERT_NE(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
    expectAlreadyRunning(copy);
    CloseHandle(other);

    // Another user's: its mutex lets nobody else open it.
    SECURITY_DESCRIPTOR sd;
    ACL noAccess;
    ASSERT_TRUE(InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(InitializeAcl(&noAccess, sizeof noAccess, ACL_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&sd, TRUE, &noAccess, FALSE));
    SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
    HANDLE refusing = CreateMutexW(&sa, FALSE, name.c_str());
    ASSERT_NE(refusing, nullptr);
    ASSERT_EQ(CreateMutexW(nullptr, FALSE, name.c_str()), nullptr);
    ASSERT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED}) << "the system lets this test in";
    expectAlreadyRunning(copy);
    CloseHandle(refusing);

    EXPECT_FALSE(qm::platform::FileExists(copy.dataFileUtf8())) << "nothing was touched";
}

TEST(Startup, DamagedReadOnlyOrFolderDataFileIsToldByNameAndLeftUntouched) {
    // A book of 200 accounts at rest, as the program leaves it.
    std::vector<unsigned char> book;
    {
        ProgramCopy maker;
        qm::crypto::clsSimpleXOR x;
        writePlainDataFileWithUser(maker, "amy");
        {
            qm::store::Connection c;
            c.Open(maker.dataFileUtf8());
            c.Execute("begin");
            for (int i = 0; i < 200; ++i)
                c.Execute("insert into AccountData(UserName, TypeName, AccountName, AccountPY, AccountID, AccountPassword, RegDate, URL, Remarks) values('amy', '其它', 'account " + std::to_string(i) +
                          "', 'a', 'id', 'pw', '', '', '')");
            c.Execute("commit");
        }
        book = qm::platform::ReadWholeFile(maker.dataFileUtf8());
        x.EncryptByte(book, qm::crypto::kDataFileKey);
    }
    struct Case {
        const wchar_t* name;
        const wchar_t* words;
    };
    // Each case on its own: a failed one must not hide the others.
    const auto check = [&](const Case& c) {
        SCOPED_TRACE(Utf8Of(c.name));
        ProgramCopy copy;
        const std::wstring name = c.name;
        std::vector<unsigned char> bytes = book;
        if (name == L"cut-by-a-byte") bytes.pop_back();
        if (name == L"last-page-flipped") bytes[bytes.size() - 4096] ^= 0xFF;  // the last page's kind
        if (name == L"folder") {
            ASSERT_TRUE(CreateDirectoryW(copy.dataFile().c_str(), nullptr));
        } else {
            qm::platform::ReplaceFileContents(copy.dataFileUtf8(), bytes);
        }
        if (name == L"read-only") ASSERT_TRUE(SetFileAttributesW(copy.dataFile().c_str(), FILE_ATTRIBUTE_READONLY));

        Process p;
        ASSERT_TRUE(copy.Start(p));
        HWND box = WaitForMessageBox(p.info.dwProcessId, 15000);
        ASSERT_NE(box, nullptr);
        const std::wstring text = MessageBoxText(box);
        EXPECT_NE(text.find(copy.dataFile()), std::wstring::npos) << Utf8Of(text);
        EXPECT_NE(text.find(c.words), std::wstring::npos) << Utf8Of(text);
        SaveScreenshot(box, L"data-file-" + name);
        PressButton(box, IDOK);
        EXPECT_EQ(p.WaitForExit(10000), 2) << "the program ends without a crash";

        const DWORD attributes = GetFileAttributesW(copy.dataFile().c_str());
        if (name == L"folder") {
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
            RemoveDirectoryW(copy.dataFile().c_str());
            return;
        }
        EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, name == L"read-only" ? DWORD{FILE_ATTRIBUTE_READONLY} : 0);
        SetFileAttributesW(copy.dataFile().c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_TRUE(qm::platform::ReadWholeFile(copy.dataFileUtf8()) == bytes) << "the file keeps every byte";
    };
    for (const Case& c : {Case{L"cut-by-a-byte", L"损坏"}, Case{L"last-page-flipped", L"损坏"},
                          Case{L"read-only", L"只读"}, Case{L"folder", L"文件夹"}})
        check(c);
}
