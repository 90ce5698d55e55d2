#pragma once
// The system-wide hot keys: every key event of the system passes through
// KeyboardHookProc, which tracks the modifier keys itself (Wine reports no
// Alt in a key's flags), recognises the hot keys of the table, and answers
// at once whether the key is swallowed. What a hot key does (typing, the
// boss key) runs after the answer, never inside the system's hook.
//
// The hook does not see every release: a modifier let go on the secure
// desktop or over an elevated window stays down in what it has seen. So a
// hot key fires only when the system agrees that its modifier is held; the
// program's own typing, which lets go of the modifiers under the hand, is
// remembered apart.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/KeyboardHook.h"
#include "tray/ModShortcut.h"

namespace qm::tray {

inline constexpr const char* kBossKeyAction = "close to min";

struct HookVerdict {
    // Unlock: a typing key pressed while the program is locked.
    // TypeCode: the one-time code of the armed account, made when it is typed.
    enum Action { None, Type, BossKey, Unlock, TypeCode };
    bool Swallow = false;
    Action What = None;
    std::string Text;  // for Type
};

// True when `vk` is the entry's modifier, left or right: 160/161 Shift,
// 162/163 Ctrl, 164/165 Alt all match the entry's left-hand code.
bool ModifierMatches(uint8_t modifierKey, int vk);

// Whether the system holds the virtual key down now.
using KeyHeldQuery = std::function<bool(int vk)>;

// The decision for one key event; the table's flags follow it.
HookVerdict KeyboardHookProc(ModShortcut& keys, const platform::KeyStroke& key, const KeyHeldQuery& held);

// A text a Type verdict asked for has been typed.
void Typed(ModShortcut& keys);

// The keyboard left the user's desktop (a lock, another desktop): whatever
// the hook believed held may have been released unseen.
void ForgetHeldKeys(ModShortcut& keys);

// Another window came to the front: a modifier our typing let go of may be
// released over it unseen (an elevated window), so only the system's own key
// state says whether the hand still holds it.
void ForegroundChanged(ModShortcut& keys);

// Hands the system's keys to KeyboardHookProc and carries out its verdicts
// once the system has its answer: the text typed literally, `bossKey`,
// `unlock`, or the text `code` makes at that moment (nothing typed when it
// makes none). False when the system refused the hook (the hot keys then do nothing).
bool InstallKeyboardHook(platform::KeyboardHook& hook, ModShortcut& keys, std::function<void()> bossKey,
                         std::function<void()> unlock, std::function<std::string()> code = {});
void RemoveKeyboardHook(platform::KeyboardHook& hook);

}  // namespace qm::tray
