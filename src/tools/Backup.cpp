#include "tools/Backup.h"

#include <algorithm>

#include "platform/CrashPoint.h"
#include "platform/files.h"
#include "store/DataFile.h"
#include "store/StoreError.h"
#include "store/TextRules.h"

namespace qm::tools {

namespace {

// The data file, or a file SQLite keeps beside it while it is open (its
// journal; the log and index of a database in WAL form). A backup written
// there would be deleted as a journal at the exit, and a save cut off
// meanwhile would find no journal to undo it with. Windows takes a name in
// any letter case and drops dots and spaces at its end; so does this check,
// also for a file that does not exist yet.
bool isDataFileOrBeside(const std::string& target, const std::string& data) {
    const auto split = [](const std::string& path) {
        const size_t cut = path.find_last_of("/\\");
        return cut == std::string::npos ? std::pair<std::string, std::string>(".", path)
                                        : std::pair(path.substr(0, cut + 1), path.substr(cut + 1));
    };
    auto [folder, name] = split(target);
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    const auto [dataFolder, dataName] = split(data);
    const bool sameFolder = platform::SameFile(folder, dataFolder);
    for (const char* side : {"", "-journal", "-wal", "-shm"})
        if (platform::SameFile(target, data + side) || (sameFolder && store::CompareNoCase(name, dataName + side) == 0))
            return true;
    return false;
}

}  // namespace

std::string WithBackupExtension(const std::string& path) {
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    std::transform(tail.begin(), tail.end(), tail.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    return tail == ".dat" ? path : path + ".dat";
}

void WriteBackup(store::Connection& live, crypto::clsSimpleXOR& cipher, const std::string& target, bool compress) {
    // Windows would refuse to replace the open data file; other systems
    // would not, and the program would go on writing into a file that has
    // left the folder.
    const std::string& data = live.Path();
    if (!data.empty() && isDataFileOrBeside(target, data))
        throw std::runtime_error("the data file cannot be its own backup: " + target);
    std::vector<unsigned char> bytes = live.Image(compress);
    cipher.EncryptByte(bytes, crypto::kDataFileKey);
    QM_CRASH_POINT("backup.imaged");
    platform::ReplaceFileContents(target, bytes);
}

bool BackupDatabase(store::Connection& live, crypto::clsSimpleXOR& cipher, const std::string& target, bool compress) {
    try {
        WriteBackup(live, cipher, target, compress);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void CompactDatabase(store::Connection& live, const std::string& temp,
                     std::initializer_list<store::Recordset*> recordsets) {
    for (store::Recordset* rs : recordsets)
        if (rs->IsOpen() && rs->HasPendingChanges()) rs->Update();
    // One left by a compaction that was cut off: the copy needs a new file.
    platform::RemoveFile(temp);
    try {
        live.CompactInto(temp);
        QM_CRASH_POINT("compact.copied");
        store::Connection compacted;
        compacted.Open(temp);
        live.ReplaceContentWith(compacted);
        QM_CRASH_POINT("compact.replaced");
    } catch (...) {
        try {
            platform::RemoveFile(temp);
        } catch (const std::exception&) {
        }
        throw;
    }
    try {
        platform::RemoveFile(temp);
    } catch (const std::exception&) {
        // The data file is compacted; the next compaction removes the copy first.
    }
    for (store::Recordset* rs : recordsets)
        if (rs->IsOpen()) rs->Requery();
}

void OpenBackup(const std::string& path, crypto::clsSimpleXOR& cipher, store::Connection& into) {
    switch (store::InspectDataFile(path)) {
        case store::FileForm::Missing: throw BackupFileError(BackupFileError::Missing, "no such file: " + path);
        case store::FileForm::InUse: throw BackupFileError(BackupFileError::InUse, "in use: " + path);
        case store::FileForm::Plain:
        case store::FileForm::Unknown: throw BackupFileError(BackupFileError::NotABackup, "not a backup: " + path);
        case store::FileForm::Enciphered: break;
    }
    std::vector<unsigned char> bytes;
    try {
        bytes = platform::ReadWholeFile(path);
    } catch (const platform::FileError& e) {
        throw BackupFileError(e.Fault == platform::FileFault::InUse ? BackupFileError::InUse : BackupFileError::NotABackup,
                              e.what());
    }
    cipher.DecryptByte(bytes, crypto::kDataFileKey);
    try {
        into.OpenImage(bytes);
        // A damaged backup would restore damaged accounts, or fail halfway.
        into.CheckWhole();
    } catch (const store::StoreError& e) {
        into.Close();
        std::fill(bytes.begin(), bytes.end(), 0);
        throw BackupFileError(BackupFileError::NotABackup, e.what());
    }
    std::fill(bytes.begin(), bytes.end(), 0);
}

}  // namespace qm::tools
