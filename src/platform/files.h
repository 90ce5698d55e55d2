#pragma once
// Whole-file reads and crash-safe rewrites. Paths are UTF-8.
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qm::platform {

// Why a file could not be used, where the program's answer depends on it.
enum class FileFault {
    Other,
    InUse,     // another program holds the file and lets no one else at it
    DiskFull,
};

struct FileError : std::runtime_error {
    explicit FileError(const std::string& what, FileFault fault = FileFault::Other)
        : std::runtime_error(what), Fault(fault) {}
    FileFault Fault;
};

// True when the path names a file whose length can be read.
bool FileExists(const std::string& path);

// What a path names, where a file is expected: nothing, a file, a file
// marked read-only (which the program will not write, not even to put it
// back as it was), or a folder.
enum class PathKind { None, File, ReadOnlyFile, Folder };
PathKind KindOf(const std::string& path);

// Throws FileError when the file cannot be read (InUse while another
// program holds it).
std::vector<unsigned char> ReadWholeFile(const std::string& path);

// Up to `count` bytes from the start of the file; throws FileError.
std::vector<unsigned char> ReadFileStart(const std::string& path, size_t count);

// Removes the file if there is one; throws FileError when it stays.
void RemoveFile(const std::string& path);

// The folder of the running program, without a trailing separator (but
// "C:\" stays whole for a program in a drive's root).
std::string ProgramFolder();

// The running program's own file name, as it is now called ("Quillmere.exe").
std::string ProgramFileName();

// True when both paths name one file, as the file system sees it: on Windows
// whatever the letter case, a short 8.3 name or a "." in the path. Paths of
// files that do not exist are compared as full paths.
bool SameFile(const std::string& a, const std::string& b);

// Writes a temporary file beside `path`, flushes it to the disk and then
// replaces `path` in one step: a crash or a full disk leaves either the old
// file or the new one, never a mixture. Throws FileError; the old file then
// stays as it was.
void ReplaceFileContents(const std::string& path, const std::vector<unsigned char>& bytes);

// The same replace for bytes that must not fall into other hands (an
// export in the clear). The temporary file beside `path` is made anew under
// a name no one can guess (kPrivateTempPrefix, 16 random hex digits, ".tmp"),
// never opened if something is already there, and natively readable by its
// owner only, as the file it becomes. One that a death left behind in that
// folder is removed first, unless another run of the program is writing it.
void ReplaceFilePrivately(const std::string& path, std::string_view bytes);
inline constexpr const char* kPrivateTempPrefix = "~qmexport-";

// When a file was last written, its length and which file it is: two stamps
// differ after any write, and after a replace even within one tick of the
// clock that dates writes (the replace leaves a new file under the name).
struct FileStamp {
    int64_t Written = 0;  // 100-nanosecond units on Windows, nanoseconds elsewhere
    uint64_t Size = 0;
    uint64_t Id = 0;      // the file index on Windows, the inode elsewhere
    bool operator==(const FileStamp&) const = default;
};
// Nothing when there is no file at `path` (or it is a folder).
std::optional<FileStamp> StampOf(const std::string& path);

// The names (no folder) of the files in `folder`, folders left out; throws
// FileError when the folder cannot be listed (it is missing, or refused).
std::vector<std::string> FileNamesIn(const std::string& folder);

// Gives the file `from` the name `to`, never over a file already there;
// throws FileError (InUse while another program holds `from`).
void RenameFile(const std::string& from, const std::string& to);

// How long, in all, the program waits for a file another program holds: a
// sync service holds the file it copies for a moment, never for seconds.
inline constexpr uint64_t kInUseWaitMs = 3000;

// Runs `attempt`, and again while it throws FileError InUse, until it
// succeeds or `budgetMs` milliseconds have passed since the first try; the
// last error is thrown then. One budget may serve several files in turn, so
// that all of them together wait no longer than it.
class InUseWait {
public:
    explicit InUseWait(uint64_t budgetMs = kInUseWaitMs);
    void Run(const std::function<void()>& attempt);

private:
    uint64_t deadline_;
};

}  // namespace qm::platform
