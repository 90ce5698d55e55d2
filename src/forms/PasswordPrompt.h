#pragma once
// The layout the dialogs share that ask for the login password once more
// (the strong protection's switch, the export's check): a line of tips,
// the password box, and OK and Cancel under it.
#include "skin/Colours.h"
#include "ui/Form.h"

namespace qm::forms {

// Where a dialog's own note starts: under the password box. The buttons and
// the bottom edge move down by the room the note takes (`noteHeight`).
inline constexpr int kPromptNoteTop = 1170;

inline void LayOutPasswordPrompt(ui::Form& form, ui::Label& tips, ui::TextBox& password, ui::CommandButton& ok,
                                 ui::CommandButton& cancel, int noteHeight = 0) {
    form.Move(0, 0, 4800, 2250 + noteHeight);
    form.SetBackColor(skin::kFormColour);
    tips.Move(300, 300, 4200, 300);
    password.Move(300, 720, 4200, 330);
    password.SetPasswordChar('*');
    ok.SetCaption("确定(&O)");
    ok.Move(900, 1350 + noteHeight, 1300, 420);
    ok.SetDefault(true);
    cancel.SetCaption("取消(&C)");
    cancel.Move(2600, 1350 + noteHeight, 1300, 420);
    cancel.Cancel = true;
}

}  // namespace qm::forms
