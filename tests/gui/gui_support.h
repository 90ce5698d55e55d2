#pragma once
// Driving the real program from a test: start it, find its windows, take
// pictures of them, close it.
#include <windows.h>

#include <string>
#include <thread>

namespace qm::gui_test {

// The folder of the running test program; Quillmere.exe is built beside it.
std::wstring ProgramFolder();

struct Process {
    PROCESS_INFORMATION info{};
    ~Process();
    // Waits up to `ms` for the process to end; returns its exit code or -1 on time-out.
    long WaitForExit(DWORD ms);
};

// A fresh folder under the temporary folder holding a copy of
// Quillmere.exe, so that each test has a data file of its own.
class ProgramCopy {
public:
    ProgramCopy();
    ~ProgramCopy();
    const std::wstring& folder() const { return folder_; }
    std::wstring dataFile() const { return folder_ + L"\\SystemData.dat"; }
    // The same paths as UTF-8, for the store's routines.
    std::string folderUtf8() const;
    std::string dataFileUtf8() const;
    bool Start(Process& p) const;

private:
    std::wstring folder_;
};

// Waits for a message box (#32770) of `pid`; returns it or nullptr.
HWND WaitForMessageBox(DWORD pid, DWORD ms);
// The text of a message box (its static with id 0xFFFF).
std::wstring MessageBoxText(HWND box);
// Presses a button of a dialog by its id (IDOK, IDYES, ...).
void PressButton(HWND dialog, int id);

// Polls for a visible top-level window of `pid` with `caption` (or any caption when empty).
HWND WaitForWindow(DWORD pid, const std::wstring& caption, DWORD ms);

std::wstring TextOf(HWND hwnd);
std::string Utf8Of(const std::wstring& text);

// Finds a direct child whose text is `text`.
HWND FindChildWithText(HWND parent, const std::wstring& text);

// Saves what the window shows on the screen as a 24-bit BMP under
// <program folder>\test-output\<name>.bmp and returns the path.
std::wstring SaveScreenshot(HWND hwnd, const std::wstring& name);

// Waits for a message box of the process and checks its text (a test failure otherwise).
HWND WaitForBoxSaying(const Process& p, const std::wstring& text);
// Presses Enter in a message box and waits for it to go.
void Answer(HWND box);
// Double-clicks row `item` of a list until the process shows a window with `caption`.
HWND OpenRowByDoubleClick(const Process& p, HWND list, int item, const std::wstring& caption);

// Ends the program through its quit button, answering Yes to the question.
void QuitProgram(HWND main);

// Real key presses through the system's input queue, to whatever has the focus.
void TypeText(const std::wstring& text);
void PressKey(WORD vk, bool alt = false);
// Keys from the X server itself, as a hand on the keyboard makes them
// (`args` as xdotool takes them: "key alt+1", "keydown alt"); false when
// xdotool could not run.
bool Xdotool(const std::wstring& args);
void KeyDown(WORD vk);
void KeyUp(WORD vk);
// A hot key as a hand presses it: the modifier (VK_LMENU, VK_RMENU, ...) held
// down around the key, and kept down `holdMs` longer.
void PressHotKey(WORD modifier, WORD vk, DWORD holdMs = 0);
// Brings `hwnd` to the front so that typed keys reach it.
bool BringToFront(HWND hwnd);

// Polls `ready` every 50 ms until it holds or `ms` have passed.
template <class F>
bool WaitUntil(F ready, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (ready()) return true;
        if (GetTickCount() - start >= ms) return false;
        Sleep(50);
    }
}

// Mouse clicks at a point of the screen, as a user's hand makes them.
void ClickAt(POINT screen, bool twice = false);
void RightClickAt(POINT screen);
// Waits for a pop-up menu to show; returns its window or nullptr.
HWND WaitForPopupMenu(DWORD ms);
// Right-clicks `at` and chooses the menu item of `accessKey`; false when no
// menu took the choice. The menu is saved as `screenshot` when one is named.
bool ChooseFromMenu(POINT at, WORD accessKey, const wchar_t* screenshot = nullptr);
// Clicks into a control of another program and waits until it has the focus.
bool ClickToFocus(HWND control);
// Starts Notepad as `notepad` and gives the keyboard focus to its edit
// control, which it returns (nullptr when Notepad did not come up).
HWND StartNotepadFocused(Process& notepad);
// The centre of a child window on the screen.
POINT CentreOf(HWND hwnd);
// A child of `parent` (at any depth) with this class and text; empty text matches any.
HWND FindDescendant(HWND parent, const std::wstring& cls, const std::wstring& text = L"");

// A list view of another process: its rows and one cell's text.
int ListViewCount(HWND list);
std::wstring ListViewCell(HWND list, int item, int subItem);
// Clicks row `item` until the list shows it selected.
bool SelectRow(HWND list, int item);
// Where row `item` is drawn, on the screen.
POINT ListViewRowPoint(HWND list, int item);

// The remembered user in the settings store the program shares with the test.
std::wstring RememberedUser();
void SetRememberedUser(const std::wstring& name);

// Registers `name` through the dialogs and logs in; returns the main window.
HWND RegisterAndLogIn(const Process& p, const std::wstring& name, const std::wstring& password);
// Adds an account through the record dialog with the keyboard.
bool AddAccount(const Process& p, HWND main, const std::wstring& category, const std::wstring& name,
                const std::wstring& id, const std::wstring& password, const wchar_t* screenshot = nullptr);
// How many controls of `form` have a tool tip.
int ToolTipCount(HWND form);

// The clipboard as this process sees it: its text ("" when none), and
// putting a text there.
std::wstring ClipboardText();
bool PutOnClipboard(const std::wstring& text);
// Holds the clipboard open from this process for `ms`, as clipboard managers
// do for a moment; it is held once the constructor returns, and the
// destructor waits for the end.
class ClipboardHolder {
public:
    explicit ClipboardHolder(DWORD ms);
    ~ClipboardHolder() { thread_.join(); }

private:
    std::thread thread_;
};

}  // namespace qm::gui_test
