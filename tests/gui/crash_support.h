#pragma once
// Books of accounts prepared with the program's own code, the test-only
// program that dies at a named crash point, and the accounts a data file
// holds, read back after the program has gone.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "gui_support.h"

namespace qm::gui_test {

// The user of every prepared book and the password that logs it in.
inline constexpr const wchar_t* kBookUser = L"amy";
inline constexpr const wchar_t* kBookPassword = L"abc123";

// One account as its row holds it (every column as text, Null marked).
using AccountRow = std::vector<std::string>;
// The accounts of a data file, whatever their order on disk.
using Accounts = std::multiset<AccountRow>;

// Writes SystemData.dat, at rest, into the copy's folder: kBookUser with
// `accounts` accounts. Then runs `sql` on it, if any, as if the program had
// always had it.
void PrepareBook(const ProgramCopy& copy, size_t accounts, const std::string& sql = "");
// Runs `sql` on the copy's data file at rest, leaving it at rest.
void AlterAtRest(const ProgramCopy& copy, const std::string& sql);

// The accounts of a data file on disk as the next start finds them: at rest,
// or plain with the journal a run cut off left beside it (read from copies,
// so the files stay as they are). Fails the test when the file is neither.
Accounts ReadAccounts(const std::string& dataFile);
// The same with the columns named, of the accounts or of another table of them (the recycle bin).
Accounts ReadColumns(const std::string& dataFile, const std::vector<const char*>& columns, const char* table = "AccountData");
// The column of an account row by name.
const std::string& Column(const AccountRow& row, const char* name);

// Copies the test-only program beside the copy's Quillmere.exe and starts it
// with QM_CRASH_AT set to `point`.
bool StartCrashing(const ProgramCopy& copy, Process& p, const char* point);
// Starts the copy's shipped Quillmere.exe with no crash point in the environment.
bool StartShipped(const ProgramCopy& copy, Process& p);
// True when the program ended at its crash point (its own exit code) within `ms`.
bool DiedAtCrashPoint(Process& p, DWORD ms = 20000);

// Logs kBookUser in through the login dialog; returns the main window.
HWND LogIn(const Process& p);

// Starts the shipped program on the copy's data file, logs in, checks that
// the list shows the user's accounts and ends it with its quit button; then
// returns the accounts of the file it left at rest. Test failures otherwise.
Accounts OpenLogInAndQuit(const ProgramCopy& copy);

// The system's file dialog titled `title`: types `path`, presses its OK
// button and answers Yes when it asks whether to replace the file.
bool ChooseInFileDialog(const Process& p, const std::wstring& title, const std::wstring& path);
// Clicks the button of `dialog` with that caption.
void Press(HWND dialog, const wchar_t* caption);
// Opens a dialog of the main window through its button and waits for it.
HWND OpenFromMain(const Process& p, HWND main, const wchar_t* button, const wchar_t* caption);

}  // namespace qm::gui_test
