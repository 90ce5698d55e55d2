#pragma once
// The password-strength meter of the registration, password-change and
// record dialogs: a word and a coloured shape.
#include <string>

#include "text/strength.h"
#include "ui/Controls.h"

namespace qm::forms {

inline void ShowStrength(const std::string& password, ui::Label& word, ui::Shape& shape) {
    if (const auto look = text::StrengthAppearance(text::PasswordStrength(password))) {
        shape.SetFillColor(look->fillColour);
        word.SetCaption(look->word);
    }
}

}  // namespace qm::forms
