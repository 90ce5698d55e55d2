#include "text/strength.h"

#include "text/codepage.h"
#include "text/utf.h"

namespace qm::text {

int PasswordStrength(std::string_view password) {
    bool letters = false, digits = false, symbols = false;
    for (size_t pos = 0; pos < password.size();) {
        int code = GbkCode(NextCodePoint(password, pos));
        if (code < 0) code = '?';  // the ANSI conversion's stand-in
        letters |= (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
        digits |= code >= '0' && code <= '9';
        symbols |= (code >= 32 && code <= 47) || (code >= 58 && code <= 64);
    }
    const int classes = int{letters} + int{digits} + int{symbols};
    const size_t len = Utf16Length(password);
    if (len < 6) return 1;
    if (len <= 9) return classes;
    if (len <= 15) return classes == 1 ? 2 : classes;
    return 3;
}

std::optional<StrengthLook> StrengthAppearance(int level) {
    switch (level) {
        case 1: return StrengthLook{255, "弱"};
        case 2: return StrengthLook{65535, "中"};
        case 3: return StrengthLook{65280, "强"};
        default: return std::nullopt;
    }
}

}  // namespace qm::text
