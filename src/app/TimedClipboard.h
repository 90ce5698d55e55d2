#pragma once
// A copy of an account's field that the clipboard keeps only for a while:
// when the time is up it is emptied, but only if it still holds the copy,
// so that nothing another program put there since is lost.
#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace qm::app {

class TimedClipboard {
public:
    // Puts `text` on the clipboard in place of what it held. With `seconds`
    // above 0 it is emptied that long afterwards; a later copy starts the
    // count again, and 0 keeps it until something else replaces it. False
    // when another program held the clipboard: nothing was copied then.
    bool Copy(platform::Platform& os, const std::string& text, int seconds);
    // Looks at the clock and the clipboard; call it every half second or so
    // while Waiting(). Another program's copy ends the wait, the time up
    // empties the clipboard (tried again at the next tick while another
    // program holds it).
    void Tick(platform::Platform& os);
    bool Waiting() const { return waiting_; }
    // Whole seconds left until the clipboard is emptied, rounded up; 0 when nothing waits.
    int SecondsLeft(platform::Platform& os) const;
    // Empties the clipboard at once if it still holds the copy; false when
    // it could not be emptied.
    bool ClearNow(platform::Platform& os);

private:
    bool stillOurs(platform::Platform& os) const { return os.ClipboardSequence() == sequence_; }
    bool waiting_ = false;
    uint32_t sequence_ = 0;  // the clipboard's change count right after our copy
    uint64_t due_ = 0;       // when to empty it, on the platform's clock
};

}  // namespace qm::app
