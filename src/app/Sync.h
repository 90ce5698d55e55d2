#pragma once
// One sync of the logged-in user's book with the sync file, from the
// program's side: which file, the key, the file's conflict copies, a sync
// file sealed under another password, and what the user is told. The merge
// itself is sync::Merge; the data file's side is sync::ReadLocalBook and
// sync::WriteLocalBook.
#include <functional>
#include <optional>
#include <string>

#include "app/AppContext.h"
#include "platform/Platform.h"
#include "platform/Wiped.h"
#include "sync/Merge.h"

namespace qm::app {

// The per-user option naming the sync file's path; "" = no sync.
inline constexpr const char* kSyncFileOption = "SyncFile";
std::string SyncFilePath(AppContext& app);

// Why `path` cannot be the sync file, in words for a message box: it is a
// folder, the data file, its journal, or a backup of it (the user's
// automatic backup, the tools' backup, or any file that holds a data file).
// "" when it can be.
std::string SyncPathRefusal(AppContext& app, const std::string& path);

enum class SyncWhen { Login, Now, Exit, FileChanged };

struct SyncOutcome {
    enum Kind { Off, Unchanged, Synced, Unreachable, BadFile, Cancelled, Failed } Result = Off;
    sync::MergeReport Report;   // what the merge did (Synced)
    std::string Message;        // what the user is told ("" when nothing need be said); names the file when it is about the file
    bool LocalChanged = false;  // the main window must reload its tree and list
};

// What asks the user, modally, for the sync file's password; nothing for Cancel.
using AskSyncPassword = std::function<std::optional<platform::WipedString>()>;

// One sync. `askPassword` is called at most once per login, never at Exit,
// when the sync file does not open with the login password; Cancel skips
// the sync. At Exit the run gives up within a few seconds.
SyncOutcome RunSync(AppContext& app, platform::Platform& os, SyncWhen when, const AskSyncPassword& askPassword);

// Whether the sync file's stamp differs from the one the last run saw (the
// main window asks once a minute while unlocked).
bool SyncFileMoved(AppContext& app);

// What a merged conflict copy is renamed to: its name and this.
inline constexpr const char* kMergedCopySuffix = ".已合并";

}  // namespace qm::app
