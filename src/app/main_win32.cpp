// The program's entry point on Windows: start-up, the first window, and the
// store's side of the end. The first window stands where the login dialog
// will; closing it is a login dialog closed without a login.
#include <windows.h>

#include "app/Startup.h"
#include "platform/win32/Win32Platform.h"

namespace {

constexpr wchar_t kWindowClass[] = L"QuillmereMain";
constexpr wchar_t kCaption[] = L"Quillmere 密码管理器";

struct FirstWindow {
    qm::app::AppContext* app;
    HFONT font = nullptr;
};

int scale(int value, int dpi) { return MulDiv(value, dpi, 96); }

std::wstring greeting(qm::app::AppContext& app) {
    size_t users = 0;
    try {
        app.RsUser.Requery();
        users = app.RsUser.RecordCount();
    } catch (const std::exception&) {
    }
    return L"欢迎使用 Quillmere 密码管理器。\n登录窗口即将在这里出现。\n已注册用户: " + std::to_wstring(users) + L" 个";
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<FirstWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_CREATE: {
            const auto* create = reinterpret_cast<LPCREATESTRUCTW>(lp);
            self = static_cast<FirstWindow*>(create->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            HDC dc = GetDC(hwnd);
            const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
            ReleaseDC(hwnd, dc);
            self->font = CreateFontW(-scale(15, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                                     L"Microsoft YaHei UI");
            HWND label = CreateWindowExW(0, L"STATIC", greeting(*self->app).c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER,
                                         scale(20, dpi), scale(30, dpi), scale(340, dpi), scale(80, dpi), hwnd, nullptr,
                                         create->hInstance, nullptr);
            SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(self->font), TRUE);
            return 0;
        }
        case WM_DESTROY:
            DeleteObject(self->font);
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int runFirstWindow(HINSTANCE instance, int show, qm::app::AppContext& app) {
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
    FirstWindow state{&app};
    HWND hwnd = CreateWindowExW(0, kWindowClass, kCaption, style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                                instance, &state);
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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    qm::platform::Win32Platform os;
    qm::app::AppContext app;
    app.AppPath = qm::store::GetAppPath();
    switch (qm::app::StartUp(app, os)) {
        case qm::app::StartResult::AlreadyRunning: return 0;
        case qm::app::StartResult::DataFileRefused: return 2;
        case qm::app::StartResult::Ready: break;
    }
    const int code = runFirstWindow(instance, show, app);
    qm::app::LoginDialogClosed(app);
    return code;
}
