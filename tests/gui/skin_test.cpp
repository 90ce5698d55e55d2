// The skin engine on real windows of this test program: a bench form with
// one control of each kind, skinned, driven with the real mouse, and read
// back from the screen.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <thread>

#include "gui_support.h"
#include "skin/Images.h"
#include "skin/Skin.h"
#include "skin/win32/Engine.h"
#include "skin_support.h"

using namespace qm::gui_test;
namespace skin = qm::skin;

namespace {

constexpr wchar_t kBenchClass[] = L"QmSkinBench";

void pump(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG m;
    do {
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

template <class F>
bool pumpUntil(F ready, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        pump(20);
        if (ready()) return true;
        if (GetTickCount() - start >= ms) return false;
    }
}

INT_PTR prop(HWND hwnd, const wchar_t* name) { return reinterpret_cast<INT_PTR>(GetPropW(hwnd, name)); }

void mouseTo(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(screen.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    in.mi.dy = MulDiv(screen.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    pump(100);
}

void mouseButton(bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    pump(150);
}

POINT screenPoint(HWND hwnd, int x, int y) {
    POINT pt{x, y};
    ClientToScreen(hwnd, &pt);
    return pt;
}

SIZE sizeOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// A form of the test's own with one control of each kind the skin paints.
struct Bench {
    HWND form = nullptr, button = nullptr, other = nullptr, check = nullptr, option1 = nullptr, option2 = nullptr,
         comboList = nullptr, comboEdit = nullptr, progress = nullptr, list = nullptr, header = nullptr, edit = nullptr;
    HFONT font = nullptr;

    Bench() {
        static bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
            wc.hbrBackground = CreateSolidBrush(skin::kFormColour);
            wc.lpszClassName = kBenchClass;
            return RegisterClassExW(&wc) != 0;
        }();
        (void)registered;
        font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Microsoft YaHei UI");
        form = CreateWindowExW(0, kBenchClass, L"皮肤试验台", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                               150, 120, 520, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        button = child(L"BUTTON", L"确定(&O)", BS_PUSHBUTTON | WS_TABSTOP, 0, 20, 20, 110, 30);
        other = child(L"BUTTON", L"取消(&C)", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 150, 20, 110, 30);
        check = child(L"BUTTON", L"记住密码", BS_AUTO3STATE | WS_TABSTOP, 0, 20, 70, 160, 22);
        option1 = child(L"BUTTON", L"每天", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 0, 200, 70, 100, 22);
        option2 = child(L"BUTTON", L"每周", BS_AUTORADIOBUTTON, 0, 310, 70, 100, 22);
        comboList = child(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 20, 110, 160, 200);
        comboEdit = child(L"COMBOBOX", L"", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 0, 200, 110, 160, 200);
        progress = child(PROGRESS_CLASSW, L"", 0, 0, 20, 150, 200, 18);
        edit = child(L"EDIT", L"文字", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 250, 150, 200, 24);
        list = child(WC_LISTVIEWW, L"", LVS_REPORT | WS_TABSTOP, WS_EX_CLIENTEDGE, 20, 190, 460, 150);
        for (const wchar_t* item : {L"邮箱帐号", L"聊天帐号"})
            SendMessageW(comboList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        SendMessageW(comboList, CB_SETCURSEL, 0, 0);
        SendMessageW(progress, PBM_SETRANGE32, 0, 30000);
        SendMessageW(progress, PBM_SETPOS, 15000, 0);
        int c = 0;
        for (const wchar_t* title : {L"帐号分类", L"帐号名称", L"用户名"}) {
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH;
            col.cx = 120;
            col.pszText = const_cast<wchar_t*>(title);
            SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c++), reinterpret_cast<LPARAM>(&col));
        }
        header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        ShowWindow(form, SW_SHOW);
        SetForegroundWindow(form);
        UpdateWindow(form);
        pump(200);
    }
    ~Bench() {
        if (IsWindow(form)) DestroyWindow(form);
        pump(50);
        DeleteObject(font);
    }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    HWND child(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int x, int y, int w, int h) {
        HWND hwnd = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        return hwnd;
    }
};

int screenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

class SkinEngine : public ::testing::Test {
protected:
    void SetUp() override {
        mouseTo({5, 5});
        bench = std::make_unique<Bench>();
        ASSERT_EQ(skinner.AttachSkin(bench->form), 1);
        pump(300);
        ASSERT_TRUE(pumpUntil([&] { return prop(bench->button, L"TIMERID") == 0; }, 3000));
    }
    void TearDown() override {
        mouseButton(false);
        bench.reset();
    }

    skin::MSkinner skinner{screenDpi()};
    std::unique_ptr<Bench> bench;
};

// Where a push button's face shows what: the border along the top, the first
// row inside it, the second, and the last row inside.
struct FaceSample {
    COLORREF border, firstRow, secondRow, lastRow;
};

FaceSample sampleFace(HWND button) {
    const SIZE s = sizeOf(button);
    return {ScreenPixel(button, s.cx / 2, 0), ScreenPixel(button, 4, 1), ScreenPixel(button, 4, 2),
            ScreenPixel(button, 4, s.cy - 2)};
}

}  // namespace

TEST_F(SkinEngine, APushButtonShowsItsBorderAndFaceInEachState) {
    HWND b = bench->button;
    FaceSample face = sampleFace(b);
    EXPECT_EQ(face.border, skin::kButtonBorder) << ColourText(face.border);
    EXPECT_EQ(face.firstRow, skin::Rgb(255, 255, 255)) << "normal: white at the top";
    EXPECT_EQ(face.lastRow, skin::Rgb(177, 208, 234)) << ColourText(face.lastRow);

    // Hot: the pointer over it, once the fade has run its course.
    mouseTo(CentreOf(b));
    ASSERT_TRUE(pumpUntil([&] { return prop(b, L"OLDSTATE") == skin::Hot && prop(b, L"TIMERID") == 0; }, 5000));
    face = sampleFace(b);
    EXPECT_EQ(face.border, skin::kButtonBorder);
    EXPECT_EQ(face.firstRow, skin::kButtonHotFrame) << ColourText(face.firstRow);
    EXPECT_EQ(face.secondRow, skin::Rgb(210, 238, 252)) << ColourText(face.secondRow);

    // Pressed while the button is held down.
    mouseButton(true);
    EXPECT_EQ(prop(b, L"OLDSTATE"), skin::Pressed);
    face = sampleFace(b);
    EXPECT_EQ(face.firstRow, skin::kButtonHotFrame);
    EXPECT_EQ(face.secondRow, skin::Rgb(134, 204, 243)) << ColourText(face.secondRow);

    // Disabled while pressed: the disabled face, whatever state was stored.
    EnableWindow(b, FALSE);
    mouseButton(false);
    pump(200);
    EXPECT_EQ(prop(b, L"OLDSTATE"), skin::Disabled);
    face = sampleFace(b);
    EXPECT_EQ(face.border, skin::kButtonBorderDisabled) << ColourText(face.border);
    EXPECT_EQ(face.firstRow, skin::Rgb(248, 251, 253)) << ColourText(face.firstRow);
    EXPECT_EQ(face.lastRow, skin::Rgb(210, 227, 243)) << ColourText(face.lastRow);
    // And so it stays, whatever the mouse does.
    mouseTo(CentreOf(bench->other));
    mouseTo(CentreOf(b));
    pump(300);
    EXPECT_EQ(sampleFace(b).firstRow, skin::Rgb(248, 251, 253));
}

TEST_F(SkinEngine, APushButtonStaysAPushButtonForTheDialogManager) {
    // Owner-drawn underneath, it still says which button is the default.
    EXPECT_EQ(GetWindowLongPtrW(bench->button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_TRUE(SendMessageW(bench->button, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON);
    EXPECT_TRUE(SendMessageW(bench->other, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    SendMessageW(bench->button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    SendMessageW(bench->other, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_TRUE(SendMessageW(bench->button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(SendMessageW(bench->other, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongPtrW(bench->button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << "and stays owner-drawn";
    pump(100);
    EXPECT_EQ(sampleFace(bench->button).border, skin::kButtonBorder);

    // Unskinned, it is the default push button the program last made it.
    ASSERT_EQ(skinner.UnskinWindow(bench->button), 1);
    EXPECT_EQ(GetWindowLongPtrW(bench->button, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetPropW(bench->button, L"PROCADDR"), nullptr);
}

TEST_F(SkinEngine, ACheckBoxWithValue2ShowsTheSquareAndValue1TheMark) {
    const int cx = GetSystemMetrics(SM_CXMENUCHECK), cy = GetSystemMetrics(SM_CYMENUCHECK);
    const int boxTop = skin::Halve(sizeOf(bench->check).cy - cy);
    const skin::Pixmap marks = skin::MakeCheckMarks(skin::ScaleForDpi(screenDpi()));
    const skin::SkinLayout layout{skin::ScaleForDpi(screenDpi())};
    const skin::Rect square = layout.CheckSquare(true), mark = layout.CheckMark(true);
    const POINT squareAt{skin::Halve(cx - square.w), skin::Halve(cy - square.h)};
    const POINT markAt{skin::Halve(cx - mark.w), skin::Halve(cy - mark.h)};
    // A point of the square where the check mark has a gap.
    POINT gap{-1, -1};
    for (int y = 0; y < square.h && gap.x < 0; ++y)
        for (int x = 0; x < square.w && gap.x < 0; ++x) {
            const int mx = squareAt.x + x - markAt.x, my = squareAt.y + y - markAt.y;
            if (mx < 0 || my < 0 || mx >= mark.w || my >= mark.h || marks.At(mark.x + mx, mark.y + my) == skin::kKey)
                gap = {x, y};
        }
    ASSERT_GE(gap.x, 0);
    const auto at = [&](POINT inSquare) {
        return ScreenPixel(bench->check, squareAt.x + inSquare.x, boxTop + squareAt.y + inSquare.y);
    };

    SendMessageW(bench->check, BM_SETCHECK, BST_INDETERMINATE, 0);
    pump(200);
    EXPECT_EQ(at(gap), marks.At(square.x + gap.x, square.y + gap.y)) << "the square: " << ColourText(at(gap));
    EXPECT_EQ(at({square.w - 1, square.h - 1}), marks.At(square.x + square.w - 1, square.y + square.h - 1));
    EXPECT_EQ(ScreenPixel(bench->check, 0, boxTop + cy / 2), skin::kBorder) << "the box's border";

    SendMessageW(bench->check, BM_SETCHECK, BST_CHECKED, 0);
    pump(200);
    EXPECT_EQ(at(gap), skin::kFace) << "the check mark leaves white there";
    const COLORREF tip = ScreenPixel(bench->check, markAt.x + mark.w - 1, boxTop + markAt.y);
    EXPECT_EQ(tip, marks.At(mark.x + mark.w - 1, mark.y)) << "the mark's tip: " << ColourText(tip);

    SendMessageW(bench->check, BM_SETCHECK, BST_UNCHECKED, 0);
    pump(200);
    EXPECT_EQ(ScreenPixel(bench->check, markAt.x + mark.w - 1, boxTop + markAt.y), skin::kFace) << "an empty box";
}

TEST_F(SkinEngine, AClickRepaintsTheOtherOptionButtonsOfTheGroup) {
    const int cx = GetSystemMetrics(SM_CXMENUCHECK), cy = GetSystemMetrics(SM_CYMENUCHECK);
    const auto top = [&](HWND option) { return skin::Halve(sizeOf(option).cy - cy); };
    const auto dot = [&](HWND option) {
        return ScreenPixel(option, skin::Halve(cx - 5) + 2, top(option) + skin::Halve(cy - 5) + 2);
    };
    const auto green = [](COLORREF c) { return skin::GreenOf(c) > skin::RedOf(c) + 60; };
    // The top of the skin's ring, darkest there; the control's own circle looks otherwise.
    const COLORREF ring = skin::MakeOptionCircles(skin::ScaleForDpi(screenDpi())).At(6, 0);
    const auto ringTop = [&](HWND option) { return ScreenPixel(option, cx / 2, top(option)); };

    mouseTo(CentreOf(bench->option1));
    mouseButton(true);
    mouseButton(false);
    ASSERT_EQ(SendMessageW(bench->option1, BM_GETCHECK, 0, 0), BST_CHECKED);
    pump(200);
    EXPECT_TRUE(green(dot(bench->option1))) << "the green dot: " << ColourText(dot(bench->option1));
    EXPECT_EQ(dot(bench->option2), skin::kFace);
    EXPECT_EQ(ringTop(bench->option2), ring) << ColourText(ringTop(bench->option2));

    // The click on the other one changes both; the pointer stays where it clicked.
    mouseTo(CentreOf(bench->option2));
    mouseButton(true);
    mouseButton(false);
    pump(200);
    EXPECT_EQ(dot(bench->option1), skin::kFace) << "the old choice shows no dot";
    EXPECT_EQ(ringTop(bench->option1), ring) << "drawn by the skin again: " << ColourText(ringTop(bench->option1));
    EXPECT_TRUE(green(dot(bench->option2))) << ColourText(dot(bench->option2));
    mouseTo({5, 5});

    // A picture of every kind of control, to look at.
    SendMessageW(bench->check, BM_SETCHECK, BST_INDETERMINATE, 0);
    EnableWindow(bench->comboEdit, FALSE);
    SetFocus(bench->button);
    pump(300);
    SaveScreenshot(bench->form, L"skin-controls");
}

TEST_F(SkinEngine, ADisabledComboBoxHasThePaleBorderAndTheGreyArrow) {
    const int sb = GetSystemMetrics(SM_CXVSCROLL);
    const auto arrowTip = [&](HWND combo) {
        const SIZE s = sizeOf(combo);
        const int left = s.cx - (sb + 1) - 1;
        return ScreenPixel(combo, left + skin::Halve(sb + 1 - 7) + 3, 1 + skin::Halve(s.cy - 2 - 4));
    };
    EXPECT_EQ(ScreenPixel(bench->comboList, sizeOf(bench->comboList).cx / 2, 0), skin::kBorder);
    EXPECT_EQ(arrowTip(bench->comboList), skin::kComboArrow) << ColourText(arrowTip(bench->comboList));

    EnableWindow(bench->comboList, FALSE);
    pump(300);
    const COLORREF border = ScreenPixel(bench->comboList, sizeOf(bench->comboList).cx / 2, 0);
    EXPECT_EQ(border, skin::kBorderDisabled) << ColourText(border);
    EXPECT_EQ(arrowTip(bench->comboList), skin::kComboArrowDisabled) << ColourText(arrowTip(bench->comboList));

    // The editable one keeps its typed text when painted over.
    EXPECT_EQ(ScreenPixel(bench->comboEdit, 0, 5), skin::kBorder);
    EXPECT_EQ(arrowTip(bench->comboEdit), skin::kComboArrow);
}

TEST_F(SkinEngine, AProgressBarIsFilledAsFarAsItsPosition) {
    RECT client;
    GetClientRect(bench->progress, &client);
    const int mid = client.bottom / 2;
    EXPECT_EQ(ClientPixel(bench->progress, client.right / 2 - 2, mid), skin::kProgressFill);
    EXPECT_EQ(ClientPixel(bench->progress, client.right / 2 + 2, mid), skin::kFace);
    EXPECT_EQ(ScreenPixel(bench->progress, sizeOf(bench->progress).cx / 2, 0), skin::kBorder) << "its flat frame";

    // A bar of another range: half is half all the same.
    SendMessageW(bench->progress, PBM_SETRANGE32, 0, 100);
    SendMessageW(bench->progress, PBM_SETPOS, 25, 0);
    pump(200);
    EXPECT_EQ(ClientPixel(bench->progress, client.right / 4 - 2, mid), skin::kProgressFill);
    EXPECT_EQ(ClientPixel(bench->progress, client.right / 4 + 2, mid), skin::kFace);
}

TEST_F(SkinEngine, HeaderItemsShowHotUnderTheMouseAndPressedWhileHeld) {
    HWND h = bench->header;
    RECT item1{};
    SendMessageW(h, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item1));
    const skin::Colour normalTop = skin::Rgb(234, 245, 254);
    EXPECT_EQ(ClientPixel(h, 1, 0), normalTop);
    EXPECT_EQ(ClientPixel(h, item1.left, 0), normalTop);

    mouseTo(screenPoint(h, (item1.left + item1.right) / 2, 4));
    ASSERT_TRUE(pumpUntil([&] { return prop(h, L"HMINDEX") == 1; }, 3000));
    EXPECT_EQ(ClientPixel(h, item1.left, 0), skin::kHeaderHotSide) << ColourText(ClientPixel(h, item1.left, 0));
    EXPECT_EQ(ClientPixel(h, item1.right - 1, 0), skin::kHeaderHotSide);
    EXPECT_EQ(ClientPixel(h, 1, 0), normalTop) << "the other items stay normal";

    mouseButton(true);
    EXPECT_EQ(prop(h, L"HDINDEX"), 1);
    EXPECT_EQ(ClientPixel(h, item1.left, 0), skin::kHeaderPressedSideTop) << ColourText(ClientPixel(h, item1.left, 0));
    mouseButton(false);
    EXPECT_EQ(prop(h, L"HDINDEX"), -1);
    EXPECT_EQ(ClientPixel(h, item1.left, 0), skin::kHeaderHotSide);

    mouseTo({5, 5});
    ASSERT_TRUE(pumpUntil([&] { return prop(h, L"HMINDEX") == -1; }, 3000));
    EXPECT_EQ(ClientPixel(h, item1.left, 0), normalTop);
}

TEST_F(SkinEngine, SunkenControlsGetAFlatBorder) {
    const SIZE s = sizeOf(bench->edit);
    EXPECT_EQ(ScreenPixel(bench->edit, s.cx / 2, 0), skin::kBorder);
    EXPECT_EQ(ScreenPixel(bench->edit, s.cx / 2, 1), skin::kFace) << "the rest of the border in the box's colour";
    EXPECT_EQ(ScreenPixel(bench->list, 0, sizeOf(bench->list).cy / 2), skin::kBorder);
    EnableWindow(bench->edit, FALSE);
    pump(200);
    EXPECT_EQ(ScreenPixel(bench->edit, s.cx / 2, 0), skin::kBorderDisabled);
}

TEST_F(SkinEngine, AttachingTwiceChangesNothing) {
    const int count = skinner.SkinnedCount();
    const FaceSample before = sampleFace(bench->button);
    const auto style = GetWindowLongPtrW(bench->button, GWL_STYLE);
    EXPECT_EQ(skinner.AttachSkin(bench->form), 0);
    EXPECT_EQ(skinner.SkinWindow(bench->button), 0);
    pump(300);
    EXPECT_EQ(skinner.SkinnedCount(), count);
    EXPECT_EQ(GetWindowLongPtrW(bench->button, GWL_STYLE), style);
    const FaceSample after = sampleFace(bench->button);
    EXPECT_EQ(after.border, before.border);
    EXPECT_EQ(after.firstRow, before.firstRow);
    EXPECT_EQ(after.lastRow, before.lastRow);
    // Every descendant counts once: the form, its ten controls, the list's
    // header and the editable combo box's edit.
    EXPECT_EQ(count, 13);
}

TEST_F(SkinEngine, AMessageBoxIsSkinnedAsItAppearsAndLetGoWhenItCloses) {
    const int count = skinner.SkinnedCount();
    COLORREF buttonTop = 0, background = 0;
    int whileOpen = 0;
    std::thread answer([&] {
        HWND box = nullptr;
        WaitUntil([&] { return (box = FindWindowW(L"#32770", L"提示")) && IsWindowVisible(box); }, 5000);
        if (!box) return;
        Sleep(500);
        HWND ok = GetDlgItem(box, IDOK);
        buttonTop = ScreenPixel(ok, sizeOf(ok).cx / 2, 0);
        background = ClientPixel(box, 3, 3);
        whileOpen = skinner.SkinnedCount();
        PostMessageW(ok, BM_CLICK, 0, 0);
    });
    MessageBoxW(bench->form, L"已保存!", L"提示", MB_OK | MB_ICONINFORMATION);
    answer.join();
    EXPECT_EQ(buttonTop, skin::kButtonBorder) << ColourText(buttonTop);
    EXPECT_EQ(background, skin::kFormColour) << ColourText(background);
    EXPECT_GT(whileOpen, count);
    pump(100);
    EXPECT_EQ(skinner.SkinnedCount(), count) << "the box's windows are let go with it";
}

TEST(SkinEngineLife, TheImagesGoWithTheLastSkinnedWindowAndComeBackWithTheNext) {
    skin::MSkinner skinner(screenDpi());
    EXPECT_FALSE(skinner.SkinImagesReady());
    {
        Bench bench;
        ASSERT_EQ(skinner.AttachSkin(bench.form), 1);
        EXPECT_TRUE(skinner.SkinImagesReady());
        EXPECT_GT(skinner.SkinnedCount(), 0);
    }
    EXPECT_EQ(skinner.SkinnedCount(), 0);
    EXPECT_FALSE(skinner.SkinImagesReady());
    {
        Bench bench;
        ASSERT_EQ(skinner.AttachSkin(bench.form), 1);
        EXPECT_TRUE(skinner.SkinImagesReady());
        pump(300);
        EXPECT_EQ(sampleFace(bench.button).border, skin::kButtonBorder) << "drawn from the rebuilt images";
        // Unskinned by hand, the form and all it holds go back to their own drawing.
        EXPECT_EQ(skinner.UnskinWindow(bench.form), 1);
        EXPECT_EQ(skinner.SkinnedCount(), 0);
        EXPECT_FALSE(skinner.SkinImagesReady());
        EXPECT_EQ(GetWindowLongPtrW(bench.button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
        // Each kind takes back exactly the properties it was given: none is left on any window.
        std::vector<HWND> windows{bench.form};
        EnumChildWindows(
            bench.form,
            [](HWND child, LPARAM out) -> BOOL {
                reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windows));
        for (HWND w : windows) {
            // Listed, not read: a property whose value is 0 reads as none.
            std::vector<std::wstring> kept;
            EnumPropsExW(
                w,
                [](HWND, LPWSTR name, HANDLE, ULONG_PTR out) -> BOOL {
                    if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(name);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&kept));
            wchar_t cls[64] = L"";
            GetClassNameW(w, cls, 64);
            for (const wchar_t* name : {L"PROCADDR", L"OLDSTATE", L"OLDSTYLE", L"MOUSEFLAG", L"TIMERID", L"ALPHALEVEL",
                                        L"HDINDEX", L"HMINDEX", L"HDC0", L"HDC1", L"HDC2", L"HDC3", L"BMP0", L"BMP1",
                                        L"BMP2", L"BMP3"})
                EXPECT_EQ(std::count(kept.begin(), kept.end(), name), 0) << Utf8Of(cls) << " keeps " << Utf8Of(name);
        }
        EXPECT_EQ(skinner.UnskinWindow(bench.form), 0);
    }
    EXPECT_EQ(skinner.SkinWindow(nullptr), 0);
}

TEST(SkinSurfaces, TheImagesHoldEveryPixelOfTheirPictures) {
    const auto images = skin::BuildSkinImages(96);
    ASSERT_EQ(images->layout.scale, 1);
    const struct {
        const skin::Surface& surface;
        skin::Pixmap picture;
    } cases[] = {{images->ButtonStrip, skin::MakeButtonStrip(1)},
                 {images->ComboGlyphs, skin::MakeComboGlyphs(1)},
                 {images->CheckMarks, skin::MakeCheckMarks(1)},
                 {images->OptionCircles, skin::MakeOptionCircles(1)},
                 {images->HeaderStrip, skin::MakeHeaderStrip(1)}};
    for (const auto& c : cases) {
        ASSERT_TRUE(c.surface);
        ASSERT_EQ(c.surface.Width(), c.picture.width);
        ASSERT_EQ(c.surface.Height(), c.picture.height);
        for (int y = 0; y < c.picture.height; ++y)
            for (int x = 0; x < c.picture.width; ++x)
                ASSERT_EQ(GetPixel(c.surface.Dc(), x, y), c.picture.At(x, y)) << x << "," << y;
    }
    EXPECT_EQ(skin::BuildSkinImages(192)->ButtonStrip.Width(), 14) << "twice the size at twice the DPI";
}

TEST(SkinSurfaces, NineGridKeepsCornersWholeStretchesTheRestAndLeavesTheKeyOut) {
    const auto images = skin::BuildSkinImages(96);
    const skin::Pixmap strip = skin::MakeButtonStrip(1);
    skin::Surface dest = skin::CreateMemorySurface(80, 26);
    ASSERT_TRUE(dest);
    skin::DrawNineGrid(dest.Dc(), 0, 0, 80, 26, images->ButtonStrip.Dc(), {0, 21, 7, 21}, {3, 3, 3, 3});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(GetPixel(dest.Dc(), x, y), strip.At(x, 21 + y));
            EXPECT_EQ(GetPixel(dest.Dc(), 77 + x, 23 + y), strip.At(4 + x, 39 + y));
        }
    for (int x = 3; x < 77; ++x) {
        EXPECT_EQ(GetPixel(dest.Dc(), x, 0), strip.At(3, 21));
        EXPECT_EQ(GetPixel(dest.Dc(), x, 25), strip.At(3, 41));
    }
    for (int y = 3; y < 23; ++y) EXPECT_EQ(GetPixel(dest.Dc(), 1, y), skin::kButtonHotFrame);

    // With the key colour, what lies outside the circle stays as it was.
    const RECT all{0, 0, 80, 26};
    HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
    FillRect(dest.Dc(), &all, green);
    DeleteObject(green);
    skin::DrawNineGrid(dest.Dc(), 10, 0, 26, 26, images->OptionCircles.Dc(), {0, 0, 13, 13}, {5, 5, 5, 5}, skin::kKey);
    EXPECT_EQ(GetPixel(dest.Dc(), 10, 0), RGB(0, 128, 0));
    EXPECT_EQ(GetPixel(dest.Dc(), 9, 13), RGB(0, 128, 0));
    EXPECT_EQ(GetPixel(dest.Dc(), 23, 13), skin::kFace) << "the circle's inside";
    EXPECT_NE(GetPixel(dest.Dc(), 10, 13), RGB(0, 128, 0)) << "its ring at the left edge";

    // A 1:1 transparent copy of the check mark.
    skin::DrawTransparent(dest.Dc(), 50, 5, 9, 8, images->CheckMarks.Dc(), 0, 0, skin::kKey);
    const skin::Pixmap marks = skin::MakeCheckMarks(1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 9; ++x) {
            const COLORREF expected = marks.At(x, y) == skin::kKey ? RGB(0, 128, 0) : marks.At(x, y);
            EXPECT_EQ(GetPixel(dest.Dc(), 50 + x, 5 + y), expected) << x << "," << y;
        }
}
