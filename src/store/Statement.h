#pragma once
// A prepared SQLite statement that finalizes itself; binds and reads Values.
#include <sqlite3.h>

#include <string>

#include "store/RowData.h"
#include "store/StoreError.h"
#include "store/Value.h"

namespace qm::store {

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st_, nullptr);
        if (rc != SQLITE_OK) throw StoreError(sql + ": " + sqlite3_errmsg(db), rc);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(st_); }

    void Bind(int index, const Value& v);
    // True while there is a row; throws on an error.
    bool Step();
    Value Column(int index) const;
    // The value in place, valid until the next step.
    CellView Cell(int index) const {
        CellView cell;
        switch (sqlite3_column_type(st_, index)) {
            case SQLITE_INTEGER:
                cell.kind = CellView::Integer;
                cell.integer = sqlite3_column_int64(st_, index);
                break;
            case SQLITE_FLOAT:
                cell.kind = CellView::Real;
                cell.real = sqlite3_column_double(st_, index);
                break;
            case SQLITE_NULL: break;
            default: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, index));
                cell.kind = CellView::Text;
                cell.text = std::string_view(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(st_, index)));
            }
        }
        return cell;
    }
    int ColumnCount() const { return sqlite3_column_count(st_); }
    std::string ColumnName(int index) const { return sqlite3_column_name(st_, index); }
    void Reset() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

}  // namespace qm::store
