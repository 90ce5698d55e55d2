#include "transfer/Export.h"

#include <algorithm>
#include <cstdio>

#include "platform/files.h"
#include "store/Connection.h"
#include "store/Statement.h"

namespace qm::transfer {

void Wipe(std::string& s) {
    volatile char* p = s.data();
    for (size_t i = 0; i < s.size(); ++i) p[i] = 0;
    s.clear();
}

std::string ExportBytes(store::Connection& db, const std::string& user, const SecretSeal& secrets, ExportResult& result) {
    std::string out = "\xEF\xBB\xBF";
    out += kExportHeader;
    out += "\r\n";
    store::Statement rows(db.Handle(),
                          "SELECT d.TypeName, d.AccountName, d.AccountID, d.AccountPassword, d.URL, d.Remarks, d.RegDate "
                          "FROM AccountData d LEFT JOIN AccountType t ON t.UserName = d.UserName AND t.TypeName = d.TypeName "
                          "WHERE d.UserName = ?1 GROUP BY d.rowid ORDER BY MIN(t.icoIndex), MIN(t.rowid), d.rowid");
    rows.Bind(1, store::Value(user));
    while (rows.Step()) {
        std::optional<std::string> password = secrets.Open(SecretField::AccountPassword, rows.Cell(3).text);
        std::optional<std::string> remarks = secrets.Open(SecretField::Remarks, rows.Cell(5).text);
        if (!password || !remarks) {
            result.damaged.emplace_back(rows.Cell(1).text);
            if (password) Wipe(*password);
            continue;
        }
        AppendCsvField(out, rows.Cell(0).text);
        out += ',';
        AppendCsvField(out, rows.Cell(1).text);
        out += ',';
        AppendCsvField(out, rows.Cell(2).text);
        out += ',';
        AppendCsvField(out, *password);
        out += ',';
        AppendCsvField(out, rows.Cell(4).text);
        out += ',';
        AppendCsvField(out, *remarks);
        out += ',';
        AppendCsvField(out, rows.Cell(6).text);
        out += "\r\n";
        Wipe(*password);
        Wipe(*remarks);
        ++result.written;
    }
    return out;
}

ExportResult WriteExport(store::Connection& db, const std::string& user, const SecretSeal& secrets, const std::string& path) {
    ExportResult result;
    std::string text = ExportBytes(db, user, secrets, result);
    std::vector<unsigned char> bytes(text.begin(), text.end());
    Wipe(text);
    try {
        platform::ReplaceFileContents(path, bytes);
    } catch (...) {
        std::fill(bytes.begin(), bytes.end(), 0);
        throw;
    }
    volatile unsigned char* p = bytes.data();
    for (size_t i = 0; i < bytes.size(); ++i) p[i] = 0;
    return result;
}

std::string ExportFileName(int year, int month, int day) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, day);
    return std::string("Quillmere-导出-") + date + ".csv";
}

}  // namespace qm::transfer
