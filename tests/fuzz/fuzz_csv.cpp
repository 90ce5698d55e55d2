// The reader of exported files: whatever the bytes, it either refuses them
// naming a line of the text or gives records; records written back by our
// own writer read as the same fields; and the import's plan gives every row
// exactly one verdict.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "transfer/Csv.h"
#include "transfer/Import.h"

using qm::fuzz::AsText;
using qm::fuzz::Printable;
using namespace qm::transfer;

namespace {

size_t Lines(std::string_view text) {
    size_t n = 1;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++n;
    return n;
}

void CheckRecords(std::string_view text, Escape escape) {
    std::vector<CsvRow> rows;
    try {
        rows = ReadCsv(text, escape);
    } catch (const CsvError& e) {
        QM_FUZZ_CHECK(e.Line >= 1 && e.Line <= Lines(text), "a fault names a line of the text",
                      Printable(text) + " -> line " + std::to_string(e.Line));
        return;
    }
    std::string written;
    size_t last = 0;
    for (const CsvRow& r : rows) {
        QM_FUZZ_CHECK(r.line > last && r.line <= Lines(text), "records start on rising lines of the text", Printable(text));
        last = r.line;
        for (size_t i = 0; i < r.fields.size(); ++i) {
            if (i) written += ',';
            AppendCsvField(written, r.fields[i]);
        }
        written += "\r\n";
    }
    const std::vector<CsvRow> again = ReadCsv(written);
    QM_FUZZ_CHECK(again.size() == rows.size(), "what the writer writes reads back as as many records", Printable(text));
    for (size_t i = 0; i < rows.size(); ++i)
        QM_FUZZ_CHECK(again[i].fields == rows[i].fields, "what the writer writes reads back field for field",
                      Printable(text) + " record " + std::to_string(i));
}

void CheckPlan(std::string_view bytes) {
    SourceFile src;
    try {
        src = ReadSource(bytes);
    } catch (const ImportError&) {
        return;
    }
    const Plan plan = MakePlan(src, {}, DuplicateChoice::Copy);
    QM_FUZZ_CHECK(plan.rows.size() == src.rows.size() && plan.imported + plan.duplicates + plan.skipped == plan.rows.size(),
                  "every row gets exactly one verdict", Printable(bytes));
    for (const PlannedRow& row : plan.rows)
        if (row.outcome == Outcome::Import)
            QM_FUZZ_CHECK(!row.account.category.empty() && !row.account.name.empty() &&
                              (!row.account.user.empty() || !row.account.password.empty()),
                          "an imported account has a category, a name and a user name or password", Printable(bytes));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = AsText(data, size);
    CheckRecords(text, Escape::Doubled);
    CheckRecords(text, Escape::Backslash);
    CheckPlan(text);
    return 0;
}
