#include "transfer/Export.h"

#include <cstdio>
#include <optional>

#include "platform/files.h"
#include "store/Connection.h"
#include "store/Statement.h"

namespace qm::transfer {

namespace {

// A deciphered text, wiped however the row's turn ends.
struct Opened {
    std::optional<std::string> text;
    ~Opened() {
        if (text) Wipe(*text);
    }
};

}  // namespace

platform::WipedString ExportBytes(store::Connection& db, const std::string& user, const SecretSeal& secrets,
                                  ExportResult& result) {
    platform::WipedString out = "\xEF\xBB\xBF";
    out += kExportHeader;
    out += "\r\n";
    store::Statement rows(db.Handle(),
                          "SELECT d.TypeName, d.AccountName, d.AccountID, d.AccountPassword, d.URL, d.Remarks, d.RegDate, d.AccountGuid, "
                          "d.OtpSecret "
                          "FROM AccountData d LEFT JOIN AccountType t ON t.UserName = d.UserName AND t.TypeName = d.TypeName "
                          "WHERE d.UserName = ?1 GROUP BY d.rowid ORDER BY MIN(t.icoIndex), MIN(t.rowid), d.rowid");
    rows.Bind(1, store::Value(user));
    while (rows.Step()) {
        const std::string_view account = rows.Cell(7).text;
        const Opened password{secrets.Open(SecretField::AccountPassword, rows.Cell(3).text, account)};
        const Opened remarks{secrets.Open(SecretField::Remarks, rows.Cell(5).text, account)};
        const Opened otpSecret{rows.Cell(8).text.empty() ? std::optional<std::string>(std::string())
                                                         : secrets.Open(SecretField::OtpSecret, rows.Cell(8).text, account)};
        if (!password.text || !remarks.text || !otpSecret.text) {
            result.damaged.emplace_back(rows.Cell(1).text);
            continue;
        }
        const std::string_view fields[] = {rows.Cell(0).text, rows.Cell(1).text, rows.Cell(2).text, *password.text,
                                           rows.Cell(4).text, *remarks.text,     rows.Cell(6).text, *otpSecret.text};
        for (size_t i = 0; i < std::size(fields); ++i) {
            if (i) out += ',';
            AppendCsvField(out, fields[i]);
        }
        out += "\r\n";
        ++result.written;
    }
    return out;
}

ExportResult WriteExport(store::Connection& db, const std::string& user, const SecretSeal& secrets, const std::string& path) {
    ExportResult result;
    const platform::WipedString text = ExportBytes(db, user, secrets, result);
    platform::ReplaceFilePrivately(path, text);
    return result;
}

std::string ExportFileName(int year, int month, int day) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, day);
    return std::string("Quillmere-导出-") + date + ".csv";
}

}  // namespace qm::transfer
