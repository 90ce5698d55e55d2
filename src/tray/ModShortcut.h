#pragma once
// The hot-key table: which key combination does what. Entries 0, 1 and 2
// type the user name, the password and the web address of the account the
// user chose with "复制+快捷键(&C)"; entry 3 is the boss key; entry 4 types
// that account's one-time code, computed when the key is pressed (the table
// keeps the account and its secret as stored, never a code). The table starts
// with every text empty, so the typing keys do nothing until an account is chosen.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::tray {

// What entry 4 holds while armed: the code itself is made when the key is pressed.
inline constexpr const char* kOneTimeCodeAction = "one-time code";
inline constexpr size_t kOneTimeCodeEntry = 4;

struct HotKeyEntry {
    uint8_t ModifierKey = 0;  // left-hand code of the modifier: 160 Shift, 162 Ctrl, 164 Alt; 0 none
    uint8_t KeyCode = 0;      // virtual-key code of the main key; 0 none
    bool ModifierDown = false;
    bool Fired = false;       // acted during the current press of the main key
    std::string ActionText;   // the text to type, or "close to min"; empty: the key does nothing
};

class ModShortcut {
public:
    // A fresh table of entries 0 to `highest`, all empty.
    void InitHotKeyTable(int16_t highest);
    // The texts of the three typing keys: user name, password, web address.
    void SetHotKeyTexts(const std::array<std::string, 3>& texts);
    // Arms entry 4 with an account's identity and its authenticator secret as
    // stored; an empty secret leaves the key doing nothing. SetHotKeyTexts
    // disarms it: a newly chosen account has its own secret or none.
    void SetOneTimeCode(const std::string& account, const std::string& storedSecret);
    // The keys of entries 0 to 4 from the user's hot-key texts ("4|49": the
    // modifier, then the key); an empty or unreadable text is no hot key.
    void LoadHotKeys(const std::array<std::string, 5>& texts);

    // The account whose code entry 4 types, and its secret as stored.
    std::string CodeAccount;
    std::string CodeSecret;

    // While the user captures a new hot key in the settings, every key passes.
    bool Capturing = false;
    // While the program is locked the typing keys type nothing: whoever sits
    // at the desk would read the password. They ask for the unlock instead.
    bool Locked = false;

    std::vector<HotKeyEntry> HotKeyTable = std::vector<HotKeyEntry>(5);
    int16_t HotKeyCount = 4;  // highest index of HotKeyTable
    bool KeySwallowed = false;
    // The modifiers (one bit per pair: Shift, Ctrl, Alt) the program's own
    // typing let go of while the hand held them: the system reports them up
    // until the hand itself presses or releases them, or until the hook can
    // no longer tell (another window came to the front, or the keyboard went
    // away): the hand may have let go there unseen.
    uint8_t ReleasedByTyping = 0;
    // Texts a hot key asked to type that are not typed yet (typing waits
    // until the system has its answer for the key).
    int TypingsPending = 0;
};

}  // namespace qm::tray
