// The hot-key texts of the user's settings ("4|49": the modifier's number and
// the key's code joined by "|"), read into the hot-key table. For any texts:
// - an entry is either no hot key or Shift, Ctrl or Alt with a key code 1..255;
// - a hot key read from a text is the one its two numbers name, and the text
//   the program writes for it reads back as the same key;
// - every well-formed text of Shift (1), Ctrl (2) or Alt (4) and a key 1..255
//   makes its hot key;
// - nothing else in the table changes, and a table shorter than four is
//   filled only as far as it goes.
#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "tray/ModShortcut.h"

using qm::fuzz::AsText;
using qm::fuzz::Printable;
using qm::tray::HotKeyEntry;
using qm::tray::ModShortcut;

namespace {

int ModifierNumber(uint8_t left) { return left == 160 ? 1 : left == 162 ? 2 : left == 164 ? 4 : -1; }

// The two numbers of "m|k" where both halves are plain decimal digits.
bool Numbers(std::string_view text, long& modifier, long& key, bool& leadingZero) {
    const size_t bar = text.find('|');
    if (bar == std::string_view::npos) return false;
    const std::string_view m = text.substr(0, bar), k = text.substr(bar + 1);
    const auto whole = [](std::string_view s, long& v) {
        if (s.empty() || s.size() > 18) return false;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        return ec == std::errc() && end == s.data() + s.size() && s.front() != '-' && s.front() != '+';
    };
    leadingZero = (m.size() > 1 && m.front() == '0') || (k.size() > 1 && k.front() == '0');
    return whole(m, modifier) && whole(k, key);
}

std::string Show(const HotKeyEntry& e) { return std::to_string(e.ModifierKey) + "+" + std::to_string(e.KeyCode); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int16_t highest = static_cast<int16_t>(data[0] % 6) - 1;  // tables of 0 to 5 entries
    std::array<std::string, 5> texts;
    std::string_view rest = AsText(data + 1, size - 1);
    for (std::string& text : texts) {
        const size_t end = rest.find('\n');
        text = std::string(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }

    ModShortcut table;
    table.InitHotKeyTable(highest);
    for (HotKeyEntry& e : table.HotKeyTable) {
        e.ModifierKey = 164;
        e.KeyCode = 77;
        e.ActionText = "kept";
    }
    table.LoadHotKeys(texts);
    QM_FUZZ_CHECK(table.HotKeyTable.size() == static_cast<size_t>(highest + 1), "loading keeps the table's size",
                  std::to_string(table.HotKeyTable.size()));

    for (size_t i = 0; i < table.HotKeyTable.size(); ++i) {
        const HotKeyEntry& e = table.HotKeyTable[i];
        QM_FUZZ_CHECK(e.ActionText == "kept" && !e.Fired && !e.ModifierDown, "loading keys leaves the rest of an entry",
                      std::to_string(i));
        if (i >= texts.size()) {
            QM_FUZZ_CHECK(e.ModifierKey == 164 && e.KeyCode == 77, "an entry past the four texts stays", Show(e));
            continue;
        }
        const std::string& text = texts[i];
        const bool none = e.ModifierKey == 0 && e.KeyCode == 0;
        QM_FUZZ_CHECK(none || (ModifierNumber(e.ModifierKey) > 0 && e.KeyCode > 0),
                      "an entry is no hot key or Shift, Ctrl or Alt with a key", Printable(text) + " -> " + Show(e));
        long modifier = 0, key = 0;
        bool leadingZero = false;
        const bool numbers = Numbers(text, modifier, key, leadingZero);
        if (!none) {
            QM_FUZZ_CHECK(numbers && modifier == ModifierNumber(e.ModifierKey) && key == e.KeyCode,
                          "a hot key is the one its text names", Printable(text) + " -> " + Show(e));
            ModShortcut again;
            again.LoadHotKeys({std::to_string(modifier) + "|" + std::to_string(key), "", "", ""});
            QM_FUZZ_CHECK(again.HotKeyTable[0].ModifierKey == e.ModifierKey && again.HotKeyTable[0].KeyCode == e.KeyCode,
                          "the text written for a hot key reads back as that key", Printable(text));
        } else if (numbers && !leadingZero) {
            QM_FUZZ_CHECK(!((modifier == 1 || modifier == 2 || modifier == 4) && key >= 1 && key <= 255),
                          "a well-formed text makes its hot key", Printable(text) + " -> no hot key");
        }
    }
    return 0;
}
