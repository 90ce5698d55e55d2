#include "app/Options.h"

namespace qm::app {

int ClipboardSeconds(AppContext& app) {
    const int64_t n = app.Options.GetInt(kClipboardSecondsOption, kDefaultClipboardSeconds);
    // Damaged: the default.
    return n < 0 || n > 99999 ? kDefaultClipboardSeconds : static_cast<int>(n);
}

}  // namespace qm::app
