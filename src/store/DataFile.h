#pragma once
// The data file SystemData.dat: its tables, its two forms on disk, and the
// empty database the program writes when the file is missing.
#include <cstdint>
#include <string>

#include "crypto/SimpleXOR.h"

namespace qm::store {

inline constexpr const char* kDataFileName = "SystemData.dat";

// What the first bytes of a file say it is.
enum class FileForm {
    Missing,     // no such file
    Plain,       // an open-able database: a run ended without enciphering it
    Enciphered,  // the at-rest form
    Unknown,     // neither: damaged, truncated, or someone else's file
    InUse,       // held open by another program (or by this run): unreadable now
};
FileForm InspectDataFile(const std::string& path);

class Connection;

// The statements that create the three tables, every column in its order.
// AccountData ends with three columns older files lack: the account's
// identity (AccountGuid: 128 random bits as 32 hexadecimal digits) and its
// creation and change times (UTC seconds since 1970).
const char* SchemaSql();

// The program's own tables beside those three: per-user settings that have
// no column there (UserOptions: UserName, Name, Value), the keys of users
// whose secrets are sealed (UserKeys), the accounts' earlier versions
// (AccountHistory), the recycle bin (RecycleBin) and the accounts erased
// from it (RemovedAccounts), which the sync tells other PCs of. Every row
// names its user.
inline constexpr const char* kOwnTables[] = {"UserOptions", "UserKeys", "AccountHistory", "RecycleBin", "RemovedAccounts"};
std::string OwnTablesSql();
// Brings a database written by an older version up to this one's tables:
// the own tables and AccountData's last columns it lacks, and an identity
// with creation and change time `now` for every account without one, in
// one transaction. A database that has all of it is left untouched.
void UpgradeTables(Connection& db, int64_t now);
// The rows of `from` in those tables become `to`'s (a rename), or go (a log-off).
void RenameOwnRows(Connection& db, const std::string& from, const std::string& to);
void DeleteOwnRows(Connection& db, const std::string& user);

// Writes an empty database, enciphered with the data-file key, to `path`
// (through an atomic replace): the same form as a data file at rest.
void WriteEmptyDataFile(const std::string& path, crypto::clsSimpleXOR& cipher);

// The running program's folder without a trailing separator ("D:" for a
// program in a drive's root).
std::string GetAppPath();

// `folder` + separator + `name`, as every caller of GetAppPath builds its paths.
std::string PathIn(const std::string& folder, const std::string& name);

}  // namespace qm::store
