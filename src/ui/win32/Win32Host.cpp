#include "ui/win32/Win32Host.h"

#include <algorithm>

#include "ui/win32/Peers.h"

namespace qm::ui {

using platform::Widen;

namespace {

constexpr wchar_t kFormClass[] = L"QuillmereForm";
constexpr int kFirstId = 100;

}  // namespace

Win32Host::Win32Host(HINSTANCE instance, platform::Win32Platform& os) : instance_(instance), os_(os) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // A face with Chinese glyphs at 9 points; Wine maps it to its CJK font.
    const auto make = [&](int weight) {
        return CreateFontW(-MulDiv(9, dpi_, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Microsoft YaHei UI");
    };
    font_ = make(FW_NORMAL);
    boldFont_ = make(FW_BOLD);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpfnWndProc = FormProc;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
    RegisterPanelClasses(instance_);
}

Win32Host::~Win32Host() {
    while (!windows_.empty()) Destroy(*windows_.begin()->first);
    for (auto& [colour, brush] : brushes_) DeleteObject(brush);
    if (images_) ImageList_Destroy(images_);
    DeleteObject(font_);
    DeleteObject(boldFont_);
    if (fixedFont_) DeleteObject(fixedFont_);
    if (largeFont_) DeleteObject(largeFont_);
}

void Win32Host::HideWindows(bool on) {
    if (on) {
        activeBeforeHiding_ = GetActiveWindow();
        for (auto& [form, fw] : windows_)
            if (IsWindowVisible(fw->hwnd)) {
                hidden_.push_back(fw->hwnd);
                ShowWindow(fw->hwnd, SW_HIDE);
            }
        // The programs beneath paint what was covered before the picture is
        // taken; ours must run none of the user's events meanwhile.
        GdiFlush();
        Sleep(400);
        return;
    }
    for (HWND hwnd : hidden_)
        if (IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOWNA);
    hidden_.clear();
    if (activeBeforeHiding_ && IsWindow(activeBeforeHiding_)) SetForegroundWindow(activeBeforeHiding_);
    activeBeforeHiding_ = nullptr;
}

HFONT Win32Host::LargeFont() {
    if (!largeFont_)
        largeFont_ = CreateFontW(-MulDiv(16, dpi_, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN,
                                 L"Consolas");
    return largeFont_;
}

HFONT Win32Host::FixedFont() {
    // Any fixed-pitch face of the modern family serves where this one is missing.
    if (!fixedFont_)
        fixedFont_ = CreateFontW(-MulDiv(10, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN,
                                 L"Consolas");
    return fixedFont_;
}

HBRUSH Win32Host::Brush(Colour c) {
    auto& b = brushes_[c];
    if (!b) b = CreateSolidBrush(c);
    return b;
}

HIMAGELIST Win32Host::CategoryImages() {
    if (images_) return images_;
    // Pictures drawn at 16 and 32 pixels; the larger ones serve high DPI screens.
    const bool large = dpi_ >= 144;
    const int size = large ? 32 : 16;
    images_ = ImageList_Create(size, size, ILC_COLOR32, 11, 0);
    if (HBITMAP strip = static_cast<HBITMAP>(
            LoadImageW(instance_, MAKEINTRESOURCEW(large ? 202 : 201), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))) {
        ImageList_Add(images_, strip, nullptr);
        DeleteObject(strip);
    }
    return images_;
}

HWND Win32Host::WindowOf(const Control& c) const {
    auto* peer = static_cast<Win32Peer*>(c.GetPeer());
    return peer ? peer->hwnd : nullptr;
}

Win32Peer* Win32Host::PeerOf(HWND hwnd) const {
    const auto it = peers_.find(hwnd);
    return it == peers_.end() ? nullptr : it->second;
}

ScreenRect Win32Host::PlaceForm(HWND hwnd, int width, int height, bool resizable) const {
    // The monitor of the window the user is working in (the one that opens
    // this form), else of another of the program's forms (the main window,
    // hidden in the tray, when the unlock dialog opens), else the window's own.
    HWND anchor = GetActiveWindow();
    if (!anchor || anchor == hwnd) {
        anchor = hwnd;
        for (const auto& [form, fw] : windows_)
            if (fw->hwnd != hwnd && (anchor == hwnd || IsWindowVisible(fw->hwnd))) anchor = fw->hwnd;
    }
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(anchor, MONITOR_DEFAULTTONEAREST), &info);
    const ScreenRect work{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
    // A fixed dialog larger than the work area cannot be made to fit: it
    // keeps its size with its caption inside the work area, where it can be
    // moved. A sizable window is shrunk, no smaller than the system allows.
    return FitIntoWorkArea(work, CentredOn(work, width, height), resizable, GetSystemMetrics(SM_CXMINTRACK),
                           GetSystemMetrics(SM_CYMINTRACK));
}

Win32Peer* Win32Host::senderOf(HWND child) const {
    if (Win32Peer* peer = PeerOf(child)) return peer;
    // A combo box passes on its edit's colour messages with the edit's handle.
    return child ? PeerOf(GetParent(child)) : nullptr;
}

void Win32Host::Create(Form& form) {
    auto fw = std::make_unique<FormWindow>();
    fw->form = &form;
    const DWORD style = form.FixedDialog
                            ? (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | (form.MinButton ? WS_MINIMIZEBOX : 0))
                            : WS_OVERLAPPEDWINDOW;
    fw->hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, Widen(form.Caption()).c_str(), style | WS_CLIPCHILDREN,
                               CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance_, fw.get());
    auto formPeer = MakePeer(*this, *fw, form);
    formPeer->hwnd = fw->hwnd;
    form.AttachPeer(formPeer.get());
    RegisterPeer(fw->hwnd, formPeer.get());
    fw->peers.push_back(std::move(formPeer));

    int id = kFirstId;
    for (Control* c : form.Controls()) {
        HWND parent = c->Container() ? WindowOf(*c->Container()) : nullptr;
        auto peer = MakePeer(*this, *fw, *c);
        peer->Create(parent ? parent : fw->hwnd, id);
        c->AttachPeer(peer.get());
        fw->byId[id] = peer.get();
        fw->peers.push_back(std::move(peer));
        ++id;
    }
    for (auto& p : fw->peers) p->SyncAll();
    windows_[&form] = std::move(fw);
}

void Win32Host::Show(Form& form, bool modal, Form* owner) {
    auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    FormWindow& fw = *it->second;
    if (modal) {
        // Application-modal, as a modal form always was: every other form waits.
        for (auto& [other, w] : windows_)
            if (other != &form && IsWindowEnabled(w->hwnd)) {
                EnableWindow(w->hwnd, FALSE);
                fw.disabledByModal.push_back(w->hwnd);
            }
    }
    (void)owner;
    ShowWindow(fw.hwnd, SW_SHOW);
    SetForegroundWindow(fw.hwnd);
    if (!modal) return;
    MSG msg;
    while (form.IsLoaded()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // let the outer loop end too
            return;
        }
        dispatch(msg);
    }
}

void Win32Host::Destroy(Form& form) {
    auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    std::unique_ptr<FormWindow> fw = std::move(it->second);
    windows_.erase(it);
    // Give the waiting forms back their input before this window goes, so
    // that the system activates one of them and not some other program.
    for (HWND w : fw->disabledByModal) EnableWindow(w, TRUE);
    for (auto& p : fw->peers) {
        p->control.AttachPeer(nullptr);
        if (dynamic_cast<TimerPeer*>(p.get())) KillTimer(fw->hwnd, static_cast<UINT_PTR>(p->id));
    }
    std::erase_if(peers_, [&](const auto& entry) { return &entry.second->fw == fw.get(); });
    SetWindowLongPtrW(fw->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(fw->hwnd);
    if (windows_.empty()) PostQuitMessage(0);
    // The handler that unloaded the form may still be on the stack of one of
    // these windows: free them only from the message loop.
    retired_.push_back(std::move(fw));
}

void Win32Host::AttachSkin(Form& form) {
    if (HWND hwnd = WindowOf(form); hwnd && skin_) skin_(hwnd);
}

void Win32Host::dispatch(MSG& msg) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    bool ours = root && peers_.count(root);
    // An Alt combination meant for a control that takes every key is no access key.
    if (ours && (msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSCHAR))
        if (Win32Peer* target = PeerOf(msg.hwnd); target && target->TakesEveryKey()) ours = false;
    if (!(ours && IsDialogMessageW(root, &msg))) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    retired_.clear();
}

int Win32Host::Run() {
    MSG msg{};
    while (!windows_.empty()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) break;
        dispatch(msg);
    }
    retired_.clear();
    return static_cast<int>(msg.message == WM_QUIT ? msg.wParam : 0);
}

LRESULT CALLBACK Win32Host::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* fw = static_cast<FormWindow*>(reinterpret_cast<LPCREATESTRUCTW>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fw));
    }
    auto* fw = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    auto* formPeer = fw && fw->form ? static_cast<Win32Peer*>(fw->form->GetPeer()) : nullptr;
    if (!formPeer) return DefWindowProcW(hwnd, msg, wp, lp);
    // An error in one of the user's events is reported and the message
    // counts as handled: the window must not go on as if nothing happened
    // (the default for WM_CLOSE, for one, would destroy it).
    LRESULT result = 0;
    formPeer->host.RunEvent([&] { result = formPeer->host.handleFormMessage(*fw, hwnd, msg, wp, lp); });
    return result;
}

