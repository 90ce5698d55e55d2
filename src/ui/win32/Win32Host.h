#pragma once
// The form host on Windows: a real window per form and a real control per
// model, kept in step both ways by the controls' peers; modal forms run their
// own message loop; the program's loop ends when the last form unloads.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "ui/Form.h"
#include "ui/Placement.h"
#include "ui/win32/Win32Peer.h"

namespace qm::ui {

class Win32Host : public FormHost {
public:
    Win32Host(HINSTANCE instance, platform::Win32Platform& os);
    ~Win32Host() override;

    platform::Platform& Os() override { return os_; }
    void Create(Form& form) override;
    void Show(Form& form, bool modal, Form* owner) override;
    void Destroy(Form& form) override;
    void AttachSkin(Form& form) override;
    void PopupMenu(Form& owner, MenuItem& menu, MenuItem* defaultItem) override;
    void Busy(bool on) override { SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW)); }
    void HideWindows(bool on) override;

    // The program's message loop; returns the exit code once no form is loaded.
    int Run();
    // The skin engine's entry, installed by the program: AttachSkin hands it
    // the form's window. Without one, forms keep the system's look.
    void InstallSkin(std::function<void(HWND)> attach) { skin_ = std::move(attach); }

    // For peers: twips to pixels at the system's DPI (the program is
    // system-aware: Windows scales it on monitors of another DPI), fonts,
    // brushes, the category pictures.
    int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }
    int Dpi() const { return dpi_; }
    HFONT Font(bool bold) const { return bold ? boldFont_ : font_; }
    // A fixed-pitch font of the same size, made when first asked for.
    HFONT FixedFont();
    HFONT LargeFont();
    HBRUSH Brush(Colour c);
    HIMAGELIST CategoryImages();
    HINSTANCE Instance() const { return instance_; }

    // Where the form window `hwnd` goes, `width` by `height` pixels as the
    // form asks: centred on the work area of the monitor the program's other
    // windows are on, and wholly inside it (see FitIntoWorkArea).
    ScreenRect PlaceForm(HWND hwnd, int width, int height, bool resizable) const;

    HWND WindowOf(const Control& c) const;
    Win32Peer* PeerOf(HWND hwnd) const;
    // A window that belongs to `peer` (a control's own, or a part of it such as a combo box's edit).
    void RegisterPeer(HWND hwnd, Win32Peer* peer) { peers_[hwnd] = peer; }

private:
    static LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleFormMessage(FormWindow& fw, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // The peer a notification about `child` belongs to (a combo box's edit speaks for its combo box).
    Win32Peer* senderOf(HWND child) const;
    void pressDefaultOrCancel(FormWindow& fw, bool isDefault);
    void dispatch(MSG& msg);

    HINSTANCE instance_;
    platform::Win32Platform& os_;
    int dpi_ = 96;
    HFONT font_ = nullptr, boldFont_ = nullptr, fixedFont_ = nullptr, largeFont_ = nullptr;
    std::map<Colour, HBRUSH> brushes_;
    HIMAGELIST images_ = nullptr;
    std::map<Form*, std::unique_ptr<FormWindow>> windows_;
    std::map<HWND, Win32Peer*> peers_;
    std::vector<std::unique_ptr<FormWindow>> retired_;
    std::function<void(HWND)> skin_;
    std::vector<HWND> hidden_;  // what HideWindows took off the screen, to show again
    HWND activeBeforeHiding_ = nullptr;
};

}  // namespace qm::ui
