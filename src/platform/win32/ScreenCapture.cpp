// The whole desktop, every monitor, copied from the screen into a bitmap of
// our own and turned grey for the QR reader.
#include "platform/win32/Win32Platform.h"

namespace qm::platform {

std::optional<GreyImage> Win32Platform::CaptureScreen() {
    // The virtual screen: the rectangle round all monitors, which may begin
    // left of or above the primary one (negative coordinates).
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width <= 0 || height <= 0) return std::nullopt;

    HDC screen = GetDC(nullptr);
    if (!screen) return std::nullopt;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = memory ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    std::optional<GreyImage> image;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        // CAPTUREBLT takes layered windows too, which is what a browser may be.
        if (BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            image.emplace();
            image->width = width;
            image->height = height;
            image->pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
            const auto* bgra = static_cast<const uint8_t*>(bits);
            for (size_t i = 0; i < image->pixels.size(); ++i, bgra += 4)  // luma, ITU-R BT.601 weights
                image->pixels[i] = static_cast<uint8_t>((29 * bgra[0] + 150 * bgra[1] + 77 * bgra[2]) >> 8);
        }
        SelectObject(memory, old);
        SecureZeroMemory(bits, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

}  // namespace qm::platform
