#pragma once
// Reading back what the skin drew: pixels from the screen, where a window
// shows them (PrintWindow draws nothing under Wine).
#include <windows.h>

#include <string>

namespace qm::gui_test {

// The pixel at (x, y) of `hwnd`'s window rectangle as the screen shows it.
COLORREF ScreenPixel(HWND hwnd, int x, int y);
// The same at a point of the client area.
COLORREF ClientPixel(HWND hwnd, int x, int y);
std::string ColourText(COLORREF c);

// Whether two colours differ by at most `tolerance` in every channel.
bool Near(COLORREF a, COLORREF b, int tolerance);

}  // namespace qm::gui_test
