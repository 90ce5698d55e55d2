#include "store/ExclusiveVfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/ExclusiveFile.h"

namespace qm::store {

namespace {

using platform::ExclusiveFile;
using platform::FileFault;

constexpr char kName[] = "quillmere-exclusive";

struct File {
    sqlite3_file base;  // first, as SQLite sees it
    ExclusiveFile* file;
};

ExclusiveFile& fileOf(sqlite3_file* f) { return *reinterpret_cast<File*>(f)->file; }

sqlite3_vfs* fallback(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }

// A file held by another program answers "busy", so the caller can tell it
// from a missing or damaged one.
int codeFor(FileFault fault, int otherwise) {
    switch (fault) {
        case FileFault::InUse: return SQLITE_BUSY;
        case FileFault::DiskFull: return SQLITE_FULL;
        default: return otherwise;
    }
}

int xClose(sqlite3_file* f) {
    delete reinterpret_cast<File*>(f)->file;
    reinterpret_cast<File*>(f)->file = nullptr;
    return SQLITE_OK;
}

int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    const int64_t got = fileOf(f).ReadAt(buffer, static_cast<size_t>(amount), static_cast<uint64_t>(offset));
    if (got < 0) return SQLITE_IOERR_READ;
    if (got < amount) {
        // SQLite relies on the missing tail reading as zeros.
        std::memset(static_cast<char*>(buffer) + got, 0, static_cast<size_t>(amount - got));
        return SQLITE_IOERR_SHORT_READ;
    }
    return SQLITE_OK;
}

int xWrite(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    ExclusiveFile& file = fileOf(f);
    return file.WriteAt(data, static_cast<size_t>(amount), static_cast<uint64_t>(offset))
               ? SQLITE_OK
               : codeFor(file.Fault(), SQLITE_IOERR_WRITE);
}

int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return fileOf(f).Truncate(static_cast<uint64_t>(size)) ? SQLITE_OK : SQLITE_IOERR_TRUNCATE;
}

int xSync(sqlite3_file* f, int) { return fileOf(f).Sync() ? SQLITE_OK : SQLITE_IOERR_FSYNC; }

int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    uint64_t n = 0;
    if (!fileOf(f).Size(n)) return SQLITE_IOERR_FSTAT;
    *size = static_cast<sqlite3_int64>(n);
    return SQLITE_OK;
}

// Nobody else can open the file, so there is nobody to lock against: taking
// and releasing a lock both succeed at once.
int xLock(sqlite3_file*, int) { return SQLITE_OK; }
int xCheckReservedLock(sqlite3_file*, int* reserved) {
    *reserved = 0;
    return SQLITE_OK;
}
int xFileControl(sqlite3_file*, int, void*) { return SQLITE_NOTFOUND; }
int xSectorSize(sqlite3_file*) { return 4096; }
int xDeviceCharacteristics(sqlite3_file*) { return SQLITE_IOCAP_POWERSAFE_OVERWRITE; }

// Version 1: no shared memory (so no WAL) and no memory mapping.
const sqlite3_io_methods kMethods = {
    .iVersion = 1,
    .xClose = xClose,
    .xRead = xRead,
    .xWrite = xWrite,
    .xTruncate = xTruncate,
    .xSync = xSync,
    .xFileSize = xFileSize,
    .xLock = xLock,
    .xUnlock = xLock,
    .xCheckReservedLock = xCheckReservedLock,
    .xFileControl = xFileControl,
    .xSectorSize = xSectorSize,
    .xDeviceCharacteristics = xDeviceCharacteristics,
    .xShmMap = nullptr,
    .xShmLock = nullptr,
    .xShmBarrier = nullptr,
    .xShmUnmap = nullptr,
    .xFetch = nullptr,
    .xUnfetch = nullptr,
};

int xOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    // The database and its rollback journal hold the plain data. Anything
    // else (temporary files, which the connection keeps in memory anyway)
    // goes to the default layer.
    const bool ours = name && !(flags & SQLITE_OPEN_DELETEONCLOSE) &&
                      (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL));
    if (!ours) return fallback(vfs)->xOpen(fallback(vfs), name, f, flags, outFlags);

    f->pMethods = nullptr;  // nothing to close should the open fail
    const auto mode = (flags & SQLITE_OPEN_READONLY) ? ExclusiveFile::Mode::ReadOnly
                      : (flags & SQLITE_OPEN_CREATE) ? ExclusiveFile::Mode::OpenOrCreate
                                                     : ExclusiveFile::Mode::ReadWrite;
    auto* file = new (std::nothrow) ExclusiveFile;
    if (!file) return SQLITE_NOMEM;
    if (!file->Open(name, mode)) {
        const int rc = codeFor(file->Fault(), SQLITE_CANTOPEN);
        delete file;
        return rc;
    }
    reinterpret_cast<File*>(f)->file = file;
    f->pMethods = &kMethods;
    if (outFlags) *outFlags = flags;
    return SQLITE_OK;
}

int xDelete(sqlite3_vfs* vfs, const char* name, int syncDir) {
    return fallback(vfs)->xDelete(fallback(vfs), name, syncDir);
}
int xAccess(sqlite3_vfs* vfs, const char* name, int flags, int* result) {
    return fallback(vfs)->xAccess(fallback(vfs), name, flags, result);
}
int xFullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
    return fallback(vfs)->xFullPathname(fallback(vfs), name, size, out);
}
void* xDlOpen(sqlite3_vfs* vfs, const char* name) { return fallback(vfs)->xDlOpen(fallback(vfs), name); }
void xDlError(sqlite3_vfs* vfs, int size, char* out) { fallback(vfs)->xDlError(fallback(vfs), size, out); }
void (*xDlSym(sqlite3_vfs* vfs, void* lib, const char* symbol))(void) {
    return fallback(vfs)->xDlSym(fallback(vfs), lib, symbol);
}
void xDlClose(sqlite3_vfs* vfs, void* lib) { fallback(vfs)->xDlClose(fallback(vfs), lib); }
int xRandomness(sqlite3_vfs* vfs, int size, char* out) { return fallback(vfs)->xRandomness(fallback(vfs), size, out); }
int xSleep(sqlite3_vfs* vfs, int microseconds) { return fallback(vfs)->xSleep(fallback(vfs), microseconds); }
int xCurrentTime(sqlite3_vfs* vfs, double* now) { return fallback(vfs)->xCurrentTime(fallback(vfs), now); }
int xGetLastError(sqlite3_vfs* vfs, int size, char* out) { return fallback(vfs)->xGetLastError(fallback(vfs), size, out); }
int xCurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now) {
    return fallback(vfs)->xCurrentTimeInt64(fallback(vfs), now);
}

sqlite3_vfs* registered() {
    sqlite3_vfs* base = sqlite3_vfs_find(nullptr);
    if (!base) return nullptr;
    // SQLite keeps the pointer for the life of the process: the layer is
    // made once, like SQLite's own.
    static sqlite3_vfs vfs{};
    vfs.iVersion = 2;
    vfs.szOsFile = std::max(static_cast<int>(sizeof(File)), base->szOsFile);
    vfs.mxPathname = base->mxPathname;
    vfs.zName = kName;
    vfs.pAppData = base;
    vfs.xOpen = xOpen;
    vfs.xDelete = xDelete;
    vfs.xAccess = xAccess;
    vfs.xFullPathname = xFullPathname;
    vfs.xDlOpen = xDlOpen;
    vfs.xDlError = xDlError;
    vfs.xDlSym = xDlSym;
    vfs.xDlClose = xDlClose;
    vfs.xRandomness = xRandomness;
    vfs.xSleep = xSleep;
    vfs.xCurrentTime = xCurrentTime;
    vfs.xGetLastError = xGetLastError;
    vfs.xCurrentTimeInt64 = xCurrentTimeInt64;
    return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK ? &vfs : nullptr;
}

}  // namespace

const char* ExclusiveVfsName() {
    // Should the registration fail, the name makes the open fail with "no such vfs".
    [[maybe_unused]] static const bool ready = registered() != nullptr;
    return kName;
}

}  // namespace qm::store
