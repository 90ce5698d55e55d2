#include "tray/Mod_KeyHOOK.h"

namespace qm::tray {

namespace {

bool isModifier(int vk) { return vk >= 160 && vk <= 165; }

}  // namespace

bool ModifierMatches(uint8_t modifierKey, int vk) {
    // 160 and 161 pair as 160, 162 and 163 as 162, 164 and 165 as 164.
    return modifierKey != 0 && isModifier(vk) && (vk & ~1) == modifierKey;
}

HookVerdict KeyboardHookProc(ModShortcut& keys, const platform::KeyStroke& key) {
    const int vk = key.KeyCode & 0xFF;
    const size_t count = keys.HotKeyTable.size();
    if (!key.Down) {
        for (size_t i = 0; i < count; ++i) {
            HotKeyEntry& e = keys.HotKeyTable[i];
            if (isModifier(vk)) {
                if (ModifierMatches(e.ModifierKey, vk)) e.ModifierDown = false;
            } else if (e.KeyCode == vk) {
                e.Fired = false;
            }
        }
        return {};
    }
    if (isModifier(vk)) {
        for (size_t i = 0; i < count; ++i)
            if (ModifierMatches(keys.HotKeyTable[i].ModifierKey, vk)) keys.HotKeyTable[i].ModifierDown = true;
        return {};
    }
    // The keys the user is capturing as a new hot key are the user's own.
    if (keys.Capturing) return {};
    for (size_t i = 0; i < count; ++i) {
        HotKeyEntry& e = keys.HotKeyTable[i];
        if (e.KeyCode == 0 || e.KeyCode != vk || !e.ModifierDown) continue;
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
        } else if (!e.ActionText.empty()) {
            verdict.What = HookVerdict::Type;
            verdict.Text = e.ActionText;
            keys.KeySwallowed = true;
        } else {
            keys.KeySwallowed = false;
        }
        verdict.Swallow = keys.KeySwallowed;
        return verdict;
    }
    return {};
}

bool InstallKeyboardHook(platform::KeyboardHook& hook, ModShortcut& keys, std::function<void()> bossKey) {
    return hook.Install([&hook, &keys, bossKey = std::move(bossKey)](const platform::KeyStroke& key) {
        HookVerdict verdict = KeyboardHookProc(keys, key);
        if (verdict.What == HookVerdict::Type)
            hook.Later([&hook, text = std::move(verdict.Text)] { hook.Type(text); });
        else if (verdict.What == HookVerdict::BossKey && bossKey)
            hook.Later(bossKey);
        return verdict.Swallow;
    });
}

void RemoveKeyboardHook(platform::KeyboardHook& hook) { hook.Remove(); }

}  // namespace qm::tray
