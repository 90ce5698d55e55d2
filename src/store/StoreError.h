#pragma once
#include <stdexcept>
#include <string>

namespace qm::store {

// Any failure of the data store: a statement the engine refused, a filter
// that does not parse, a row that changed under an update, a file that will
// not open. `Code` is SQLite's result code, or 0 for the layer's own errors.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const std::string& message, int code = 0) : std::runtime_error(message), Code(code) {}
    int Code;

    // The file is not a database, or a damaged one.
    bool IsDamagedFile() const;
    // Another connection or process holds the file.
    bool IsBusy() const;
    // The disk (or the file's size limit) is full.
    bool IsDiskFull() const;
    // The file or its folder may not be written.
    bool IsReadOnly() const;
    // The system failed to read or write the disk.
    bool IsIoError() const;
};

}  // namespace qm::store
