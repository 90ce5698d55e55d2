#include "app/Options.h"

#include <cstdlib>

namespace qm::app {

std::string GetOption(AppContext& app, const std::string& name, const std::string& fallback) {
    const auto it = app.OwnOptions.find(app.CurrentUser + "\n" + name);
    return it == app.OwnOptions.end() ? fallback : it->second;
}

void SetOption(AppContext& app, const std::string& name, const std::string& value) {
    app.OwnOptions[app.CurrentUser + "\n" + name] = value;
}

int ClipboardSeconds(AppContext& app) {
    const std::string stored = GetOption(app, kClipboardSecondsOption, "");
    char* end = nullptr;
    const long n = std::strtol(stored.c_str(), &end, 10);
    // Never set, or damaged: the default.
    if (stored.empty() || *end != '\0' || n < 0 || n > 99999) return kDefaultClipboardSeconds;
    return static_cast<int>(n);
}

}  // namespace qm::app
