#include "tray/Mod_KeyHOOK.h"

namespace qm::tray {

namespace {

bool isModifier(int vk) { return vk >= 160 && vk <= 165; }

// The bit of a modifier's pair (Shift, Ctrl, Alt) in ReleasedByTyping.
uint8_t pairBit(int modifierVk) { return static_cast<uint8_t>(1u << ((modifierVk - 160) / 2)); }

void believe(ModShortcut& keys, int modifierVk, bool down) {
    for (HotKeyEntry& e : keys.HotKeyTable)
        if (ModifierMatches(e.ModifierKey, modifierVk)) e.ModifierDown = down;
}

bool believedDown(const ModShortcut& keys, int modifierVk) {
    for (const HotKeyEntry& e : keys.HotKeyTable)
        if (ModifierMatches(e.ModifierKey, modifierVk) && e.ModifierDown) return true;
    return false;
}

// Whether the hand holds the modifier of the left-hand code `left`, as far as
// anyone can tell: the system's own state, unless our typing let go of it.
bool handHolds(const ModShortcut& keys, uint8_t left, const KeyHeldQuery& held) {
    return (keys.ReleasedByTyping & pairBit(left)) || held(left) || held(left + 1);
}

// Typing lets go of every modifier in the system's state. The ones the hand
// holds are remembered as held; a belief the system no longer shares goes now,
// before the typing makes the two agree and the stale belief could never be told.
void letGoForTyping(ModShortcut& keys, const KeyHeldQuery& held) {
    for (uint8_t left : {160, 162, 164}) {
        if (!believedDown(keys, left)) continue;
        if (handHolds(keys, left, held)) keys.ReleasedByTyping |= pairBit(left);
        else believe(keys, left, false);
    }
}

}  // namespace

bool ModifierMatches(uint8_t modifierKey, int vk) {
    // 160 and 161 pair as 160, 162 and 163 as 162, 164 and 165 as 164.
    return modifierKey != 0 && isModifier(vk) && (vk & ~1) == modifierKey;
}

HookVerdict KeyboardHookProc(ModShortcut& keys, const platform::KeyStroke& key, const KeyHeldQuery& held) {
    const int vk = key.KeyCode & 0xFF;
    if (isModifier(vk)) {
        // The hand's own press or release: the system sees it as we do again.
        keys.ReleasedByTyping &= static_cast<uint8_t>(~pairBit(vk));
        believe(keys, vk, key.Down);
        // Let go before the typing ran, Alt would reach the target alone and
        // open its menu, which then takes the text: the typing lets go of the
        // modifiers itself, after a Ctrl tap.
        HookVerdict verdict;
        verdict.Swallow = !key.Down && keys.TypingsPending > 0;
        return verdict;
    }
    if (!key.Down) {
        for (HotKeyEntry& e : keys.HotKeyTable)
            if (e.KeyCode == vk) e.Fired = false;
        return {};
    }
    // The keys the user is capturing as a new hot key are the user's own.
    if (keys.Capturing) return {};
    for (HotKeyEntry& e : keys.HotKeyTable) {
        if (e.KeyCode == 0 || e.KeyCode != vk || !e.ModifierDown) continue;
        if (!handHolds(keys, e.ModifierKey, held)) {
            // Released where the hook could not see it: a plain key is the user's.
            believe(keys, e.ModifierKey, false);
            continue;
        }
        HookVerdict verdict;
        if (e.Fired) {
            // Held down, the key repeats: it acts once per press.
            verdict.Swallow = keys.KeySwallowed;
            return verdict;
        }
        e.Fired = true;
        if (e.ActionText == kBossKeyAction) {
            verdict.What = HookVerdict::BossKey;
            keys.KeySwallowed = true;
        } else if (!e.ActionText.empty() && keys.Locked) {
            // Swallowed too: the key must not reach the program in front either.
            verdict.What = HookVerdict::Unlock;
            keys.KeySwallowed = true;
        } else if (!e.ActionText.empty()) {
            const bool code = e.ActionText == kOneTimeCodeAction;
            verdict.What = code ? HookVerdict::TypeCode : HookVerdict::Type;
            if (!code) verdict.Text = e.ActionText;
            keys.KeySwallowed = true;
            ++keys.TypingsPending;
            letGoForTyping(keys, held);
        } else {
            keys.KeySwallowed = false;
        }
        verdict.Swallow = keys.KeySwallowed;
        return verdict;
    }
    return {};
}

void Typed(ModShortcut& keys) {
    if (keys.TypingsPending > 0) --keys.TypingsPending;
}

void ForgetHeldKeys(ModShortcut& keys) {
    for (HotKeyEntry& e : keys.HotKeyTable) {
        e.ModifierDown = false;
        e.Fired = false;
    }
    keys.ReleasedByTyping = 0;
}

void ForegroundChanged(ModShortcut& keys) { keys.ReleasedByTyping = 0; }

bool InstallKeyboardHook(platform::KeyboardHook& hook, ModShortcut& keys, std::function<void()> bossKey,
                         std::function<void()> unlock, std::function<std::string()> code) {
    return hook.Install(
        [&hook, &keys, bossKey = std::move(bossKey), unlock = std::move(unlock),
         code = std::move(code)](const platform::KeyStroke& key) {
            HookVerdict verdict = KeyboardHookProc(keys, key, [&hook](int vk) { return hook.KeyHeld(vk); });
            if (verdict.What == HookVerdict::Type)
                hook.Later([&hook, &keys, text = std::move(verdict.Text)] {
                    hook.Type(text);
                    Typed(keys);
                });
            else if (verdict.What == HookVerdict::TypeCode)
                // Made now, not at the press: the code of the moment it reaches the target.
                hook.Later([&hook, &keys, code] {
                    const std::string text = code ? code() : std::string();
                    if (!text.empty()) hook.Type(text);
                    Typed(keys);
                });
            else if (verdict.What == HookVerdict::BossKey && bossKey)
                hook.Later(bossKey);
            else if (verdict.What == HookVerdict::Unlock && unlock)
                hook.Later(unlock);
            return verdict.Swallow;
        },
        [&keys] { ForgetHeldKeys(keys); }, [&keys] { ForegroundChanged(keys); });
}

void RemoveKeyboardHook(platform::KeyboardHook& hook) { hook.Remove(); }

}  // namespace qm::tray
