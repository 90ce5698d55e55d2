#include "app/Options.h"

#include "store/RecycleBin.h"
#include "store/StoreError.h"
#include "store/UserOptions.h"

namespace qm::app {

int ClipboardSeconds(AppContext& app) {
    const int64_t n = app.Options.GetInt(kClipboardSecondsOption, kDefaultClipboardSeconds);
    // Damaged: the default.
    return n < 0 || n > 99999 ? kDefaultClipboardSeconds : static_cast<int>(n);
}

std::string OtpHotKey(AppContext& app) { return app.Options.Get(kOtpHotKeyOption, kDefaultOtpHotKey); }

int RecycleBinDays(AppContext& app) {
    const int64_t n = app.Options.GetInt(kRecycleBinDaysOption, kDefaultRecycleBinDays);
    return n < 0 || n > kMostRecycleBinDays ? kDefaultRecycleBinDays : static_cast<int>(n);
}

size_t PurgeRecycleBin(AppContext& app, int64_t now) {
    try {
        return store::RecycleBin(app.DbConn, app.CurrentUser).Purge(now, RecycleBinDays(app));
    } catch (const store::StoreError&) {
        // Nothing is lost by keeping them a while longer.
        return 0;
    }
}

void RecordLoginChanged(store::Connection& db, const std::string& user, int64_t now) {
    store::UserOptions(db, user).SetInt(store::kLoginChanged, now);
}

}  // namespace qm::app
