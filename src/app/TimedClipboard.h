#pragma once
// A copy of an account's field that the clipboard keeps only for a while:
// when the time is up it is emptied, but only if it still holds the copy,
// so that nothing another program put there since is lost.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "vault/KeyedDigest.h"

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
    // Empties the clipboard at once if it still holds a copy counting down;
    // false when it could not be emptied.
    bool ClearNow(platform::Platform& os);
    // The time is up now for any copy still there, a kept one too: emptied
    // at once, or at the next tick while another program holds the clipboard.
    void ClearSoon(platform::Platform& os);

private:
    // Whether the clipboard still holds our copy. A clipboard manager or a
    // remote desktop may put the same text back, which changes the count:
    // then the text itself is compared, through digests under the copy's
    // own random key, so the copy's text need not be kept.
    bool stillOurs(platform::Platform& os);
    void forget();
    bool ours_ = false;      // a copy was made and nothing is known to have replaced it
    bool waiting_ = false;
    uint32_t sequence_ = 0;  // the clipboard's change count when it last held the copy
    uint64_t due_ = 0;       // when to empty it, on the platform's clock
    std::optional<vault::KeyedDigest> key_;
    std::string digest_;     // of the copy's text, under key_
};

}  // namespace qm::app
