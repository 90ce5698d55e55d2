#include "tray/ModShortcut.h"

#include <algorithm>
#include <string_view>

namespace qm::tray {

void ModShortcut::InitHotKeyTable(int16_t highest) {
    HotKeyCount = std::max<int16_t>(highest, -1);
    HotKeyTable.assign(static_cast<size_t>(HotKeyCount + 1), HotKeyEntry{});
    KeySwallowed = false;
    ReleasedByTyping = 0;
}

namespace {

// A whole decimal number from 0 to 255, or -1.
int byteValue(std::string_view s) {
    if (s.empty() || s.size() > 3) return -1;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v <= 255 ? v : -1;
}

}  // namespace

void ModShortcut::LoadHotKeys(const std::array<std::string, 5>& texts) {
    for (size_t i = 0; i < texts.size() && i < HotKeyTable.size(); ++i) {
        HotKeyEntry& e = HotKeyTable[i];
        const std::string_view text = texts[i];
        const size_t bar = text.find('|');
        const int modifier = bar == std::string_view::npos ? -1 : byteValue(text.substr(0, bar));
        const int key = bar == std::string_view::npos ? -1 : byteValue(text.substr(bar + 1));
        // Only Shift, Ctrl and Alt make a hot key; anything else (a damaged
        // setting) makes none rather than a key that fires on its own.
        const uint8_t left = modifier == 1 ? 160 : modifier == 2 ? 162 : modifier == 4 ? 164 : 0;
        if (left == 0 || key <= 0) {
            e.ModifierKey = 0;
            e.KeyCode = 0;
        } else {
            e.ModifierKey = left;
            e.KeyCode = static_cast<uint8_t>(key);
        }
    }
}

namespace {

// The text replaced (a password among them) is overwritten, not just let
// go: the memory it leaves may be read again before reuse.
void replaceWiping(std::string& old, const std::string& text) {
    old.resize(old.capacity());
    volatile char* bytes = old.data();
    for (size_t k = 0; k < old.size(); ++k) bytes[k] = 0;
    old = text;
}

}  // namespace

void ModShortcut::SetHotKeyTexts(const std::array<std::string, 3>& texts) {
    for (size_t i = 0; i < texts.size() && i < HotKeyTable.size(); ++i) replaceWiping(HotKeyTable[i].ActionText, texts[i]);
    SetOneTimeCode("", "");
}

void ModShortcut::SetOneTimeCode(const std::string& account, const std::string& storedSecret) {
    replaceWiping(CodeAccount, storedSecret.empty() ? std::string() : account);
    replaceWiping(CodeSecret, storedSecret);
    if (HotKeyTable.size() > kOneTimeCodeEntry)
        HotKeyTable[kOneTimeCodeEntry].ActionText = storedSecret.empty() ? "" : kOneTimeCodeAction;
}

}  // namespace qm::tray
