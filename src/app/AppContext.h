#pragma once
// What the whole program shares, in one object passed by reference: the
// data store, the cipher, and the texts and flags the forms hand each other.
#include <functional>
#include <map>
#include <string>

#include "app/TimedClipboard.h"
#include "crypto/SimpleXOR.h"
#include "gen/Random.h"
#include "store/Connection.h"
#include "store/DataFile.h"
#include "store/Recordset.h"
#include "tray/ModShortcut.h"
#include "tray/TrayIcon.h"

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
    // The program's own settings per user (app/Options.h): "user\nname" -> value.
    std::map<std::string, std::string> OwnOptions;

    std::string DataFilePath() const { return store::PathIn(AppPath, store::kDataFileName); }
};

}  // namespace qm::app
