#pragma once
// The data file SystemData.dat: its tables, its two forms on disk, and the
// empty database the program writes when the file is missing.
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

// The statements that create the three tables, every column in its order.
const char* SchemaSql();

// Writes an empty database, enciphered with the data-file key, to `path`
// (through an atomic replace): the same form as a data file at rest.
void WriteEmptyDataFile(const std::string& path, crypto::clsSimpleXOR& cipher);

// The running program's folder without a trailing separator ("D:" for a
// program in a drive's root).
std::string GetAppPath();

// `folder` + separator + `name`, as every caller of GetAppPath builds its paths.
std::string PathIn(const std::string& folder, const std::string& name);

}  // namespace qm::store
