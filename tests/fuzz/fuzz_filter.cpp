// Record-set filters. For any text:
// - parsing either gives a filter or throws the store's own error;
// - a parsed filter evaluates every row without throwing;
// - where SQLite takes the same text as a WHERE clause, the filter selects
//   exactly the rows SQLite selects, over rows like the program's own (text
//   columns with text or Null, whole numbers or Null in the number column).
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "store/DataFile.h"
#include "store/FilterExpr.h"
#include "store/StoreError.h"
#include "store/Value.h"

using qm::fuzz::AsText;
using qm::fuzz::IsValidUtf8;
using qm::fuzz::Printable;
using qm::store::FilterExpr;
using qm::store::StoreError;
using qm::store::Value;

namespace {

struct Table {
    sqlite3* db = nullptr;
    std::vector<std::string> columns{"UserName", "TypeName", "icoIndex"};
    std::vector<std::vector<Value>> rows;  // rows[i] has rowid i + 1

    Table() {
        sqlite3_open(":memory:", &db);
        sqlite3_exec(db, qm::store::SchemaSql(), nullptr, nullptr, nullptr);
        // Texts that read as numbers or nearly, that differ in case only, that
        // hold wildcards and quotes, or Chinese; numbers at the ends of their range.
        const char* const texts[] = {nullptr, "", "amy", "AMY", "Bob", "o'neil", "5", "05", " 5", "5.0", "1e2", "-3",
                                     "100.0", "%", "_", "a_b", "邮箱", "QQ号码", "Ä", "ä", "z", "Z1", "0x10", "abc",
                                     "9223372036854775807", "1.5", "NULL", "[x]"};
        const char* const numbers[] = {nullptr, "0", "1", "-1", "2", "5", "100", "9223372036854775807",
                                       "-9223372036854775808", "9007199254740993", "9007199254740992", "3"};
        const size_t nt = std::size(texts), nn = std::size(numbers);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO AccountType (UserName, TypeName, icoIndex) VALUES (?, ?, ?)", -1, &insert,
                           nullptr);
        for (size_t i = 0; i < 2 * nt; ++i) {
            const char* user = texts[i % nt];
            const char* type = texts[(i * 7 + 3) % nt];
            const char* number = numbers[i % nn];
            user ? sqlite3_bind_text(insert, 1, user, -1, SQLITE_STATIC) : sqlite3_bind_null(insert, 1);
            type ? sqlite3_bind_text(insert, 2, type, -1, SQLITE_STATIC) : sqlite3_bind_null(insert, 2);
            number ? sqlite3_bind_int64(insert, 3, std::stoll(number)) : sqlite3_bind_null(insert, 3);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        // Read back as the record sets read them.
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT rowid, UserName, TypeName, icoIndex FROM AccountType ORDER BY rowid", -1,
                           &select, nullptr);
        while (sqlite3_step(select) == SQLITE_ROW) {
            std::vector<Value> row;
            for (int c = 1; c <= 3; ++c) {
                switch (sqlite3_column_type(select, c)) {
                    case SQLITE_INTEGER: row.emplace_back(static_cast<int64_t>(sqlite3_column_int64(select, c))); break;
                    case SQLITE_TEXT:
                        row.emplace_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(select, c)),
                                                     sqlite3_column_bytes(select, c)));
                        break;
                    default: row.emplace_back(); break;
                }
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(select);
    }
};

std::string Show(const std::vector<Value>& row) {
    std::string out;
    for (const Value& v : row) {
        if (!out.empty()) out += ", ";
        out += v.IsNull() ? std::string("Null") : v.IsText() ? "'" + Printable(v.Text()) + "'" : v.Text();
    }
    return "(" + out + ")";
}

// The rows SQLite selects with the text as a WHERE clause, or false where it
// does not take the text as one whole condition.
bool EngineSelects(const Table& t, std::string_view criteria, std::vector<bool>& selected) {
    const std::string sql = "SELECT rowid FROM AccountType WHERE " + std::string(criteria);
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(t.db, sql.c_str(), static_cast<int>(sql.size()), &st, &tail) != SQLITE_OK || !st) {
        sqlite3_finalize(st);
        return false;
    }
    const bool whole = std::string_view(tail).find_first_not_of(" \t\r\n\f") == std::string_view::npos;
    selected.assign(t.rows.size(), false);
    int rc = SQLITE_DONE;
    while (whole && (rc = sqlite3_step(st)) == SQLITE_ROW) selected[sqlite3_column_int64(st, 0) - 1] = true;
    sqlite3_finalize(st);
    return whole && rc == SQLITE_DONE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Table table;
    const std::string_view criteria = AsText(data, size);
    FilterExpr filter;
    try {
        filter = FilterExpr::Parse(criteria, table.columns);
    } catch (const StoreError& e) {
        QM_FUZZ_CHECK(std::string_view(e.what()).find("Filter") == 0, "a refused filter says which", e.what());
        return 0;
    }
    std::vector<bool> matches;
    for (const auto& row : table.rows) {
        try {
            matches.push_back(filter.Matches(row));
        } catch (...) {
            qm::fuzz::Fail("a parsed filter evaluates every row", Printable(criteria) + " on " + Show(row));
        }
    }
    if (!IsValidUtf8(criteria) || criteria.find('\0') != std::string_view::npos) return 0;
    std::vector<bool> engine;
    if (!EngineSelects(table, criteria, engine)) return 0;
    for (size_t r = 0; r < table.rows.size(); ++r)
        QM_FUZZ_CHECK(matches[r] == engine[r], "a filter selects the rows SQLite selects with the same condition",
                      Printable(criteria) + " on " + Show(table.rows[r]) + ": the filter " +
                          (matches[r] ? "selects" : "passes over") + " it, SQLite " +
                          (engine[r] ? "selects" : "passes over") + " it");
    return 0;
}
