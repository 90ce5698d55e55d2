#pragma once
// Exporting the current user's accounts as a table that the well-known
// password managers' own importers read without being told its columns.
#include <cstddef>
#include <string>
#include <vector>

#include "transfer/Import.h"

namespace qm::store {
class Connection;
}

namespace qm::transfer {

inline constexpr const char* kExportHeader = "Group,Title,Username,Password,URL,Notes,Created";

struct ExportResult {
    size_t written = 0;
    // Accounts whose stored password or remarks would not decipher: left out, by name.
    std::vector<std::string> damaged;
};

// The file's bytes: UTF-8 with its byte-order mark (so that a spreadsheet
// reads the Chinese), CRLF after every record, fields quoted as RFC 4180
// asks, one account a record in the order of the categories and then of
// their making. Deciphered texts live only in the returned bytes.
std::string ExportBytes(store::Connection& db, const std::string& user, const SecretSeal& secrets, ExportResult& result);

// Writes the export to `path` through the atomic replace the backups use:
// a failure leaves any old file as it was. Throws platform::FileError.
ExportResult WriteExport(store::Connection& db, const std::string& user, const SecretSeal& secrets, const std::string& path);

// "Quillmere-导出-yyyy-mm-dd.csv"
std::string ExportFileName(int year, int month, int day);

// Overwrites a text's bytes before it is let go: deciphered passwords do not
// linger in freed memory.
void Wipe(std::string& s);

}  // namespace qm::transfer
