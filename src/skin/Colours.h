#pragma once
// The skin's colours: those the painters use, the telling colours of its
// images, and the light blue of the forms it is drawn for.
#include <cstdint>

namespace qm::skin {

// A colour as the system numbers it: 0x00BBGGRR.
using Colour = uint32_t;
constexpr Colour Rgb(int r, int g, int b) {
    return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}
constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

// The forms' own colour, set in each form's design; the skin gives it to the
// system's dialogs and message boxes too, which have no design of ours.
inline constexpr Colour kFormColour = Rgb(213, 231, 246);

// The colours the painters use besides the images.
inline constexpr Colour kBorder = Rgb(84, 165, 213);           // an enabled control's border
inline constexpr Colour kBorderDisabled = Rgb(164, 207, 233);  // a disabled control's border
inline constexpr Colour kCheckBorderPressed = Rgb(57, 134, 196);
inline constexpr Colour kFace = Rgb(255, 255, 255);  // control faces, the ring inside the border
inline constexpr Colour kProgressFill = Rgb(76, 214, 246);
inline constexpr Colour kButtonText = Rgb(0, 0, 0);
inline constexpr Colour kButtonTextDisabled = Rgb(121, 138, 150);
inline constexpr Colour kKey = Rgb(255, 0, 255);  // transparent where an image is copied with it

// Telling colours of the images, which tests look for on the screen.
inline constexpr Colour kButtonBorder = Rgb(27, 143, 213);
inline constexpr Colour kButtonBorderDisabled = Rgb(135, 195, 232);
inline constexpr Colour kButtonHotFrame = Rgb(76, 195, 251);
inline constexpr Colour kComboArrow = Rgb(25, 85, 95);
inline constexpr Colour kComboArrowDisabled = Rgb(132, 165, 172);
inline constexpr Colour kComboButtonBorder = Rgb(78, 160, 209);
inline constexpr Colour kMarkTop = Rgb(84, 183, 29), kMarkBottom = Rgb(53, 145, 2);
inline constexpr Colour kMarkTopDisabled = Rgb(168, 218, 140), kMarkBottomDisabled = Rgb(152, 199, 126);
inline constexpr Colour kHeaderHotSide = Rgb(94, 194, 250);
inline constexpr Colour kHeaderPressedSideTop = Rgb(151, 215, 251), kHeaderPressedSideBottom = Rgb(168, 227, 253);

}  // namespace qm::skin
