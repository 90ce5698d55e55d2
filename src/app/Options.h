#pragma once
// The program's own settings of the clipboard that forgets and of the
// recycle bin, kept among the user's options (store::UserOptions).
#include "app/AppContext.h"

namespace qm::app {

inline constexpr const char* kClipboardSecondsOption = "ClipboardSeconds";
inline constexpr int kDefaultClipboardSeconds = 10;

// The current user's seconds before a copy leaves the clipboard; 0 never.
int ClipboardSeconds(AppContext& app);

// Days a deleted account waits in the recycle bin before the login removes it.
inline constexpr const char* kRecycleBinDaysOption = "RecycleBinDays";
inline constexpr int kDefaultRecycleBinDays = 30;
inline constexpr int kMostRecycleBinDays = 3650;
// The current user's days; 0 keeps deleted accounts until the bin is emptied.
int RecycleBinDays(AppContext& app);
// Removes what has waited longer than those days (a failing write is left
// for the next login); returns how many accounts went.
size_t PurgeRecycleBin(AppContext& app, int64_t now);

}  // namespace qm::app
