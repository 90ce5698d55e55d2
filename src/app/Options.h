#pragma once
// Settings of the program's own that the user's row has no column for:
// the generator's last choices and how long a copy stays on the clipboard.
#include <string>

#include "app/AppContext.h"

namespace qm::app {

inline constexpr const char* kClipboardSecondsOption = "ClipboardSeconds";
inline constexpr int kDefaultClipboardSeconds = 10;

std::string GetOption(AppContext& app, const std::string& name, const std::string& fallback);
void SetOption(AppContext& app, const std::string& name, const std::string& value);

// The current user's seconds before a copy leaves the clipboard; 0 never.
int ClipboardSeconds(AppContext& app);

}  // namespace qm::app
