#pragma once
// The test double of the platform: message boxes are recorded and answered
// from a script; the instance test answers what the test says.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/test/FakeKeyboardHook.h"

namespace qm::platform {

class FakePlatform : public Platform {
public:
    struct Box {
        std::string text;
        int style;
        std::string title;
    };

    int MsgBox(const std::string& text, int style, const std::string& title) override {
        boxes.push_back({text, style, title});
        if (answers.empty()) return (style & 7) == vbYesNo ? vbYes : vbOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    bool AnotherInstanceRunning(const std::string&) override { return otherInstance; }

    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& fallback) override {
        const auto it = settings.find(app + "\\" + section + "\\" + key);
        return it == settings.end() ? fallback : it->second;
    }
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        settings[app + "\\" + section + "\\" + key] = value;
    }
    void DeleteSetting(const std::string& app, const std::string& section, const std::string& key) override {
        settings.erase(app + "\\" + section + "\\" + key);
    }
    bool SetStartWithWindows(const std::string& name, const std::string& command, bool on) override {
        if (startEntriesLocked) return false;
        if (on) startEntries[name] = command;
        else startEntries.erase(name);
        return true;
    }
    Date Today() override { return today; }
    int64_t NowUtc() override { return nowUtc; }
    int64_t LocalFromUtc(int64_t utc) override { return utc + 8 * 3600; }

    bool ClipboardClear() override {
        if (clipboardHeld) return false;
        clipboard.clear();
        ++clipboardSequence;
        return true;
    }
    bool ClipboardSetText(const std::string& text) override {
        if (clipboardHeld) return false;
        clipboard = text;
        ++clipboardSequence;
        return true;
    }
    std::string ClipboardGetText() override { return clipboard; }
    uint32_t ClipboardSequence() override { return clipboardSequence; }
    // Another program puts its own text on the clipboard.
    void OtherProgramCopies(const std::string& text) {
        clipboard = text;
        ++clipboardSequence;
    }
    uint64_t Milliseconds() override { return milliseconds; }
    std::optional<GreyImage> CaptureScreen() override {
        ++screenCaptures;
        return screen;
    }
    bool ShellOpen(const std::string& target) override {
        opened.push_back(target);
        return true;
    }

    std::string ShowOpenDialog(const std::string& filter, const std::string& folder, const std::string& title) override {
        fileDialogs.push_back({"open", filter, folder, "", title});
        return nextFile();
    }
    std::string ShowSaveDialog(const std::string& filter, const std::string& folder, const std::string& defaultName,
                               const std::string& title, bool askToReplace = true) override {
        fileDialogs.push_back({"save", filter, folder, defaultName, title, askToReplace});
        return nextFile();
    }
    KeyboardHook& Keyboard() override { return keyboard; }

    struct FileDialog {
        std::string kind, filter, folder, defaultName, title;
        bool askToReplace = true;  // a Save dialog asks before an existing file is chosen
    };
    std::vector<FileDialog> fileDialogs;  // every file dialog shown, in order
    std::deque<std::string> chosenFiles;  // what the user picks in the next ones; "" (cancel) when none is left

    FakeKeyboardHook keyboard;
    std::string clipboard;
    bool clipboardHeld = false;  // another program holds the clipboard: every change of it fails
    uint32_t clipboardSequence = 1;
    uint64_t milliseconds = 1000000;  // the clock; a test moves it on
    std::vector<std::string> opened;  // what the shell was asked to open
    std::optional<GreyImage> screen;  // what the screen shows; nothing: it cannot be read
    int screenCaptures = 0;

    std::map<std::string, std::string> settings;      // "app\section\key" -> value
    std::map<std::string, std::string> startEntries;  // name -> command
    bool startEntriesLocked = false;                  // no right to change them: they stay as they are
    Date today{2026, 12, 7};
    // 2026-12-07 12:00:00 UTC, the day above.
    int64_t nowUtc = 1796644800;

    std::vector<Box> boxes;    // every box shown, in order
    std::deque<int> answers;   // answers for the next boxes; default OK / Yes
    bool otherInstance = false;

private:
    std::string nextFile() {
        if (chosenFiles.empty()) return "";
        std::string path = chosenFiles.front();
        chosenFiles.pop_front();
        return path;
    }
};

}  // namespace qm::platform
