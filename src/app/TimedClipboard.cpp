#include "app/TimedClipboard.h"

namespace qm::app {

bool TimedClipboard::Copy(platform::Platform& os, const std::string& text, int seconds) {
    if (!os.ClipboardClear() || !os.ClipboardSetText(text)) {
        // Whatever is there now is not ours: nothing to wait for.
        waiting_ = false;
        return false;
    }
    sequence_ = os.ClipboardSequence();
    waiting_ = seconds > 0;
    due_ = os.Milliseconds() + static_cast<uint64_t>(seconds > 0 ? seconds : 0) * 1000;
    return true;
}

void TimedClipboard::Tick(platform::Platform& os) {
    if (!waiting_) return;
    if (!stillOurs(os)) {
        waiting_ = false;
        return;
    }
    if (os.Milliseconds() < due_) return;
    if (os.ClipboardClear()) waiting_ = false;
}

int TimedClipboard::SecondsLeft(platform::Platform& os) const {
    if (!waiting_) return 0;
    const uint64_t now = os.Milliseconds();
    return now >= due_ ? 0 : static_cast<int>((due_ - now + 999) / 1000);
}

bool TimedClipboard::ClearNow(platform::Platform& os) {
    const bool cleared = !waiting_ || !stillOurs(os) || os.ClipboardClear();
    waiting_ = false;
    return cleared;
}

}  // namespace qm::app
