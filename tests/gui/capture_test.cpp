// The screen's picture as Windows gives it, read by the QR reader: a window
// of this process shows a set-up page's code somewhere on the desktop.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "otp/Qr.h"
#include "platform/win32/Win32Platform.h"
#include "qr_matrices.h"  // drawn by qrencode at build time

namespace {

const QrMatrix& kCode = kQrMatrices[0];  // an otpauth:// address
constexpr int kScale = 4, kQuiet = 4;

LRESULT CALLBACK PaintCode(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT all;
    GetClientRect(hwnd, &all);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (int y = 0; y < kCode.size; ++y)
        for (int x = 0; x < kCode.size; ++x)
            if (kCode.rows[y][x] == '#') {
                RECT m{(x + kQuiet) * kScale, (y + kQuiet) * kScale, (x + kQuiet + 1) * kScale, (y + kQuiet + 1) * kScale};
                FillRect(dc, &m, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            }
    EndPaint(hwnd, &ps);
    return 0;
}

TEST(ScreenCapture, TheWholeDesktopComesBackGreyWithTheCodeOnIt) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PaintCode;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QmCaptureTestCode";
    RegisterClassW(&wc);
    const int side = (kCode.size + 2 * kQuiet) * kScale;
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 333,
                                211, side, side, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(hwnd);
    UpdateWindow(hwnd);
    for (int i = 0; i < 20; ++i) {  // let the window manager put it up
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(50);
    }

    qm::platform::Win32Platform os;
    const auto screen = os.CaptureScreen();
    DestroyWindow(hwnd);
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(screen->height, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    const auto found = qm::otp::FindOtpAuthQr(*screen);
    ASSERT_TRUE(found);
    EXPECT_EQ(std::string(*found), kCode.payload);
}

}  // namespace
