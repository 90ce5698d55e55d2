#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace qm::text {

// The password-strength rule shared by the registration, password-change and
// record dialogs: 1 weak, 2 medium, 3 strong; 0 when the password has six or
// more characters of which none is a letter, digit or symbol.
int PasswordStrength(std::string_view password);

// Whether the meter calls a password "弱": level 1, and level 0 too, which
// keeps the meter's first look, "弱", in a dialog just opened on it.
inline bool IsWeakPassword(std::string_view password) { return PasswordStrength(password) <= 1; }

struct StrengthLook {
    uint32_t fillColour;  // a Windows COLORREF: 0x00BBGGRR
    const char* word;
};

// How the meter shows a level; none for level 0, which keeps the previous look.
std::optional<StrengthLook> StrengthAppearance(int level);

}  // namespace qm::text
