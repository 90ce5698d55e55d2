#pragma once
// The test double of the keyboard hook: a test presses and releases keys
// and sees what was swallowed and typed.
#include <deque>
#include <string>
#include <vector>

#include "platform/KeyboardHook.h"

namespace qm::platform {

class FakeKeyboardHook : public KeyboardHook {
public:
    bool Install(std::function<bool(const KeyStroke&)> onKey) override {
        onKey_ = std::move(onKey);
        return !refuse;
    }
    void Remove() override { onKey_ = nullptr; }
    bool Installed() const override { return static_cast<bool>(onKey_); }
    void Later(std::function<void()> action) override { later_.push_back(std::move(action)); }
    void Type(const std::string& text) override {
        typed.push_back(text);
        if (answering_) ++typedWhileAnswering;
    }

    // A key event of the system; true when the program swallowed it. What the
    // program put off until after the answer runs before this returns.
    bool Press(int vk) { return feed({vk, true}); }
    bool Release(int vk) { return feed({vk, false}); }

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
    std::deque<std::function<void()>> later_;
    bool answering_ = false;
};

}  // namespace qm::platform
