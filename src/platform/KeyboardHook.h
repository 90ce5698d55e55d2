#pragma once
// The system-wide keyboard as the hot keys see it: every key pressed or
// released anywhere, with the power to swallow it, and typing into whatever
// window has the keyboard focus.
#include <functional>
#include <string>

namespace qm::platform {

struct KeyStroke {
    int KeyCode;  // the virtual-key code
    bool Down;    // pressed, or released
};

class KeyboardHook {
public:
    virtual ~KeyboardHook() = default;

    // Hands every key of the system to `onKey`, except the keys the program
    // types itself; `onKey` answers at once, true to swallow the key. False
    // when the system refused (the hot keys then simply do nothing).
    // `onAway` runs when the keyboard was taken from the user's desktop (the
    // session locked or unlocked, another desktop shown): keys may have been
    // released there without the hook seeing it. `onForeground` runs when
    // another window came to the front: a key released over an elevated
    // window does not reach the hook either.
    virtual bool Install(std::function<bool(const KeyStroke&)> onKey, std::function<void()> onAway,
                         std::function<void()> onForeground) = 0;
    virtual void Remove() = 0;
    virtual bool Installed() const = 0;

    // Whether the system itself holds the key `vk` down now. The hook misses
    // releases made where it cannot see (the secure desktop, an elevated
    // window); the system's own key state does not. Typing lets go of the
    // modifiers here too, while the hand may still hold them.
    virtual bool KeyHeld(int vk) const = 0;

    // Runs `action` after the key being handled has been answered: the hook
    // must never keep the system's input waiting.
    virtual void Later(std::function<void()> action) = 0;

    // Types `text` into the window with the keyboard focus, every character
    // exactly as it is, after letting go of the modifier keys still held
    // (with Alt held, typed characters would arrive as menu keys).
    virtual void Type(const std::string& text) = 0;
};

}  // namespace qm::platform
