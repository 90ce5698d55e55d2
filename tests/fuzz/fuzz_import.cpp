// The whole import as the preview drives it: the file read in each encoding
// the preview offers, planned with either answer about duplicates, written
// into a data file in memory, and exported again. Every row gets exactly one
// verdict; no two imported accounts (nor one and the book's) are the same
// account; the data file holds what the plan said; and the export reads back
// as the very accounts that were written.
#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <unordered_set>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_store.h"
#include "store/Connection.h"
#include "transfer/Export.h"
#include "support/field_seal.h"
#include "transfer/Import.h"

using qm::fuzz::Printable;
using namespace qm::transfer;

namespace {

const SecretSeal& kSeal = qm::test::kFieldSeal;

// The user's book before the import: a category and an account that the
// seeds' rows run into.
Book book() {
    Book b;
    b.categories = {"网站帐号", "Mail"};
    b.keys = {AccountKey("网站帐号", "qq.com", "amy"), AccountKey("Mail", "x", "amy")};
    b.today = "2026-12-07";
    return b;
}

using Row = std::tuple<std::string, std::string, std::string, std::string, std::string, std::string, std::string>;
Row tie(const Account& a) { return {a.category, a.name, a.user, a.password, a.url, a.date, a.remarks}; }

Plan checkedPlan(const SourceFile& src, DuplicateChoice choice, std::string_view bytes) {
    const Book b = book();
    const Plan plan = MakePlan(src, b, choice);
    QM_FUZZ_CHECK(plan.rows.size() == src.rows.size() && plan.imported + plan.duplicates + plan.skipped == plan.rows.size(),
                  "every row gets exactly one verdict", Printable(bytes));
    std::unordered_set<std::string> keys = b.keys;
    size_t copies = 0;
    for (const PlannedRow& row : plan.rows) {
        if (row.outcome != Outcome::Import) continue;
        const Account& a = row.account;
        QM_FUZZ_CHECK(!a.category.empty() && !a.name.empty() && !a.date.empty() && (!a.user.empty() || !a.password.empty()),
                      "an imported account has a category, a name, a date and a user name or password", Printable(bytes));
        QM_FUZZ_CHECK(keys.insert(AccountKey(a.category, a.name, a.user)).second,
                      "no imported account is one the book or an earlier row has", Printable(bytes) + " -> " + a.name);
        copies += !row.reason.empty();
    }
    QM_FUZZ_CHECK(choice == DuplicateChoice::Copy ? plan.duplicates == 0 : copies == 0,
                  "duplicates are skipped or copied as asked", Printable(bytes));
    return plan;
}

void writeAndExport(const Plan& plan, std::string_view bytes) {
    qm::store::Connection db;
    db.OpenImage(qm::fuzz::EmptyDataFile());
    QM_FUZZ_CHECK(WriteImport(db, "amy", plan, kSeal, 0) == plan.imported, "the writer writes every imported row",
                  Printable(bytes));
    ExportResult result;
    const qm::platform::WipedString exported = ExportBytes(db, "amy", kSeal, result);
    QM_FUZZ_CHECK(result.written == plan.imported && result.damaged.empty(), "the export gives every account written",
                  Printable(bytes));
    std::vector<Row> written, back;
    for (const PlannedRow& row : plan.rows)
        if (row.outcome == Outcome::Import) written.push_back(tie(row.account));
    SourceFile again;
    try {
        again = ReadSource(exported);
    } catch (const ImportError& e) {
        qm::fuzz::Fail("the export reads back", Printable(bytes) + " -> " + e.what() + " at " + std::to_string(e.Line));
    }
    QM_FUZZ_CHECK(again.format == FormatId::Quillmere, "the export is known as ours", Printable(exported));
    for (const PlannedRow& row : MakePlan(again, {}, DuplicateChoice::Copy).rows) back.push_back(tie(row.account));
    std::sort(written.begin(), written.end());
    std::sort(back.begin(), back.end());
    QM_FUZZ_CHECK(written == back, "the export reads back as the accounts written",
                  Printable(bytes) + "\nexported: " + Printable(exported));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = qm::fuzz::AsText(data, size);
    std::optional<Encoding> found;
    try {
        found = ReadSource(bytes).encoding;
    } catch (const ImportError&) {
    }
    for (const Encoding e : kEncodings) {
        SourceFile src;
        try {
            src = ReadSource(bytes, e);
        } catch (const ImportError& error) {
            QM_FUZZ_CHECK(error.Line <= size + 1, "a refusal names a line of the file or none", Printable(bytes));
            continue;
        }
        const Plan copies = checkedPlan(src, DuplicateChoice::Copy, bytes);
        checkedPlan(src, DuplicateChoice::Skip, bytes);
        // Writing costs the most: once, in the encoding the preview starts with.
        if (found == e) writeAndExport(copies, bytes);
    }
    return 0;
}
