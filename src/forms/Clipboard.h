#pragma once
// The clipboard work a user asks for. Another program (a clipboard manager,
// a remote desktop) may hold the clipboard longer than the platform waits:
// the user is then told, never left believing the work was done.
#include <string>

#include "ui/Form.h"

namespace qm::forms {

inline constexpr char kClipboardNotCopied[] = "剪贴板正被其他程序占用,未能复制,请稍后再试!";
inline constexpr char kClipboardNotCleared[] = "剪贴板正被其他程序占用,未能清空,请稍后再试!";
// When the program ends (or the user is gone) there is no trying again later.
inline constexpr char kClipboardLeftFull[] = "剪贴板正被其他程序占用,未能清空,复制过的资料可能仍在剪贴板中!";

// Puts `text` on the emptied clipboard; false (and said) when it could not.
inline bool CopyForUser(ui::Form& form, const std::string& text) {
    if (form.Os().ClipboardClear() && form.Os().ClipboardSetText(text)) return true;
    form.Say(kClipboardNotCopied);
    return false;
}

// Empties the clipboard; `otherwise` is said when it could not.
inline bool ClearForUser(ui::Form& form, const char* otherwise) {
    if (form.Os().ClipboardClear()) return true;
    form.Say(otherwise);
    return false;
}

}  // namespace qm::forms
