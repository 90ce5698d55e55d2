#pragma once
// A form: its controls, its events, and its life (load, show, activate,
// query-unload, unload). How it appears on the screen is the host's
// business: the Win32 host makes real windows, the test host makes none.
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "ui/Controls.h"
#include "ui/Views.h"

namespace qm::ui {

class Form;

class FormHost {
public:
    virtual ~FormHost() = default;
    virtual platform::Platform& Os() = 0;
    // Makes the form's window and its controls (before Form_Load).
    virtual void Create(Form& form) = 0;
    // Shows a loaded form; for a modal one, returns once it is unloaded.
    virtual void Show(Form& form, bool modal, Form* owner) = 0;
    // Removes the form's window after it unloaded.
    virtual void Destroy(Form& form) = 0;
    // The skin engine's entry for a form.
    virtual void AttachSkin(Form& form) = 0;
    // Pops up `menu` at the mouse over `owner`; the chosen item's Click runs.
    virtual void PopupMenu(Form& owner, MenuItem& menu, MenuItem* defaultItem) = 0;
    // The wait cursor while a long piece of work holds the interface thread
    // (on), the ordinary one again afterwards (off).
    virtual void Busy(bool on) { (void)on; }
    // Takes every window of the program off the screen (on) until the screen
    // shows what lies beneath, and brings them back as they were (off): a
    // picture of the screen must not hold the program itself.
    virtual void HideWindows(bool on) { (void)on; }

    // The host's report that `form`'s window became the active one (not on
    // coming back from one of its message boxes). Its activate event runs
    // when it takes over from another of the program's forms or is newly
    // shown; coming back to it from another program is no new activation,
    // and its focus stays where the user left it.
    void FormActivated(Form& form);
    // `form`'s window is going: whatever is activated next takes over anew.
    void FormGone(const Form& form) {
        if (active_ == &form) active_ = nullptr;
    }

    // Runs one of the user's events. An error that escapes it goes to
    // OnEventError (the program rolls back and tells the user) instead of
    // ending the program; without a handler it is swallowed.
    template <class F>
    void RunEvent(F&& event) {
        try {
            event();
        } catch (const std::exception& e) {
            if (OnEventError) OnEventError(e);
        }
    }
    std::function<void(const std::exception&)> OnEventError;

private:
    const Form* active_ = nullptr;  // the form the program had active last
};

class Form : public Control {
public:
    // Who asked for the unload: the close box or system menu, the program, the
    // end of the Windows session, or another program (the task list).
    enum UnloadMode { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2, vbAppTaskManager = 3 };

    Form(FormHost& host, std::string name);
    ~Form() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { set(caption_, v, Prop::Text); }

    // Registration order is the tab order unless TabIndex says otherwise.
    const std::vector<Control*>& Controls() const { return controls_; }
    void Register(Control* c);

    bool IsLoaded() const { return loaded_; }
    // Loaded once and unloaded since.
    bool WasUnloaded() const { return everLoaded_ && !loaded_; }
    bool IsModal() const { return modal_; }
    // Loads the form if needed (Form_Load) and shows it.
    void Show(bool modal = false, Form* owner = nullptr);
    void Load();
    // Runs Form_QueryUnload and Form_Unload; false when one of them cancelled.
    // Then the boxes that hold secrets are wiped, before the windows go.
    bool Unload(int mode = vbFormCode);
    // The close box: the same with the mode of the control menu.
    bool RequestClose(int mode = vbFormControlMenu) { return Unload(mode); }
    // The mode of the unload under way, for Form_Unload.
    int UnloadingMode() const { return unloadMode_; }
    void Activate() { Form_Activate(); }
    // The user came back to this form from another program's window.
    void Reactivate() { Form_Reactivate(); }
    // The user went to another window, another program's or another form's
    // (not to one of this form's message boxes).
    void Deactivate() { Form_Deactivate(); }

    enum WindowStates { vbNormal = 0, vbMinimized = 1, vbMaximized = 2 };
    int WindowState() const { return windowState_; }
    // Minimises, restores or maximises the window; Form_Resize follows.
    void SetWindowState(int state);
    // The peer reports a state the user or the system brought about.
    void UserResized(int state);
    // The peer reports a mouse message of this form's notification-area icon.
    void TrayMouse(int message) { Form_TrayMouse(message); }

    // Until the form's window is first made, its size is the room its
    // controls need (the client area); the host then reports the window's
    // whole size, and from then on the form's size is that of the whole
    // window, caption and borders included, as when it is set at run time.
    bool SizeIsWholeWindow() const { return wholeWindow_; }
    void WindowSized(int width, int height) {
        takeSize(width, height);
        wholeWindow_ = true;
    }

    // The client area's size in twips, as the host last reported it for the
    // window shown normal or maximised (0 before its window is made); the
    // form then lays out its controls (Form_Layout).
    int ScaleWidth() const { return scaleWidth_; }
    int ScaleHeight() const { return scaleHeight_; }
    void ClientSized(int width, int height) {
        scaleWidth_ = width, scaleHeight_ = height;
        Form_Layout();
    }

    Control* ActiveControl() const { return active_; }
    // The peer reports which control the user moved the focus to.
    void FocusMovedTo(Control* c);
    void SetFocusTo(Control* c);

    int MsgBox(const std::string& text, int style, const std::string& title) { return host_.Os().MsgBox(text, style, title); }
    // The program's ordinary message: the information icon and the title "提示".
    int Say(const std::string& text) { return MsgBox(text, platform::vbInformation, "提示"); }
    FormHost& Host() const { return host_; }
    platform::Platform& Os() const { return host_.Os(); }

    // Fixed-size dialog (true) or a sizable window with minimise and maximise boxes.
    bool FixedDialog = true;
    bool MinButton = false;
    // A fixed dialog that the host may make smaller than asked where the
    // screen is too small for it; its Form_Layout gives up the room.
    bool ShrinkToFit = false;
    // The least client area the user may make a sizable window, in twips
    // (0: the least the system allows).
    int MinScaleWidth = 0, MinScaleHeight = 0;

protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Reactivate() {}
    virtual void Form_Deactivate() {}
    virtual void Form_QueryUnload(int& Cancel, int UnloadMode) {
        (void)Cancel;
        (void)UnloadMode;
    }
    virtual void Form_Unload(int& Cancel) { (void)Cancel; }
    virtual void Form_Resize() {}
    // Places the controls in the client area (ScaleWidth by ScaleHeight).
    virtual void Form_Layout() {}
    virtual void Form_TrayMouse(int message) { (void)message; }

private:
    // Empties every box that holds a secret, as the form unloads: a form
    // object may outlive its unload, and what was typed must not.
    void wipeSecrets();

    FormHost& host_;
    std::string caption_;
    std::vector<Control*> controls_;
    Control* active_ = nullptr;
    bool loaded_ = false;
    bool everLoaded_ = false;
    bool modal_ = false;
    int windowState_ = vbNormal;
    int unloadMode_ = vbFormCode;
    bool wholeWindow_ = false;
    int scaleWidth_ = 0, scaleHeight_ = 0;
};

}  // namespace qm::ui
