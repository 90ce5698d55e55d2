#pragma once
// Functions of the system's heavier libraries, found when first called.
// shell32 and comdlg32 bring a dozen more libraries with them (the shell's
// helpers, the print spooler, COM): megabytes of memory and part of the
// start, for what only the tray icon, the shell's open and the file dialogs
// use. Importing them would load them all before the first window.
#include <windows.h>

namespace qm::platform {

// `name` of the system library `dll`, loaded from the system folder only
// and kept for the rest of the run; null when it cannot be had.
template <class Fn>
Fn SystemFunction(const wchar_t* dll, const char* name) {
    HMODULE module = GetModuleHandleW(dll);
    if (!module) module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace qm::platform
