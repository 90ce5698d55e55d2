// Attaching the skin to a window and taking it off again, the state each
// kind keeps (owned by the window's subclass and freed with the window),
// and the images, which go with the last skinned window.
#include "skin/win32/Engine.h"

#include <commctrl.h>

#include <string>

namespace qm::skin {

namespace {

using Engine = MSkinner::Engine;

constexpr UINT_PTR subclassId(Kind k) { return 0x5300 + static_cast<UINT_PTR>(k); }

void setProp(HWND hwnd, const wchar_t* name, INT_PTR value) { SetPropW(hwnd, name, reinterpret_cast<HANDLE>(value)); }

// Removes the properties PublishState and Skin gave the window, and only
// those: each removal is a round trip to the window system.
void unpublish(const WindowSkin& s) {
    static const wchar_t* const kButton[] = {L"OLDSTATE", L"OLDSTYLE", L"MOUSEFLAG", L"TIMERID", L"ALPHALEVEL",
                                             L"HDC0",     L"HDC1",     L"HDC2",      L"HDC3",    L"BMP0",
                                             L"BMP1",     L"BMP2",     L"BMP3"};
    static const wchar_t* const kBox[] = {L"OLDSTATE", L"MOUSEFLAG"};
    static const wchar_t* const kHeader[] = {L"MOUSEFLAG", L"HDINDEX", L"HMINDEX"};
    const auto remove = [&](const auto& names) {
        for (const wchar_t* name : names) RemovePropW(s.hwnd, name);
    };
    RemovePropW(s.hwnd, L"PROCADDR");
    if (dynamic_cast<const ButtonSkin*>(&s)) remove(kButton);
    else if (dynamic_cast<const BoxSkin*>(&s)) remove(kBox);
    else if (dynamic_cast<const HeaderSkin*>(&s)) remove(kHeader);
}

// The state a window of `kind` keeps, prepared as the skin comes.
std::unique_ptr<WindowSkin> prepare(Engine& engine, HWND h, Kind kind) {
    switch (kind) {
        case Kind::PushButton: {
            auto b = std::make_unique<ButtonSkin>(engine, h, kind);
            b->oldStyle = GetWindowLongPtrW(h, GWL_STYLE);
            b->fade = ButtonFade(IsWindowEnabled(h) != FALSE);
            RenderButtonFaces(*b);
            // The button draws nothing of its own from now on.
            SendMessageW(h, BM_SETSTYLE, (static_cast<WPARAM>(b->oldStyle) & 0xFFF0) | BS_OWNERDRAW, TRUE);
            SetRoundRegion(*b);
            return b;
        }
        case Kind::ComboBox:
        case Kind::DriveList:
        case Kind::CheckBox:
        case Kind::OptionButton:
            return std::make_unique<BoxSkin>(engine, h, kind);
        case Kind::ListHeader:
            return std::make_unique<HeaderSkin>(engine, h, kind);
        default:
            return std::make_unique<WindowSkin>(engine, h, kind);
    }
}

}  // namespace

Kind KindOfWindow(HWND hwnd) {
    wchar_t cls[256] = L"";
    GetClassNameW(hwnd, cls, 256);
    std::string name;
    for (const wchar_t* p = cls; *p; ++p) name += *p < 128 ? static_cast<char>(*p) : '?';
    const auto style = static_cast<uint32_t>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    return KindOf(name, style, !(style & WS_CHILD));
}

void PublishState(WindowSkin& s) {
    HWND h = s.hwnd;
    if (auto* b = dynamic_cast<ButtonSkin*>(&s)) {
        setProp(h, L"OLDSTATE", b->fade.State());
        setProp(h, L"OLDSTYLE", b->oldStyle);
        setProp(h, L"MOUSEFLAG", b->fade.Tracking());
        setProp(h, L"TIMERID", b->fade.TimerRunning() ? ButtonFade::kTimerId : 0);
        setProp(h, L"ALPHALEVEL", b->fade.Alpha());
        for (int i = 0; i < 4; ++i) {
            setProp(h, (L"HDC" + std::to_wstring(i)).c_str(), reinterpret_cast<INT_PTR>(b->faces[i].Dc()));
            setProp(h, (L"BMP" + std::to_wstring(i)).c_str(), reinterpret_cast<INT_PTR>(b->faces[i].Bitmap()));
        }
    } else if (auto* box = dynamic_cast<BoxSkin*>(&s)) {
        setProp(h, L"OLDSTATE", box->mouse.state);
        setProp(h, L"MOUSEFLAG", box->mouse.tracking);
    } else if (auto* header = dynamic_cast<HeaderSkin*>(&s)) {
        setProp(h, L"MOUSEFLAG", header->tracking);
        setProp(h, L"HDINDEX", header->track.PressedItem());
        setProp(h, L"HMINDEX", header->track.HotItem());
    }
}

const SkinImages& Engine::Images() {
    if (!images) images = BuildSkinImages(dpi);
    return *images;
}

Engine::~Engine() {
    if (dialogBrush) DeleteObject(dialogBrush);
}

HBRUSH Engine::DialogBrush() {
    if (!dialogBrush) dialogBrush = CreateSolidBrush(kFormColour);
    return dialogBrush;
}

WindowSkin* Engine::SkinOf(HWND hwnd) const {
    const auto it = skinned.find(hwnd);
    return it == skinned.end() ? nullptr : it->second;
}

int Engine::Skin(HWND h) {
    if (!h || !IsWindow(h) || SkinOf(h)) return 0;
    // Another program's windows, or another thread's, are none of ours.
    if (GetWindowThreadProcessId(h, nullptr) != GetCurrentThreadId()) return 0;
    const Kind kind = KindOfWindow(h);
    if (kind == Kind::Form)
        EnumChildWindows(
            h,
            [](HWND child, LPARAM self) -> BOOL {
                reinterpret_cast<Engine*>(self)->Skin(child);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
    std::unique_ptr<WindowSkin> state = prepare(*this, h, kind);
    state->procAddr = GetWindowLongPtrW(h, GWLP_WNDPROC);
    if (!SetWindowSubclass(h, SkinProcFor(kind), subclassId(kind), reinterpret_cast<DWORD_PTR>(state.get()))) {
        if (auto* b = dynamic_cast<ButtonSkin*>(state.get())) {
            SendMessageW(h, BM_SETSTYLE, static_cast<WPARAM>(b->oldStyle & 0xFFFF), TRUE);
            SetWindowRgn(h, nullptr, TRUE);
        }
        return 0;
    }
    WindowSkin& s = *state.release();  // owned by the subclass from here on
    skinned[h] = &s;
    ++skinnedCount;
    setProp(h, L"PROCADDR", s.procAddr);
    PublishState(s);
    SendMessageW(h, WM_NCPAINT, 1, 0);
    RedrawWindow(h, nullptr, nullptr, RDW_INTERNALPAINT | RDW_INVALIDATE);
    return 1;
}

int Engine::Unskin(HWND h) {
    WindowSkin* s = SkinOf(h);
    if (!s) return 0;
    if (s->kind == Kind::Form)
        EnumChildWindows(
            h,
            [](HWND child, LPARAM self) -> BOOL {
                reinterpret_cast<Engine*>(self)->Unskin(child);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
    const Kind kind = s->kind;
    LONG_PTR style = 0;
    if (auto* b = dynamic_cast<ButtonSkin*>(s)) {
        KillTimer(h, ButtonFade::kTimerId);
        style = b->oldStyle;
    }
    Release(*s, false);
    if (kind == Kind::PushButton) {
        SendMessageW(h, BM_SETSTYLE, static_cast<WPARAM>(style & 0xFFFF), TRUE);
        SetWindowRgn(h, nullptr, TRUE);
    }
    SendMessageW(h, WM_NCPAINT, 1, 0);
    RedrawWindow(h, nullptr, nullptr, RDW_INTERNALPAINT | RDW_INVALIDATE | RDW_FRAME);
    return 1;
}

void Engine::Release(WindowSkin& s, bool destroyed) {
    HWND h = s.hwnd;
    RemoveWindowSubclass(h, SkinProcFor(s.kind), subclassId(s.kind));
    // A destroyed window's properties go with it; removing them one by one
    // made closing a form with many controls take tens of milliseconds.
    if (!destroyed) unpublish(s);
    skinned.erase(h);
    delete &s;
    if (--skinnedCount <= 0) {
        // The last skinned window is gone: so are the images, until the next AttachSkin.
        skinnedCount = 0;
        images.reset();
    }
}

MSkinner::MSkinner(int dpi) : engine_(std::make_unique<Engine>(dpi)) {}

MSkinner::~MSkinner() {
    while (!engine_->skinned.empty()) engine_->Unskin(engine_->skinned.begin()->first);
}

int MSkinner::AttachSkin(HWND hwnd) {
    engine_->Images();
    return engine_->Skin(hwnd);
}

int MSkinner::SkinWindow(HWND hwnd) { return engine_->Skin(hwnd); }

int MSkinner::UnskinWindow(HWND hwnd) { return engine_->Unskin(hwnd); }

int MSkinner::SkinnedCount() const { return engine_->skinnedCount; }

bool MSkinner::SkinImagesReady() const { return engine_->images != nullptr; }

}  // namespace qm::skin
