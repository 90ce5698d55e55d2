// The program's entry point on Windows. For now it opens the first window,
// which the login dialog will replace, and ends with code 0 when it closes.
#include <windows.h>

namespace {

constexpr wchar_t kWindowClass[] = L"QuillmereMain";
constexpr wchar_t kCaption[] = L"Quillmere 密码管理器";
constexpr wchar_t kGreeting[] = L"欢迎使用 Quillmere 密码管理器。\n登录窗口即将在这里出现。";

HFONT g_font = nullptr;

int scale(int value, int dpi) { return MulDiv(value, dpi, 96); }

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE: {
            HDC dc = GetDC(hwnd);
            const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
            ReleaseDC(hwnd, dc);
            g_font = CreateFontW(-scale(15, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                                 L"Microsoft YaHei UI");
            HWND label = CreateWindowExW(0, L"STATIC", kGreeting, WS_CHILD | WS_VISIBLE | SS_CENTER, scale(20, dpi),
                                         scale(40, dpi), scale(340, dpi), scale(60, dpi), hwnd, nullptr,
                                         reinterpret_cast<LPCREATESTRUCTW>(lp)->hInstance, nullptr);
            SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), TRUE);
            return 0;
        }
        case WM_DESTROY:
            DeleteObject(g_font);
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&wc)) return 1;

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, scale(380, dpi), scale(150, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    HWND hwnd = CreateWindowExW(0, kWindowClass, kCaption, style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
