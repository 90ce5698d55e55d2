#pragma once
// The program's own settings beyond the user row (the clipboard that
// forgets, the one-time code's hot key, the recycle bin), kept among the
// user's options (store::UserOptions).
#include "app/AppContext.h"

namespace qm::app {

inline constexpr const char* kClipboardSecondsOption = "ClipboardSeconds";
inline constexpr int kDefaultClipboardSeconds = 10;

// The current user's seconds before a copy leaves the clipboard; 0 never.
int ClipboardSeconds(AppContext& app);

// The hot key that types the chosen account's one-time code, in the user
// row's hot-key form ("4|52": Alt + Num 4). The user row has no column for
// it, so it is kept here; "" when the user cleared it.
inline constexpr const char* kOtpHotKeyOption = "ShortcutOtp";
inline constexpr const char* kDefaultOtpHotKey = "4|52";
std::string OtpHotKey(AppContext& app);
// Days a deleted account waits in the recycle bin before the login removes it.
inline constexpr const char* kRecycleBinDaysOption = "RecycleBinDays";
inline constexpr int kDefaultRecycleBinDays = 30;
inline constexpr int kMostRecycleBinDays = 3650;
// The current user's days; 0 keeps deleted accounts until the bin is emptied.
int RecycleBinDays(AppContext& app);
// Removes what has waited longer than those days (a failing write is left
// for the next login); returns how many accounts went.
size_t PurgeRecycleBin(AppContext& app, int64_t now);

// Records that `user`'s login password was set at `now`: a registration, a
// new password. Inside the caller's transaction when it has one.
void RecordLoginChanged(store::Connection& db, const std::string& user, int64_t now);

}  // namespace qm::app
