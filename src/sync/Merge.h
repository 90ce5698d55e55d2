#pragma once
// Merging the local book with the book of the sync file. The merge is pure:
// it reads two books and returns one, the same whichever side is local, so
// that both the data file and the sync file can be written from it, and
// merging that result again changes nothing.
//
// Accounts are matched by identity, and an account changed on both sides is
// merged field by field against the last version both sides share (found
// by content in the two histories, not by time, since clocks of two PCs
// drift): a field changed on one side takes that change; a field changed on
// both to different values takes the later change, and the other side's
// version goes into the history. Deletions win only over an account the
// other side has not changed since. No value typed is lost while it is
// within the history's cap.
#include <cstdint>
#include <string>
#include <vector>

#include "sync/Book.h"

namespace qm::sync {

// Which book a change of the report is made to.
enum class Side { Local, Remote };
// 本机 for the local book, 同步文件 for the sync file's.
const char* SideName(Side side);

enum class ChangeKind { Added, Updated, Deleted };

struct Change {
    Side Where = Side::Local;
    ChangeKind Kind = ChangeKind::Updated;
    std::string Id;
    std::string Name;    // the account's name as it is now (as it was, when deleted)
    std::string Fields;  // the changed fields' names, joined with "、"; empty but for Updated
    bool Conflict = false;
};

struct MergeReport {
    std::vector<Change> Changes;  // the local book's first, then the sync file's
    int Added = 0, Updated = 0, Deleted = 0;
    int Conflicts = 0;            // accounts changed on both sides to different values
    bool LocalChanged = false;    // the data file needs writing
    bool RemoteChanged = false;   // the sync file needs writing
    // "新增 N,更新 N,删除 N,冲突 N"
    std::string Summary() const;
};

struct MergeResult {
    Book Merged;
    MergeReport Report;
};

// Merges the two books. `now` (UTC Unix seconds) ages out removals older than
// kRemovalKept and dates the removal of a duplicate identity.
MergeResult Merge(const Book& local, const Book& remote, int64_t now);

}  // namespace qm::sync
