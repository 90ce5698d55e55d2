#include "app/Options.h"

namespace qm::app {

int ClipboardSeconds(AppContext& app) {
    const int64_t n = app.Options.GetInt(kClipboardSecondsOption, kDefaultClipboardSeconds);
    // Damaged: the default.
    return n < 0 || n > 99999 ? kDefaultClipboardSeconds : static_cast<int>(n);
}

std::string OtpHotKey(AppContext& app) { return app.Options.Get(kOtpHotKeyOption, kDefaultOtpHotKey); }

}  // namespace qm::app
