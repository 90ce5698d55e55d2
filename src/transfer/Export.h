#pragma once
// Exporting the current user's accounts as a table that the well-known
// password managers' own importers read without being told its columns.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/Wiped.h"
#include "transfer/Import.h"

namespace qm::store {
class Connection;
}

namespace qm::transfer {

inline constexpr const char* kExportHeader = "Group,Title,Username,Password,URL,Notes,Created,TOTP";

struct ExportResult {
    size_t written = 0;
    // Accounts whose stored password or remarks would not decipher: left out, by name.
    std::vector<std::string> damaged;
};

// The file's bytes: UTF-8 with its byte-order mark, CRLF after every
// record, fields quoted as RFC 4180 asks, one account a record in the order
// of the categories and then of their making. Every text is written exactly
// as stored: a name such as "=HYPERLINK(...)" stays a formula, which is why
// the user is told never to open the file in a spreadsheet. Deciphered
// texts live only in the returned bytes, built in a buffer that wipes
// every block it lets go of.
platform::WipedString ExportBytes(store::Connection& db, const std::string& user, const SecretSeal& secrets, ExportResult& result);

// Writes the export to `path` through an atomic replace whose temporary
// file no one else can plant or read (platform::ReplaceFilePrivately): a
// failure leaves any old file as it was. Throws platform::FileError.
ExportResult WriteExport(store::Connection& db, const std::string& user, const SecretSeal& secrets, const std::string& path);

// "Quillmere-导出-yyyy-mm-dd.csv"
std::string ExportFileName(int year, int month, int day);

// Overwrites a text's bytes, its unused capacity too, before it is let go:
// deciphered passwords do not linger in freed memory.
using platform::Wipe;

}  // namespace qm::transfer
