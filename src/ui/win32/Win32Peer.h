#pragma once
// A control's Win32 peer: it makes the real control, keeps it in step with
// the model, and turns the control's notifications into the model's user
// input. The base keeps what every kind shares (geometry, visibility,
// enabling, font, tool tip, colours); each kind adds its own properties and
// decodes its own notifications, which the form hands back to the peer of
// the window that sent them.
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/Form.h"

namespace qm::ui {

class Win32Host;
class Win32Peer;

// A form's real window and the peers of its controls.
struct FormWindow {
    Form* form = nullptr;
    HWND hwnd = nullptr;
    HWND tooltip = nullptr;                            // one tool-tip window per form, made when first needed
    std::vector<std::unique_ptr<Win32Peer>> peers;     // the form's own first
    std::map<int, Win32Peer*> byId;                    // the controls by their child-window id (timers too)
    std::vector<HWND> disabledByModal;                 // windows this modal form disabled, to enable again
    bool closeBoxPressed = false;                      // the WM_CLOSE under way comes from the close box or system menu
};

class Win32Peer : public Peer {
public:
    Win32Peer(Win32Host& host, FormWindow& fw, Control& control) : host(host), fw(fw), control(control) {}

    // Makes the control's window under `parent` (kinds without one make none).
    virtual void Create(HWND parent, int id) {
        (void)parent;
        this->id = id;
    }
    void Sync(Prop what) override;
    void Focus() override {
        if (hwnd) SetFocus(hwnd);
    }
    void SyncAll();

    // Notifications the control sent to its parent, handed back to it.
    virtual void OnCommand(int code) { (void)code; }
    virtual LRESULT OnNotify(NMHDR& hdr) {
        (void)hdr;
        return 0;
    }
    virtual LRESULT OnCtlColor(HDC dc);
    virtual bool OnDrawItem(DRAWITEMSTRUCT& item) {
        (void)item;
        return false;
    }
    // A message to the control itself, before the control sees it; true when
    // it was answered here (with `result`).
    virtual bool OnOwnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // True when the control wants the keys the form would otherwise take
    // (access keys, the system menu).
    virtual bool TakesEveryKey() const { return false; }

    Win32Host& host;
    FormWindow& fw;
    Control& control;
    HWND hwnd = nullptr;
    int id = 0;
    bool syncing = false;  // the peer itself is changing the control: its notifications are no user input

protected:
    // The kind's own properties; Sync has done the shared ones.
    virtual void SyncOwn(Prop what) { (void)what; }
    // How much taller the window is than the model (a combo box's drop-down list).
    virtual int ExtraHeight() const { return 0; }
    // Makes the child window and registers it as this peer's.
    void makeChild(const wchar_t* cls, DWORD exStyle, DWORD style, HWND parent, int id);
    // Routes the window's keys and mouse buttons to the model's events.
    void takeInput(HWND window);
    // Sets the window's text without taking it for the user's.
    void setText(const std::string& utf8);
    // The colours of a control the user types or picks in: the system's
    // window colour, not its container's, unless the model sets its own.
    LRESULT inputColours(HDC dc);

private:
    void syncToolTip();
};

// The peer for a control of the kind the model is.
std::unique_ptr<Win32Peer> MakePeer(Win32Host& host, FormWindow& fw, Control& control);

// The window's text as UTF-16.
std::wstring WindowText(HWND hwnd);
// The modifier keys as the events report them: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftState();

}  // namespace qm::ui
