#pragma once
// Stands between SQLite and the data file's own file layer while it lives:
// counts the syncs of the database and its journal, and fails as many of
// the next ones as a test asks, as a device that went would.
// Connections opened while it lives go through it; one spy at a time.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "store/ExclusiveVfs.h"

namespace qm::test {

class FileLayerSpy {
public:
    FileLayerSpy() : vfs_(sqlite3_vfs_find(store::ExclusiveVfsName())) {
        EXPECT_EQ(current(), nullptr);
        current() = this;
        open_ = vfs_->xOpen;
        vfs_->xOpen = xOpen;
    }
    ~FileLayerSpy() {
        vfs_->xOpen = open_;
        current() = nullptr;
    }
    FileLayerSpy(const FileLayerSpy&) = delete;
    FileLayerSpy& operator=(const FileLayerSpy&) = delete;

    int syncs = 0;     // asked of the layer below and done
    int failures = 0;  // the next syncs that fail

private:
    static FileLayerSpy*& current() {
        static FileLayerSpy* spy = nullptr;
        return spy;
    }
    static const sqlite3_io_methods*& inner() {
        static const sqlite3_io_methods* methods = nullptr;
        return methods;
    }
    static int xSync(sqlite3_file* f, int flags) {
        FileLayerSpy* spy = current();
        if (spy && spy->failures > 0) {
            --spy->failures;
            return SQLITE_IOERR_FSYNC;
        }
        const int rc = inner()->xSync(f, flags);
        if (rc == SQLITE_OK && spy) ++spy->syncs;
        return rc;
    }
    static int xOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* f, int flags, int* outFlags) {
        const int rc = current()->open_(vfs, name, f, flags, outFlags);
        if (rc != SQLITE_OK || !f->pMethods || !(flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL))) return rc;
        // The layer's own methods take the file as it is: only the table changes.
        static sqlite3_io_methods methods;
        inner() = f->pMethods;
        methods = *f->pMethods;
        methods.xSync = xSync;
        f->pMethods = &methods;
        return rc;
    }

    sqlite3_vfs* vfs_;
    decltype(sqlite3_vfs::xOpen) open_;
};

}  // namespace qm::test
