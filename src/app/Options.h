#pragma once
// The program's own settings of the clipboard that forgets, kept among the
// user's options (store::UserOptions).
#include "app/AppContext.h"

namespace qm::app {

inline constexpr const char* kClipboardSecondsOption = "ClipboardSeconds";
inline constexpr int kDefaultClipboardSeconds = 10;

// The current user's seconds before a copy leaves the clipboard; 0 never.
int ClipboardSeconds(AppContext& app);

}  // namespace qm::app
