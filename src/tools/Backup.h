#pragma once
// The maintenance of the data file: backups (also the automatic one), the
// compaction, and reading a backup for a restore. A backup file is the
// database in the data file's at-rest form: enciphered with the data-file key.
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "crypto/SimpleXOR.h"
#include "store/Connection.h"
#include "store/Recordset.h"

namespace qm::tools {

inline constexpr const char* kBackupFilter = "备份文件(dat)|*.dat";
inline constexpr const char* kDefaultBackupName = "SystemDataBackup.dat";
inline constexpr const char* kCompactionTempName = "$Temp.tmp";

// `path` with ".dat" added, unless its last four characters already read
// ".dat" in any letter case.
std::string WithBackupExtension(const std::string& path);

// Writes a backup of the database open on `live` to `target`: a compacted
// copy, or a copy page for page, enciphered before it reaches the disk.
// The new file replaces an old one in one step, and only once it is
// complete: a failure (a full disk, a drive that went) leaves the old
// backup as it was. Neither the data file nor its journal is ever a
// backup's target. The connection stays open throughout. Throws on failure.
void WriteBackup(store::Connection& live, crypto::clsSimpleXOR& cipher, const std::string& target, bool compress);
// The same, true on success and false on any failure.
bool BackupDatabase(store::Connection& live, crypto::clsSimpleXOR& cipher, const std::string& target, bool compress);

// Compacts the database open on `live` through the file `temp`: a compacted
// copy is written there, then replaces the database's content in one
// transaction, so that the data file holds either all of the old or all of
// the new. The connection stays open and keeps the file to itself; `temp`
// is gone afterwards, also after a failure. What the record sets hold
// unwritten is written first and they read their rows anew afterwards,
// keeping their sources and filters (the compaction may number rows anew).
void CompactDatabase(store::Connection& live, const std::string& temp,
                     std::initializer_list<store::Recordset*> recordsets);

// Why a file cannot be read as a backup.
class BackupFileError : public std::runtime_error {
public:
    enum Reason { Missing, InUse, NotABackup };
    BackupFileError(Reason reason, const std::string& what) : std::runtime_error(what), Why(reason) {}
    Reason Why;
};

// Opens the backup at `path` on `into`, which then holds a deciphered copy
// of it in memory: the file is only read, never written, and no plain copy
// of it reaches the disk. Throws BackupFileError.
void OpenBackup(const std::string& path, crypto::clsSimpleXOR& cipher, store::Connection& into);

}  // namespace qm::tools
