#include "app/TimedClipboard.h"

namespace qm::app {

void TimedClipboard::Copy(platform::Platform& os, const std::string& text, int seconds) {
    os.ClipboardClear();
    os.ClipboardSetText(text);
    sequence_ = os.ClipboardSequence();
    waiting_ = seconds > 0;
    due_ = os.Milliseconds() + static_cast<uint64_t>(seconds > 0 ? seconds : 0) * 1000;
}

void TimedClipboard::Tick(platform::Platform& os) {
    if (!waiting_) return;
    if (!stillOurs(os)) {
        waiting_ = false;
        return;
    }
    if (os.Milliseconds() < due_) return;
    waiting_ = false;
    os.ClipboardClear();
}

int TimedClipboard::SecondsLeft(platform::Platform& os) const {
    if (!waiting_) return 0;
    const uint64_t now = os.Milliseconds();
    return now >= due_ ? 0 : static_cast<int>((due_ - now + 999) / 1000);
}

void TimedClipboard::ClearNow(platform::Platform& os) {
    if (waiting_ && stillOurs(os)) os.ClipboardClear();
    waiting_ = false;
}

}  // namespace qm::app
