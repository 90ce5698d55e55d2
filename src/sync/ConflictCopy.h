#pragma once
// Sync services that see a file changed on two PCs at once keep both: the
// second under a name of their own beside the first. Such a copy holds
// changes of its own and is merged like another PC's file.
#include <string_view>

namespace qm::sync {

// Whether `candidate` (a file name, no folder) is a conflict copy a sync
// service made of the sync file `fileName`: the file's stem, a mark
// ("conflict", Syncthing's "sync-conflict", Dropbox's "conflicted copy",
// "冲突", "(1)"), and the file's extension. ASCII case is ignored.
bool IsConflictCopy(std::string_view fileName, std::string_view candidate);

}  // namespace qm::sync
