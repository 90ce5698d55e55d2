#include "crash_support.h"

#include <gtest/gtest.h>

#include "book.h"
#include "crypto/SimpleXOR.h"
#include "platform/CrashPoint.h"
#include "platform/files.h"
#include "store/Connection.h"
#include "store/DataFile.h"
#include "store/Recordset.h"

namespace qm::gui_test {

namespace {

const char* const kAccountColumns[] = {"UserName", "TypeName", "AccountName", "AccountPY", "AccountID",
                                       "AccountPassword", "RegDate", "URL", "Remarks"};

std::wstring wide(const std::string& s) {
    std::wstring out(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0)),
                     L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), static_cast<int>(out.size()));
    return out;
}

Accounts readRows(store::Connection& db, const std::vector<const char*>& columns, const char* table) {
    Accounts accounts;
    store::Recordset rs;
    rs.Open(std::string("select * from ") + table, db);
    for (; !rs.Eof(); rs.MoveNext()) {
        AccountRow row;
        for (const char* column : columns) {
            const store::Value v = rs[column];
            row.push_back(v.IsNull() ? "<Null>" : v.Text());
        }
        accounts.insert(row);
    }
    return accounts;
}

}  // namespace

void PrepareBook(const ProgramCopy& copy, size_t accounts, const std::string& sql) {
    bench::WriteBook(copy.folderUtf8(), accounts, {});
    if (!sql.empty()) AlterAtRest(copy, sql);
}

void AlterAtRest(const ProgramCopy& copy, const std::string& sql) {
    crypto::clsSimpleXOR x;
    const std::string path = copy.dataFileUtf8();
    x.DecryptFile(path, path, crypto::kDataFileKey);
    {
        store::Connection c;
        c.Open(path);
        c.Execute(sql);
    }
    x.EncryptFile(path, path, crypto::kDataFileKey);
}

Accounts ReadAccounts(const std::string& dataFile) {
    return ReadColumns(dataFile, std::vector<const char*>(std::begin(kAccountColumns), std::end(kAccountColumns)));
}

Accounts ReadColumns(const std::string& dataFile, const std::vector<const char*>& columns, const char* table) {
    store::Connection db;
    switch (store::InspectDataFile(dataFile)) {
        case store::FileForm::Enciphered: {
            std::vector<unsigned char> bytes = platform::ReadWholeFile(dataFile);
            crypto::clsSimpleXOR x;
            x.DecryptByte(bytes, crypto::kDataFileKey);
            db.OpenImage(bytes);
            return readRows(db, columns, table);
        }
        case store::FileForm::Plain: {
            // Opened as the next start opens it: a journal beside it is rolled back.
            const std::wstring scratch = wide(dataFile) + L".read";
            CreateDirectoryW(scratch.c_str(), nullptr);
            const std::wstring copyPath = scratch + L"\\SystemData.dat";
            DeleteFileW((copyPath + L"-journal").c_str());
            CopyFileW(wide(dataFile).c_str(), copyPath.c_str(), FALSE);
            CopyFileW(wide(dataFile + "-journal").c_str(), (copyPath + L"-journal").c_str(), FALSE);
            Accounts accounts;
            {
                db.Open(Utf8Of(copyPath));
                accounts = readRows(db, columns, table);
                db.Close();
            }
            DeleteFileW(copyPath.c_str());
            DeleteFileW((copyPath + L"-journal").c_str());
            RemoveDirectoryW(scratch.c_str());
            return accounts;
        }
        default:
            ADD_FAILURE() << "the data file is neither at rest nor a plain database: " << dataFile;
            return {};
    }
}

const std::string& Column(const AccountRow& row, const char* name) {
    for (size_t c = 0; c < std::size(kAccountColumns); ++c)
        if (std::string_view(kAccountColumns[c]) == name) return row.at(c);
    throw std::out_of_range(name);
}

bool StartCrashing(const ProgramCopy& copy, Process& p, const char* point) {
    const std::wstring exe = copy.folder() + L"\\Quillmere_crashpoints.exe";
    if (!CopyFileW((ProgramFolder() + L"\\Quillmere_crashpoints.exe").c_str(), exe.c_str(), FALSE)) return false;
    SetRememberedUser(kBookUser);
    SetEnvironmentVariableW(L"QM_CRASH_AT", wide(point).c_str());
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    const bool started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, copy.folder().c_str(), &si, &p.info);
    SetEnvironmentVariableW(L"QM_CRASH_AT", nullptr);
    return started;
}

