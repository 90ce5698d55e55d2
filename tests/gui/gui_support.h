#pragma once
// Driving the real program from a test: start it, find its windows, take
// pictures of them, close it.
#include <windows.h>

#include <string>

namespace qm::gui_test {

// The folder of the running test program; Quillmere.exe is built beside it.
std::wstring ProgramFolder();

struct Process {
    PROCESS_INFORMATION info{};
    ~Process();
    // Waits up to `ms` for the process to end; returns its exit code or -1 on time-out.
    long WaitForExit(DWORD ms);
};

// Starts Quillmere.exe from the build folder with its working folder there.
bool StartQuillmere(Process& p, const std::wstring& arguments = L"");

// Polls for a visible top-level window of `pid` with `caption` (or any caption when empty).
HWND WaitForWindow(DWORD pid, const std::wstring& caption, DWORD ms);

std::wstring TextOf(HWND hwnd);

// Finds a direct child whose text is `text`.
HWND FindChildWithText(HWND parent, const std::wstring& text);

// Saves what the window shows on the screen as a 24-bit BMP under
// <program folder>\test-output\<name>.bmp and returns the path.
std::wstring SaveScreenshot(HWND hwnd, const std::wstring& name);

}  // namespace qm::gui_test
