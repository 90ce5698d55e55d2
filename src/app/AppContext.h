#pragma once
// What the whole program shares, in one object passed by reference: the
// data store, the cipher, the secrets' one door, and the texts and flags the
// forms hand each other.
#include <functional>
#include <string>

#include "app/TimedClipboard.h"
#include "crypto/SimpleXOR.h"
#include "gen/Random.h"
#include "store/Connection.h"
#include "store/DataFile.h"
#include "store/Recordset.h"
#include "store/UserOptions.h"
#include "sync/Session.h"
#include "tray/ModShortcut.h"
#include "tray/TrayIcon.h"
#include "vault/Secrets.h"

namespace qm::app {

struct AppContext {
    std::string AppPath;  // GetAppPath(): the folder of the program and its data file
    // The program's own file name, as the user may have renamed it: the start-up entry is made for it.
    std::string ExeFile = "Quillmere.exe";

    crypto::clsSimpleXOR Cipher;
    // The connection is declared first so that it outlives its record sets.
    store::Connection DbConn;
    store::Recordset RsUser;
    store::Recordset RsType;
    store::Recordset RsData;

    std::string CurrentUser;  // empty until a login succeeds
    std::string RecordMode;   // "add", "edit" or "look"
    std::string ReloadMark;   // non-empty: the category tree must be rebuilt
    std::string UserEditMode;
    std::string NewUserName;
    std::string BackupFilePath;
    bool UserLoggedOut = false;

    // Every stored account password and remark, and every login password
    // typed, goes through here: the logged-in user's form of secrets.
    vault::Secrets Secrets{Cipher};
    // The logged-in user's settings beyond the columns of the user's row.
    store::UserOptions Options{DbConn, CurrentUser};

    // Writes a backup of the data file to `path` (compacted when asked);
    // true on success. The start-up sets it to the tools' backup; a test may
    // stand in its own.
    std::function<bool(const std::string& path, bool compress)> BackupDatabase;

    // The notification-area icon; none in a program without one.
    tray::TrayIcon* Tray = nullptr;
    // What the hot keys type, chosen with the list menu's "复制+快捷键(&C)".
    tray::ModShortcut HotKeys;
    // The system's cryptographic random source, for new passwords.
    gen::RandomSource* Random = nullptr;
    // A copied field of an account, emptied from the clipboard when its time is up.
    TimedClipboard Clipboard;
    // The sync's key and what its last run saw (app/Sync): the login and the
    // unlock give it the password, the lock and the log-off make it forget.
    sync::Session SyncSession;

    std::string DataFilePath() const { return store::PathIn(AppPath, store::kDataFileName); }
};

}  // namespace qm::app
