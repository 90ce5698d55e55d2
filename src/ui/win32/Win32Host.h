#pragma once
// The form host on Windows: a real window per form and a real control per
// model, kept in step both ways; modal forms run their own message loop; the
// program's loop ends when the last form unloads.
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "tray/TrayIcon.h"
#include "ui/Form.h"

namespace qm::ui {

class Win32Peer;

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

    // The program's message loop; returns the exit code once no form is loaded.
    int Run();

    // For peers: twips to pixels at the screen's DPI, fonts, brushes.
    int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }
    int Dpi() const { return dpi_; }
    HFONT Font(bool bold) const { return bold ? boldFont_ : font_; }
    HBRUSH Brush(Colour c);
    HINSTANCE Instance() const { return instance_; }
    HWND WindowOf(const Control& c) const;
    Win32Peer* PeerOf(HWND hwnd) const;

private:
    friend class Win32Peer;
    struct FormWindow;
    static LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK PanelProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK PaintedProc(HWND, UINT, WPARAM, LPARAM);
    // The peer of a child window of one of the forms, found through its form.
    static Win32Peer* peerOfChild(HWND hwnd);
    LRESULT handleFormMessage(FormWindow& fw, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT colourFor(HDC dc, HWND control);
    LRESULT handleNotify(NMHDR& hdr);
    HIMAGELIST categoryImages();
    bool dispatch(MSG& msg);
    void registerClasses();

    HINSTANCE instance_;
    platform::Win32Platform& os_;
    int dpi_ = 96;
    HFONT font_ = nullptr, boldFont_ = nullptr;
    std::map<Colour, HBRUSH> brushes_;
    HIMAGELIST images_ = nullptr;
    std::map<Form*, std::unique_ptr<FormWindow>> windows_;
    std::map<HWND, Win32Peer*> peers_;
    std::vector<std::unique_ptr<FormWindow>> retired_;
};

// The notification-area icon on Windows; its mouse messages reach the owner
// form through the host.
class Win32TrayIcon : public tray::TrayIcon {
public:
    explicit Win32TrayIcon(Win32Host& host) : host_(host) {}
    ~Win32TrayIcon() override;
    bool Add(Form& owner, const std::string& tip) override;
    void SetTip(const std::string&) override {}
    void Remove() override;
    bool Shown() const override { return shown_; }

private:
    Win32Host& host_;
    HWND owner_ = nullptr;
    bool shown_ = false;
};

}  // namespace qm::ui
