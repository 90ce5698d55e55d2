#pragma once
// Inside the skin engine: the images, the per-window state each kind keeps
// (owned by the window's subclass and freed with the window), and the
// painters, which draw a state they are given.
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>

#include "skin/Geometry.h"
#include "skin/Kinds.h"
#include "skin/Skin.h"
#include "skin/States.h"
#include "skin/win32/Surfaces.h"

namespace qm::skin {

// The five images, drawn for one DPI.
struct SkinImages {
    int dpi = 0;
    SkinLayout layout;
    Surface ButtonStrip, ComboGlyphs, CheckMarks, OptionCircles, HeaderStrip;
};
std::unique_ptr<SkinImages> BuildSkinImages(int dpi);

// What the engine keeps about one skinned window.
struct WindowSkin {
    WindowSkin(MSkinner::Engine& engine, HWND hwnd, Kind kind) : engine(engine), hwnd(hwnd), kind(kind) {}
    virtual ~WindowSkin() = default;

    MSkinner::Engine& engine;
    HWND hwnd;
    Kind kind;
    LONG_PTR procAddr = 0;  // the window procedure before the skin came
};

// A push button: its four faces, made once per size, focus, text and style
// change, each drawn when it is first painted after that.
struct ButtonSkin : WindowSkin {
    using WindowSkin::WindowSkin;
    ButtonFade fade{true};
    LONG_PTR oldStyle = 0;  // the style as the program set it (the window itself is owner-drawn meanwhile)
    Surface faces[4];
    uint8_t staleFaces = 0;  // bit s: face s waits to be drawn
};

// Combo boxes, drive lists, check boxes and option buttons.
struct BoxSkin : WindowSkin {
    using WindowSkin::WindowSkin;
    MouseState mouse;
};

struct HeaderSkin : WindowSkin {
    using WindowSkin::WindowSkin;
    HeaderTrack track;
    bool tracking = false;
};

struct MSkinner::Engine {
    explicit Engine(int dpi) : dpi(dpi) {}
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The images, built when missing.
    const SkinImages& Images();
    int Skin(HWND hwnd);
    int Unskin(HWND hwnd);
    // The window's state is freed, and the images with the last window. A
    // window still there (`destroyed` false) also loses its properties.
    void Release(WindowSkin& skin, bool destroyed);
    // The engine's state of a skinned window, or nullptr.
    WindowSkin* SkinOf(HWND hwnd) const;
    // What the system's dialogs and message boxes are filled with: the forms' colour.
    HBRUSH DialogBrush();

    int dpi;
    std::unique_ptr<SkinImages> images;
    std::map<HWND, WindowSkin*> skinned;  // each owned by its window's subclass
    int skinnedCount = 0;
    HBRUSH dialogBrush = nullptr;
};

// The window's kind, from its class name and style.
Kind KindOfWindow(HWND hwnd);
// The subclass procedure of a kind.
SUBCLASSPROC SkinProcFor(Kind kind);
// The window's state, published as window properties by the names outside
// tools know them by ("OLDSTATE", "ALPHALEVEL", "HDINDEX", ...).
void PublishState(WindowSkin& skin);

// The painters. Each composes in a memory surface and copies the result in
// one step; where no device context is given, it takes the window's own.
void RenderButtonFaces(ButtonSkin& button);
// Rounds the push button's corners (the faces' corners are left out).
void SetRoundRegion(ButtonSkin& button);
void PaintButton(ButtonSkin& button, HDC dc, ButtonFade::Blend blend);
void PaintComboButton(BoxSkin& combo, HDC dc, int state, bool force);
void PaintCheckBox(BoxSkin& box, int state, bool force);
void PaintOptionButton(BoxSkin& box, int state, bool force);
void PaintHeader(HeaderSkin& header, HDC dc);
void PaintHeaderItem(HeaderSkin& header, HDC dc, int item, int state);
void PaintProgressBar(HWND bar, HDC dc);
void PaintProgressFrame(HWND bar);
// A 1-pixel border in the enabled or disabled colour at the window's edge,
// and a white ring inside it.
void PaintFlatFrame(HWND hwnd);
// A sunken control's border made flat: the outer ring in the border colour,
// the rest of the border in the control's background colour.
void PaintSunkenBorder(HWND hwnd);

COLORREF BorderColour(HWND hwnd);

}  // namespace qm::skin