void Win32Host::pressDefaultOrCancel(FormWindow& fw, bool isDefault) {
    for (auto& [id, peer] : fw.byId)
        if (auto* b = dynamic_cast<CommandButton*>(&peer->control);
            b && (isDefault ? b->Default() : b->Cancel) && b->Enabled() && b->Visible()) {
            b->RaiseClick();
            return;
        }
}

// What belongs to the form itself; what a control sent goes back to its peer.
LRESULT Win32Host::handleFormMessage(FormWindow& fw, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form& form = *fw.form;
    switch (msg) {
        case WM_SYSCOMMAND:
            // The close box and the system menu arrive here first; any other
            // WM_CLOSE comes from another program (the task list, say).
            if ((wp & 0xFFF0) == SC_CLOSE) {
                fw.closeBoxPressed = true;
                const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
                fw.closeBoxPressed = false;
                return r;
            }
            break;
        case WM_CLOSE:
            form.RequestClose(fw.closeBoxPressed ? Form::vbFormControlMenu : Form::vbAppTaskManager);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // The session ends as soon as this returns: the program's end runs
            // now, with no question that would hold up the log-off.
            if (wp) form.RequestClose(Form::vbAppWindows);
            return 0;
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED)
                form.ClientSized(MulDiv(LOWORD(lp), 1440, Dpi()), MulDiv(HIWORD(lp), 1440, Dpi()));
            if (wp == SIZE_MINIMIZED) form.UserResized(Form::vbMinimized);
            else if (wp == SIZE_MAXIMIZED) form.UserResized(Form::vbMaximized);
            else if (wp == SIZE_RESTORED && IsWindowVisible(hwnd)) form.UserResized(Form::vbNormal);
            break;
        case WM_GETMINMAXINFO:
            if (form.MinScaleWidth > 0 || form.MinScaleHeight > 0) {
                RECT r{0, 0, Px(form.MinScaleWidth), Px(form.MinScaleHeight)};
                AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                                   static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
                auto& least = reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize;
                least.x = std::max<LONG>(least.x, r.right - r.left);
                least.y = std::max<LONG>(least.y, r.bottom - r.top);
                return 0;
            }
            break;
        case WM_ACTIVATE: {
            // Going to or coming back from a message box (or a file dialog)
            // is neither a new activation of the form nor leaving it.
            wchar_t cls[16] = L"";
            if (lp) GetClassNameW(reinterpret_cast<HWND>(lp), cls, 16);
            const bool ownBox = std::wstring(cls) == L"#32770";
            if (LOWORD(wp) != WA_INACTIVE) {
                if (form.ActiveControl() && form.ActiveControl()->GetPeer()) form.ActiveControl()->GetPeer()->Focus();
                else if (HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE)) SetFocus(first);
                if (!ownBox) FormActivated(form);
                return 0;
            }
            if (!ownBox) form.Deactivate();
            break;
        }
        case WM_ERASEBKGND:
            if (form.BackColor() != kDefaultColour) {
                RECT r;
                GetClientRect(hwnd, &r);
                FillRect(reinterpret_cast<HDC>(wp), &r, Brush(form.BackColor()));
                return 1;
            }
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            if (Win32Peer* peer = senderOf(reinterpret_cast<HWND>(lp))) return peer->OnCtlColor(reinterpret_cast<HDC>(wp));
            break;
        case WM_DRAWITEM:
            if (Win32Peer* peer = PeerOf(reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem);
                peer && peer->OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp)))
                return TRUE;
            break;
        case WM_SETCURSOR:
            if (Win32Peer* peer = PeerOf(reinterpret_cast<HWND>(wp));
                peer && peer->control.MousePointer() == 99 && IsWindowEnabled(peer->hwnd)) {
                SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
                return TRUE;
            }
            break;
        case WM_NOTIFY:
            if (Win32Peer* peer = PeerOf(reinterpret_cast<NMHDR*>(lp)->hwndFrom))
                return peer->OnNotify(*reinterpret_cast<NMHDR*>(lp));
            return 0;
        case DM_GETDEFID:
            for (auto& [id, peer] : fw.byId)
                if (auto* b = dynamic_cast<CommandButton*>(&peer->control); b && b->Default())
                    return MAKELRESULT(id, DC_HASDEFID);
            break;
        case WM_TIMER:
            if (auto it = fw.byId.find(static_cast<int>(wp)); it != fw.byId.end())
                if (auto* timer = dynamic_cast<TimerPeer*>(it->second)) timer->Tick();
            return 0;
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            // Enter and Esc press the default and cancel buttons.
            if (id == IDOK || id == IDCANCEL) pressDefaultOrCancel(fw, id == IDOK);
            else if (Win32Peer* peer = PeerOf(reinterpret_cast<HWND>(lp))) peer->OnCommand(HIWORD(wp));
            return 0;
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Host::PopupMenu(Form& owner, MenuItem& menu, MenuItem* defaultItem) {
    HWND hwnd = WindowOf(owner);
    HMENU popup = CreatePopupMenu();
    for (size_t i = 0; i < menu.Items.size(); ++i) {
        const MenuItem& item = *menu.Items[i];
        if (!item.Visible()) continue;
        if (item.IsSeparator()) {
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT flags = MF_STRING | (item.Enabled() ? 0 : MF_GRAYED) | (item.Checked ? MF_CHECKED : 0);
        AppendMenuW(popup, flags, i + 1, Widen(item.Caption).c_str());
        if (&item == defaultItem) SetMenuDefaultItem(popup, static_cast<UINT>(i + 1), FALSE);
    }
    POINT pt;
    GetCursorPos(&pt);
    SetForegroundWindow(hwnd);
    const int chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr);
    // A menu of the tray icon belongs to a window that was not in front: until
    // it has a message of its own after the menu, the next menu can flash
    // and close at once.
    PostMessageW(hwnd, WM_NULL, 0, 0);
    DestroyMenu(popup);
    if (chosen > 0) menu.Items[static_cast<size_t>(chosen - 1)]->RaiseClick();
}

}  // namespace qm::ui
