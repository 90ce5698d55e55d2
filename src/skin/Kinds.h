#pragma once
// Which painting a window gets, from its class name and, for the system's
// Button class, from its button style: check boxes and option buttons are
// buttons with a style, not classes of their own.
#include <cstdint>
#include <string_view>

namespace qm::skin {

enum class Kind {
    Form,          // a dialog or a top-level window: its descendants are skinned with it
    PushButton,    // faded faces
    ComboBox,      // flat border and a drop button
    DriveList,     // painted as a combo box
    CheckBox,      // the skin's box over the control's own
    OptionButton,  // the skin's circle over the control's own
    ListHeader,    // gradient items
    ProgressBar,   // white with a flat fill
    DataList,      // a flat border around the default painting
    ComboList,     // a combo box's drop-down list
    Grid,          // a flat border when the window has one
    Other,         // default painting, a flat border where the control is sunken
};

// `className` as the system reports it (any case); `style` the window's style;
// `topLevel` when the window is no child window.
Kind KindOf(std::string_view className, uint32_t style, bool topLevel);

// Button styles (the low four bits of a Button's style).
inline constexpr uint32_t kButtonTypeMask = 0x0F;
inline constexpr uint32_t kPushLike = 0x1000;  // a check box or option button drawn as a push button

}  // namespace qm::skin
