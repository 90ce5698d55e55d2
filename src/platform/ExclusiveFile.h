#pragma once
// A file held so that no other program can open it at all while it is open:
// not to read, not to write, not to delete. The data file is plain while the
// program runs, so a copy or sync tool must not get at it.
//
// On Windows the file is opened with no sharing, and the system refuses every
// other open. Elsewhere an exclusive advisory lock stands in for it: the
// program's own readers (platform/files.h) ask for a shared lock and are
// refused the same way.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/files.h"

namespace qm::platform {

class ExclusiveFile {
public:
    enum class Mode {
        ReadOnly,      // an existing file, read only
        ReadWrite,     // an existing file
        OpenOrCreate,  // read and write, created empty when missing
    };

    ExclusiveFile() = default;
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;
    ~ExclusiveFile() { Close(); }

    // False when the file cannot be had; Fault() says why (InUse: another
    // program, or another handle of this one, holds it).
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const;
    void Close();

    // Reads up to `size` bytes at `offset`; fewer only at the end of the
    // file. -1 on an error.
    int64_t ReadAt(void* buffer, size_t size, uint64_t offset);
    // Writes all of `size` bytes at `offset`, growing the file as needed.
    bool WriteAt(const void* data, size_t size, uint64_t offset);
    bool Size(uint64_t& size);
    bool Truncate(uint64_t size);
    // Returns once everything written is on the disk.
    bool Sync();

    // Why the last operation that failed did.
    FileFault Fault() const { return fault_; }

private:
    bool fail();

    intptr_t handle_ = -1;  // a HANDLE on Windows, a descriptor elsewhere
    FileFault fault_ = FileFault::Other;
};

}  // namespace qm::platform