bool StartShipped(const ProgramCopy& copy, Process& p) {
    SetRememberedUser(kBookUser);
    return copy.Start(p);
}

bool DiedAtCrashPoint(Process& p, DWORD ms) { return p.WaitForExit(ms) == platform::kCrashPointExitCode; }

HWND LogIn(const Process& p) {
    HWND login = WaitForWindow(p.info.dwProcessId, L"登录", 15000);
    if (!login || !BringToFront(login)) return nullptr;
    TypeText(kBookPassword);
    PressKey(VK_RETURN);
    return WaitForWindow(p.info.dwProcessId, std::wstring(L"Ostrevin V1.0 正式版 --- 当前用户:") + kBookUser, 10000);
}

namespace {

// An account whose category is gone (or was renamed without it) shows
// under no category: as good as lost to its user.
void expectEveryAccountInACategory(const std::string& dataFile) {
    std::vector<unsigned char> bytes = platform::ReadWholeFile(dataFile);
    crypto::clsSimpleXOR x;
    x.DecryptByte(bytes, crypto::kDataFileKey);
    store::Connection db;
    db.OpenImage(bytes);
    store::Recordset orphans;
    orphans.Open("select * from AccountData where not exists (select 1 from AccountType t where t.UserName = "
                 "AccountData.UserName and t.TypeName = AccountData.TypeName COLLATE BINARY)",
                 db);
    EXPECT_EQ(orphans.RecordCount(), 0u) << "accounts left without their category";
}

}  // namespace

Accounts OpenLogInAndQuit(const ProgramCopy& copy) {
    const store::FileForm left = store::InspectDataFile(copy.dataFileUtf8());
    EXPECT_TRUE(left == store::FileForm::Plain || left == store::FileForm::Enciphered)
        << "the crash damaged the data file (form " << static_cast<int>(left) << ")";
    Process p;
    if (!StartShipped(copy, p)) {
        ADD_FAILURE() << "cannot start the shipped program";
        return {};
    }
    HWND main = LogIn(p);
    if (!main) {
        ADD_FAILURE() << "the shipped program did not open the data file and log the user in";
        return {};
    }
    HWND list = FindDescendant(main, L"SysListView32");
    int shown = -1;
    WaitUntil([&] { return (shown = ListViewCount(list)) > 0; }, 3000);
    QuitProgram(main);
    EXPECT_EQ(p.WaitForExit(15000), 0);
    EXPECT_EQ(store::InspectDataFile(copy.dataFileUtf8()), store::FileForm::Enciphered) << "a normal end puts it at rest";
    Accounts accounts = ReadAccounts(copy.dataFileUtf8());
    expectEveryAccountInACategory(copy.dataFileUtf8());
    EXPECT_EQ(static_cast<size_t>(std::max(shown, 0)), accounts.size()) << "the list shows every account of the user";
    return accounts;
}

bool ChooseInFileDialog(const Process& p, const std::wstring& title, const std::wstring& path) {
    HWND dialog = WaitForWindow(p.info.dwProcessId, title, 10000);
    if (!dialog) return false;
    HWND name = GetDlgItem(dialog, 0x480);  // edt1, the file name
    if (!name) name = FindDescendant(dialog, L"Edit");
    if (!name) return false;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return WaitUntil(
        [&] {
            // Yes to the question whether an existing file may be replaced.
            struct Find {
                HWND owner, box;
            } f{dialog, nullptr};
            EnumWindows(
                [](HWND hwnd, LPARAM lp) -> BOOL {
                    auto* f = reinterpret_cast<Find*>(lp);
                    if (GetWindow(hwnd, GW_OWNER) == f->owner && IsWindowVisible(hwnd)) f->box = hwnd;
                    return f->box == nullptr;
                },
                reinterpret_cast<LPARAM>(&f));
            if (f.box) PressButton(f.box, IDYES);
            return !IsWindow(dialog);
        },
        10000);
}

void Press(HWND dialog, const wchar_t* caption) {
    PostMessageW(FindDescendant(dialog, L"Button", caption), BM_CLICK, 0, 0);
}

HWND OpenFromMain(const Process& p, HWND main, const wchar_t* button, const wchar_t* caption) {
    Press(main, button);
    HWND dialog = WaitForWindow(p.info.dwProcessId, caption, 10000);
    if (dialog) BringToFront(dialog);
    return dialog;
}

}  // namespace qm::gui_test
