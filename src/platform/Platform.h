#pragma once
// The operating system as the program's logic sees it. The Windows back-end
// (platform/win32) talks to the real system; the test double
// (platform/test) scripts the answers and records what was asked.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/GreyImage.h"
#include "platform/KeyboardHook.h"
#include "text/date.h"

namespace qm::platform {

using Date = text::Date;

// Message-box styles and answers, numbered as the system numbers them.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

class Platform {
public:
    virtual ~Platform() = default;

    // Shows a modal message box and returns the button pressed.
    virtual int MsgBox(const std::string& text, int style, const std::string& title) = 0;

    // True when another instance of the program already runs from `folder`
    // (and so owns its data file); otherwise this process claims the folder.
    virtual bool AnotherInstanceRunning(const std::string& folder) = 0;

    // The per-user application settings store (application, section, key).
    virtual std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                   const std::string& fallback = "") = 0;
    virtual void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    virtual void DeleteSetting(const std::string& app, const std::string& section, const std::string& key) = 0;

    // The entry that starts the program with Windows: `name` runs `command`.
    // Off removes it wherever it is; a missing entry is no error. False when
    // the entry could not be made so (no right to write it, or to remove it).
    virtual bool SetStartWithWindows(const std::string& name, const std::string& command, bool on) = 0;

    virtual Date Today() = 0;
    // The time of day: UTC seconds since 1970, and what such a time reads on
    // this PC's clock (UTC seconds shifted by the local zone then in force).
    virtual int64_t NowUtc() = 0;
    virtual int64_t LocalFromUtc(int64_t utc) = 0;

    // The clipboard, as text. False when it could not be had (another
    // program held it on and on): nothing was changed then.
    virtual bool ClipboardClear() = 0;
    virtual bool ClipboardSetText(const std::string& text) = 0;
    virtual std::string ClipboardGetText() = 0;
    // A count that moves whenever any program changes the clipboard.
    virtual uint32_t ClipboardSequence() = 0;

    // Milliseconds on a clock that only goes forward (not the time of day).
    virtual uint64_t Milliseconds() = 0;

    // What every monitor shows, as one grey picture of the whole desktop;
    // nothing when the screen could not be read.
    virtual std::optional<GreyImage> CaptureScreen() = 0;

    // Hands a document or a web address to the shell to open; false when it could not.
    virtual bool ShellOpen(const std::string& target) = 0;

    // The system's Open and Save File dialogs over the active window.
    // `filter` pairs descriptions and patterns with "|" ("备份文件(dat)|*.dat");
    // `folder` is where the dialog starts ("" for the system's choice). The
    // chosen full path, or "" when the user cancelled. The Save dialog asks
    // before an existing file is chosen, unless `askToReplace` is false (a
    // file that is joined, not replaced: the sync file).
    virtual std::string ShowOpenDialog(const std::string& filter, const std::string& folder, const std::string& title) = 0;
    virtual std::string ShowSaveDialog(const std::string& filter, const std::string& folder, const std::string& defaultName,
                                       const std::string& title, bool askToReplace = true) = 0;

    // Every key of the system, for the hot keys, and typing into other programs.
    virtual KeyboardHook& Keyboard() = 0;
};

}  // namespace qm::platform
