#pragma once
// Importing an exported file into the current user's book: reading it
// (encoding, records, format), planning what becomes of each row (imported,
// a duplicate, skipped and why), and writing the plan in one transaction.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "transfer/Csv.h"
#include "transfer/Encoding.h"
#include "transfer/Formats.h"

namespace qm::store {
class Connection;
class Statement;
}

namespace qm::transfer {

// The stored fields that only the program's one place for secrets may make or read.
enum class SecretField { AccountPassword, Remarks, OtpSecret };
// `account` is the identity of the account the text belongs to.
struct SecretSeal {
    // The stored form of a deciphered text.
    std::function<std::string(SecretField, std::string_view plain, std::string_view account)> Seal;
    // The deciphered text of a stored form; nothing when it is damaged.
    std::function<std::optional<std::string>(SecretField, std::string_view stored, std::string_view account)> Open;
};

// The edit boxes of the record dialog hold at most this many characters
// (UTF-16 units); a longer text would be cut the first time it is saved there.
inline constexpr size_t kMaxTextLength = 32767;

// Why a file cannot be imported. `Line` is 0 when no line is to blame.
class ImportError : public std::runtime_error {
public:
    ImportError(size_t line, const std::string& why) : std::runtime_error(why), Line(line) {}
    size_t Line;
};

struct SourceFile {
    Encoding encoding = Encoding::Utf8;
    FormatId format = FormatId::Unknown;
    std::vector<std::string> header;
    ColumnMap map;
    std::vector<CsvRow> rows;  // the records after the header
};

// The largest file an import reads: an export of a hundred thousand
// accounts takes a fifth of it. Its records are held in memory several
// times over while the preview is open.
inline constexpr size_t kMaxImportBytes = size_t{64} << 20;

// Reads an exported file's bytes; `encoding` unset: found from the bytes.
// Throws ImportError for what is no table of logins: an empty file, a binary
// one, a quote never closed, a header with no column to use, a file larger
// than kMaxImportBytes, a record of more than kMaxCsvFields fields.
SourceFile ReadSource(std::string_view bytes, std::optional<Encoding> encoding = std::nullopt);

// The user's book as an import must know it.
struct Book {
    std::vector<std::string> categories;  // as stored
    std::unordered_set<std::string> keys;  // category, name, user name: see AccountKey
    std::string today;  // "yyyy-mm-dd": the date of an account whose row gives none
};
Book ReadBook(store::Connection& db, const std::string& user);
// An account's identity as the record dialog tells duplicates apart: its
// category, name and user name, whatever their ASCII letter case.
std::string AccountKey(std::string_view category, std::string_view name, std::string_view user);

enum class Outcome { Import, Duplicate, Skip };
enum class DuplicateChoice { Skip, Copy };

struct PlannedRow {
    size_t line = 0;
    Account account;
    Outcome outcome = Outcome::Import;
    std::string reason;  // why it is skipped, or that it is a copy
};

struct Plan {
    std::vector<PlannedRow> rows;
    std::vector<std::string> newCategories;  // to be made, in the order first met
    size_t imported = 0, duplicates = 0, skipped = 0;
    // Accounts to import, per category, in the order first met.
    std::vector<std::pair<std::string, size_t>> perCategory;
};

// Decides every row: a row with neither user name nor password, one that is
// no login, and one with a text longer than the record dialog takes are
// skipped; one whose category, name and user name match an account of the
// book or an earlier row is a duplicate, skipped or imported with " (2)"
// (" (3)", ...) behind its name. Categories are matched ignoring case. A row
// without a date is dated `book.today`. The time taken grows as the rows do.
Plan MakePlan(const SourceFile& source, const Book& book, DuplicateChoice duplicates);

// Writes a plan's imported rows and new categories in one transaction,
// a slice at a time so that a progress bar can move and a cancel can come
// between slices. Nothing is in the book until Commit; Rollback, a failure,
// or the writer's end without Commit leave the book as it was.
class ImportWriter {
public:
    // Each account written gets a new identity, made and changed at `now`.
    ImportWriter(store::Connection& db, std::string user, const Plan& plan, const SecretSeal& secrets, int64_t now);
    ~ImportWriter();
    ImportWriter(const ImportWriter&) = delete;
    ImportWriter& operator=(const ImportWriter&) = delete;

    // Writes up to `count` more rows; false once every row is written.
    bool Step(size_t count);
    size_t Written() const { return written_; }
    size_t Total() const { return total_; }
    void Commit();
    void Rollback();

private:
    void write(const PlannedRow& row);

    store::Connection& db_;
    std::string user_;
    const Plan& plan_;
    const SecretSeal& secrets_;
    size_t next_ = 0;  // index into plan_.rows
    size_t written_ = 0;
    size_t total_ = 0;
    int64_t now_ = 0;
    bool open_ = false;
    std::unique_ptr<store::Statement> insert_;
};

// The whole plan in one go; returns the accounts written.
size_t WriteImport(store::Connection& db, const std::string& user, const Plan& plan, const SecretSeal& secrets,
                   int64_t now);

}  // namespace qm::transfer
