#include "skin/Kinds.h"

#include <cctype>
#include <string>

namespace qm::skin {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The kind of a window of the system's Button class by its style. Group
// boxes, owner-drawn, split and command-link buttons and push-like boxes keep
// their own painting.
Kind buttonKind(uint32_t style) {
    if (style & kPushLike) return Kind::Other;
    switch (style & kButtonTypeMask) {
        case 0x0:  // BS_PUSHBUTTON
        case 0x1:  // BS_DEFPUSHBUTTON
            return Kind::PushButton;
        case 0x2:  // BS_CHECKBOX
        case 0x3:  // BS_AUTOCHECKBOX
        case 0x5:  // BS_3STATE
        case 0x6:  // BS_AUTO3STATE
            return Kind::CheckBox;
        case 0x4:  // BS_RADIOBUTTON
        case 0x9:  // BS_AUTORADIOBUTTON
            return Kind::OptionButton;
        default:
            return Kind::Other;
    }
}

}  // namespace

Kind KindOf(std::string_view className, uint32_t style, bool topLevel) {
    const std::string name = lower(className);
    if (name == "#32770") return Kind::Form;
    if (name == "button" || name == "thundercommandbutton" || name == "thunderrt6commandbutton")
        return name == "button" ? buttonKind(style) : Kind::PushButton;
    if (name == "combobox" || name == "combo" || name == "thundercombobox" || name == "thunderrt6combobox")
        return Kind::ComboBox;
    if (name == "thunderdrivelistbox" || name == "thunderrt6drivelistbox") return Kind::DriveList;
    if (name == "thundercheckbox" || name == "thunderrt6checkbox") return Kind::CheckBox;
    if (name == "thunderoptionbutton" || name == "thunderrt6optionbutton") return Kind::OptionButton;
    if (name == "sysheader32" || name == "msvb_lib_header") return Kind::ListHeader;
    if (name == "msctls_progress32" || name == "progressbar20wndclass" || name == "progressbarwndclass")
        return Kind::ProgressBar;
    if (name == "datalistwndclass" || name == "dblistwndclass") return Kind::DataList;
    if (name == "combolbox") return Kind::ComboList;
    if (name.rfind("apexgrid", 0) == 0) return Kind::Grid;
    if (name == "#32768" || name == "tooltips_class32") return Kind::Other;  // menus and tips paint themselves
    if (topLevel || name == "thunderformdc" || name == "thunderrt6formdc" || name == "form") return Kind::Form;
    return Kind::Other;
}

}  // namespace qm::skin
