#pragma once
// Portable models of the controls the forms are built from. A form reads and
// writes these models only; a peer (the Win32 control, or nothing in tests)
// is told of every change and reports the user's input back to the model.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm::ui {

class Form;
class Control;

// A colour as the system numbers it: 0x00BBGGRR.
using Colour = uint32_t;
inline constexpr Colour kDefaultColour = 0xFFFFFFFFu;  // the system's own colour for the control

// Which property changed, for the peer.
// Erase: a text box's secret goes; the real control overwrites what it held, then empties.
enum class Prop { Text, Geometry, Visible, Enabled, Locked, PasswordChar, ToolTip, Colours, Font, Items, ListIndex, Value, Default, Interval, WindowState, Erase };

class Peer {
public:
    virtual ~Peer() = default;
    virtual void Sync(Prop what) = 0;
    virtual void Focus() = 0;
};

// Events carry what the form's handlers read; a handler may change KeyCode
// or KeyAscii (0 swallows the key).
struct KeyEvent {
    int KeyCode;
    int Shift;  // 1 Shift, 2 Ctrl, 4 Alt
};

class Control {
public:
    Control(Form* form, std::string name);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return name_; }
    Form* Parent() const { return form_; }
    // The picture box this control sits in, or nullptr for the form itself.
    Control* Container() const { return container_; }
    void SetContainer(Control* c) { container_ = c; }

    // Position and size in twips, relative to the container.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Move(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    void SetVisible(bool v) { set(visible_, v, Prop::Visible); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { set(enabled_, v, Prop::Enabled); }
    const std::string& ToolTipText() const { return toolTip_; }
    void SetToolTipText(const std::string& v) { set(toolTip_, v, Prop::ToolTip); }
    Colour BackColor() const { return back_; }
    void SetBackColor(Colour c) { set(back_, c, Prop::Colours); }
    Colour ForeColor() const { return fore_; }
    void SetForeColor(Colour c) { set(fore_, c, Prop::Colours); }
    bool FontBold() const { return bold_; }
    void SetFontBold(bool b) { set(bold_, b, Prop::Font); }
    // Shown in large bold figures (a code read off the screen); set before the window is made.
    bool FontLarge = false;

    std::string Tag;
    // 0: the system's pointer; 99: the hand that marks a clickable label.
    int MousePointer() const { return mousePointer_; }
    void SetMousePointer(int p) { set(mousePointer_, p, Prop::Colours); }
    int TabIndex = 0;  // order of registration unless set
    bool TabStop = true;

    // Gives this control the focus (the form tracks it as its ActiveControl).
    void SetFocus();
    bool HasFocus() const;

    std::function<void()> Click;
    std::function<void()> DblClick;
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;
    std::function<void(KeyEvent&)> KeyDown;
    std::function<void(KeyEvent&)> KeyUp;
    std::function<void(int& KeyAscii)> KeyPress;
    std::function<void(int Button, int Shift, int X, int Y)> MouseUp;

    // Whether the user can tab to or click into this control.
    virtual bool CanFocus() const { return TabStop && visible_ && enabled_; }

    void AttachPeer(Peer* p) { peer_ = p; }
    Peer* GetPeer() const { return peer_; }

    // Raised by the peer (or a test) when the user acts.
    void RaiseClick() {
        if (Click) Click();
    }
    void RaiseDblClick() {
        if (DblClick) DblClick();
    }

protected:
    template <class T>
    void set(T& field, const T& value, Prop what) {
        if (field == value) return;
        field = value;
        changed(what);
    }
    void changed(Prop what) {
        if (peer_) peer_->Sync(what);
    }
    // A size the peer reports: nothing to tell it back.
    void takeSize(int width, int height) { width_ = width, height_ = height; }

private:
    Form* form_;
    std::string name_;
    Control* container_ = nullptr;
    Peer* peer_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 1200, height_ = 300;
    bool visible_ = true, enabled_ = true, bold_ = false;
    std::string toolTip_;
    int mousePointer_ = 0;
    Colour back_ = kDefaultColour, fore_ = kDefaultColour;
};

}  // namespace qm::ui
