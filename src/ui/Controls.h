#pragma once
// The kinds of control the forms use, with the properties and events their
// handlers read and set. Setting a text raises Change, setting a list index
// raises Click, as the forms expect; input from the user arrives through the
// User* calls of the peer (or of a test).
#include <string>
#include <vector>

#include "ui/Control.h"

namespace qm::ui {

class Label : public Control {
public:
    using Control::Control;
    enum Alignment { LeftJustify = 0, RightJustify = 1, Center = 2 };
    enum BackStyle { Transparent = 0, Opaque = 1 };
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { set(caption_, v, Prop::Text); }
    int Alignment = LeftJustify;
    // Transparent: the container's painting shows through around the text.
    int BackStyle = Opaque;
    bool CanFocus() const override { return false; }

private:
    std::string caption_;
};

// The text is kept so that no copy of it stays in freed memory: each new
// text replaces the old one in place or in a fresh block after the old one
// is wiped, and the box wipes it when it goes.
class TextBox : public Control {
public:
    using Control::Control;
    ~TextBox() override;
    const std::string& Text() const { return text_; }
    // Raises Change when the text differs, as typing does.
    void SetText(const std::string& v);
    char PasswordChar() const { return passwordChar_; }
    // A box that masks its text holds a secret, even once it shows it.
    void SetPasswordChar(char c) {
        if (c) Secret = true;
        set(passwordChar_, c, Prop::PasswordChar);
    }
    // Holds a secret: its form wipes it when it unloads.
    bool Secret = false;
    // Empties the box, overwriting its text and the real control's own copy
    // first. No Change: the text is disposed of, not edited.
    void Wipe();
    bool Locked() const { return locked_; }
    void SetLocked(bool v) { set(locked_, v, Prop::Locked); }
    bool MultiLine = false;
    int MaxLength = 0;  // 0: no limit
    // Every key reaches the key events, Alt combinations too: no access key
    // of the form and no system menu acts while the box has the focus.
    bool CapturesKeys = false;
    // With SpinMax above SpinMin the box holds a number and has up and down
    // arrows that step it within that range.
    int SpinMin = 0, SpinMax = 0;
    // Shown in a font whose characters all have one width and differ clearly.
    bool Monospaced = false;

    std::function<void()> Change;

    // The peer reports what the user typed.
    void UserSetText(const std::string& v);

private:
    std::string text_;
    char passwordChar_ = 0;
    bool locked_ = false;
};

// What a combo box and a list box share: a list of texts and the selected one.
class ListControl : public Control {
public:
    using Control::Control;
    void AddItem(const std::string& item);
    // Removes one entry; a selection of it moves to the entry that takes its place.
    void RemoveItem(int index);
    // Replaces the text of one entry.
    void SetList(int index, const std::string& item);
    virtual void Clear();
    int ListCount() const { return static_cast<int>(items_.size()); }
    const std::string& List(int index) const { return items_.at(static_cast<size_t>(index)); }
    const std::vector<std::string>& Items() const { return items_; }
    int ListIndex() const { return listIndex_; }

protected:
    std::vector<std::string> items_;
    int listIndex_ = -1;
};

class ComboBox : public ListControl {
public:
    enum Style { DropdownCombo = 0, DropdownList = 2 };
    ComboBox(Form* form, std::string name, int style = DropdownCombo) : ListControl(form, std::move(name)), style_(style) {}

    int Style() const { return style_; }
    void Clear() override;

    // Setting the list index (-1: none) selects the item, shows its text and raises Click.
    void SetListIndex(int index);
    // The text shown. Setting it keeps the text exactly as given and selects
    // the item of exactly that text, or none (ListIndex -1).
    const std::string& Text() const { return text_; }
    void SetText(const std::string& v);

    std::function<void()> Change;

    // The peer reports the user's choice or typing. Typed text selects the
    // item it names, an exact match first, else one that differs only in case,
    // as the system's combo box finds it; the text stays as typed.
    void UserSelect(int index);
    void UserSetText(const std::string& v);

private:
    int find(const std::string& text, bool ignoreCase) const;
    int style_;
    std::string text_;
};

class ListBox : public ListControl {
public:
    using ListControl::ListControl;
    void SetListIndex(int index);
    void UserSelect(int index) { SetListIndex(index); }
};

class CheckBox : public Control {
public:
    using Control::Control;
    enum { Unchecked = 0, Checked = 1 };
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { set(caption_, v, Prop::Text); }
    int Value() const { return value_; }
    // Raises Click when the state changes, as the user's click does.
    void SetValue(int v);
    void UserToggle() { SetValue(value_ == Checked ? Unchecked : Checked); }

private:
    std::string caption_;
    int value_ = Unchecked;
};

class CommandButton : public Control {
public:
    using Control::Control;
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { set(caption_, v, Prop::Text); }
    // Enter presses the default button, Esc the cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool v) { set(default_, v, Prop::Default); }
    bool Cancel = false;

private:
    std::string caption_;
    bool default_ = false;
};

// A container with a background colour; controls placed in it move with it.
// Filled boxes drawn on it lie over the colour and under the controls.
class PictureBox : public Control {
public:
    using Control::Control;
    bool CanFocus() const override { return false; }
    bool BorderStyle = false;  // a thin line around the box

    struct FilledBox {
        int Left, Top, Right, Bottom;  // twips, relative to the box
        Colour Color;
    };
    // Draws a filled box from (x1, y1) to (x2, y2).
    void FillBox(int x1, int y1, int x2, int y2, Colour c);
    // Clears every box drawn.
    void Cls();
    const std::vector<FilledBox>& Drawing() const { return drawing_; }

private:
    std::vector<FilledBox> drawing_;
};

// A filled rectangle; the strength meter shows its level by the fill colour.
class Shape : public Control {
public:
    using Control::Control;
    Colour FillColor() const { return fill_; }
    void SetFillColor(Colour c) { set(fill_, c, Prop::Colours); }
    Colour BorderColor = 0x808080;
    bool CanFocus() const override { return false; }

private:
    Colour fill_ = 0xFFFFFF;
};

// A picture drawn by the program: which one is named by `Picture`.
class Image : public Control {
public:
    using Control::Control;
    std::string Picture;
    bool CanFocus() const override { return false; }
};

// The system's progress bar: Value of Max.
class ProgressBar : public Control {
public:
    using Control::Control;
    int Value() const { return value_; }
    void SetValue(int v) { set(value_, v, Prop::Value); }
    int Max = 100;
    bool CanFocus() const override { return false; }

private:
    int value_ = 0;
};

class Timer : public Control {
public:
    using Control::Control;
    int Interval() const { return interval_; }
    void SetInterval(int ms) { set(interval_, ms, Prop::Interval); }
    bool CanFocus() const override { return false; }
    std::function<void()> Tick;  // the Timer event
    void RaiseTick() {
        if (Tick) Tick();
    }

private:
    int interval_ = 0;
};

}  // namespace qm::ui
