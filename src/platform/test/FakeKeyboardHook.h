#pragma once
// The test double of the keyboard hook: a test presses and releases keys
// and sees what was swallowed and typed. It keeps the system's own key state
// as Windows does: typing lets go of the modifiers there, and a key can be
// released where the hook does not see it.
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform/KeyboardHook.h"

namespace qm::platform {

class FakeKeyboardHook : public KeyboardHook {
public:
    bool Install(std::function<bool(const KeyStroke&)> onKey, std::function<void()> onAway,
                 std::function<void()> onForeground) override {
        onKey_ = std::move(onKey);
        onAway_ = std::move(onAway);
        onForeground_ = std::move(onForeground);
        return !refuse;
    }
    void Remove() override { onKey_ = nullptr; }
    bool Installed() const override { return static_cast<bool>(onKey_); }
    void Later(std::function<void()> action) override { later_.push_back(std::move(action)); }
    bool KeyHeld(int vk) const override { return held.count(vk) != 0; }
    void Type(const std::string& text) override {
        typed.push_back(text);
        if (answering_) ++typedWhileAnswering;
        for (int vk = 160; vk <= 165; ++vk) held.erase(vk);
    }

    // A key event of the system; true when the program swallowed it. What the
    // program put off until after the answer runs before this returns.
    bool Press(int vk) {
        held.insert(vk);
        return feed({vk, true});
    }
    bool Release(int vk) {
        held.erase(vk);
        return feed({vk, false});
    }
    // Released on the secure desktop: the system knows, the hook never hears.
    void ReleaseUnseen(int vk) { held.erase(vk); }
    // The session was locked, or another desktop shown, and back.
    void GoAway() {
        if (onKey_ && onAway_) onAway_();
    }
    // Another window comes to the front.
    void ForegroundMoves() {
        if (onKey_ && onForeground_) onForeground_();
    }

    std::set<int> held;  // the system's own key state
    std::vector<std::string> typed;
    int typedWhileAnswering = 0;  // typing inside the hook would keep the system's input waiting
    bool refuse = false;

private:
    bool feed(const KeyStroke& k) {
        answering_ = true;
        const bool swallowed = onKey_ && onKey_(k);
        answering_ = false;
        while (!later_.empty()) {
            auto action = std::move(later_.front());
            later_.pop_front();
            action();
        }
        return swallowed;
    }
    std::function<bool(const KeyStroke&)> onKey_;
    std::function<void()> onAway_;
    std::function<void()> onForeground_;
    std::deque<std::function<void()>> later_;
    bool answering_ = false;
};

}  // namespace qm::platform
