#include "app/TimedClipboard.h"

#include "vault/SecretText.h"

namespace qm::app {

bool TimedClipboard::Copy(platform::Platform& os, const std::string& text, int seconds) {
    if (!os.ClipboardClear() || !os.ClipboardSetText(text)) {
        // Whatever is there now is not ours: nothing to wait for.
        forget();
        return false;
    }
    sequence_ = os.ClipboardSequence();
    key_.emplace();
    digest_ = key_->Of(text);
    ours_ = true;
    waiting_ = seconds > 0;
    due_ = os.Milliseconds() + static_cast<uint64_t>(seconds > 0 ? seconds : 0) * 1000;
    return true;
}

bool TimedClipboard::stillOurs(platform::Platform& os) {
    if (!ours_) return false;
    const uint32_t now = os.ClipboardSequence();
    if (now == sequence_) return true;
    std::string read = os.ClipboardGetText();
    const vault::SecretText there = vault::SecretText::Adopt(read);
    if (!vault::KeyedDigest::Same(key_->Of(there.view()), digest_)) return false;
    // The same text again: read once per change, not at every tick.
    sequence_ = now;
    return true;
}

void TimedClipboard::forget() {
    ours_ = false;
    waiting_ = false;
    key_.reset();
    digest_.clear();
}

void TimedClipboard::Tick(platform::Platform& os) {
    if (!waiting_) return;
    if (!stillOurs(os)) {
        forget();
        return;
    }
    if (os.Milliseconds() < due_) return;
    if (os.ClipboardClear()) forget();
}

int TimedClipboard::SecondsLeft(platform::Platform& os) const {
    if (!waiting_) return 0;
    const uint64_t now = os.Milliseconds();
    return now >= due_ ? 0 : static_cast<int>((due_ - now + 999) / 1000);
}

bool TimedClipboard::ClearNow(platform::Platform& os) {
    const bool cleared = !waiting_ || !stillOurs(os) || os.ClipboardClear();
    forget();
    return cleared;
}

void TimedClipboard::ClearSoon(platform::Platform& os) {
    if (!ours_) return;
    waiting_ = true;
    due_ = os.Milliseconds();
    Tick(os);
}

}  // namespace qm::app
