#pragma once
// A record set over one table, with the behaviour the forms rely on: a keyset
// read when its rows are first needed after Open, and at Requery, a Filter that narrows it (and survives Requery),
// EOF/BOF and moves, fields by name or position, AddNew/Update, edits of the
// current row, batch updates in one transaction, and Delete.
//
// Writes are optimistic: an update only succeeds while the changed columns
// still hold the values that were read.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/FilterExpr.h"
#include "store/RowData.h"
#include "store/Value.h"

namespace qm::store {

class Connection;
class Statement;
class Recordset;

// A field of the current row: reads the value, and assignment edits it.
class FieldRef {
public:
    Value Get() const;
    operator Value() const { return Get(); }
    std::string Text() const { return Get().Text(); }
    int64_t Int() const { return Get().Int(); }
    bool Bool() const { return Get().Bool(); }
    bool IsNull() const { return Get().IsNull(); }
    FieldRef& operator=(const Value& v);
    // Copies another field's value (the restore copies rows field by field).
    FieldRef& operator=(const FieldRef& other) { return *this = other.Get(); }
    const std::string& Name() const;

private:
    friend class Recordset;
    FieldRef(Recordset& rs, size_t column) : rs_(rs), column_(column) {}
    Recordset& rs_;
    size_t column_;
};

class Recordset {
public:
    Recordset() = default;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;
    ~Recordset();

    // `source` is a select on one table: "select * from T [where ...] [order by ...]".
    void Open(std::string_view source, Connection& connection);
    // Pending changes that were not updated are dropped.
    void Close();
    bool IsOpen() const { return connection_ != nullptr; }

    // Reads the rows anew (pending changes are written first); the filter stays.
    void Requery();
    const std::string& Source() const { return source_; }

    // Narrows the rows to those matching `criteria`; the empty text shows all.
    // Pending changes are written first; the first matching row becomes current.
    // A filter that narrows the last one (FilterExpr::Narrows) looks only
    // through the rows that one let through, while no row has changed since.
    void Filter(std::string_view criteria);
    const std::string& Filter() const { return filterText_; }

    // Keeps beside each row the spelling of this column that a filter's
    // pinyin comparison reads (text::SpellForFind), made when the row is read
    // or written rather than at every key of the quick find. It holds from
    // the next reading of the rows on, across Open and Close.
    void KeepSpelling(std::string_view column);

    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveNext();
    void MoveLast();
    // Rows visible through the filter.
    size_t RecordCount() const;

    size_t FieldCount() const { return columns_.size(); }
    const std::vector<std::string>& FieldNames() const { return columns_; }
    FieldRef operator[](std::string_view name) { return FieldRef(*this, columnIndex(name)); }
    FieldRef Field(std::string_view name) { return FieldRef(*this, columnIndex(name)); }
    FieldRef Field(size_t index);
    size_t FieldIndex(std::string_view name) const { return columnIndex(name); }
    // The current row's values, shared: they stay as they are while the
    // record set moves on, re-reads or changes the row.
    RowRef CurrentRowData() const;

    // A new empty row at the end becomes current; it is written by Update or
    // UpdateBatch. Several new rows may wait for one UpdateBatch.
    void AddNew();
    // Writes every pending row (new or changed) in one transaction: all of
    // them or, on any failure, none (they stay pending and an error is raised).
    void Update() { write(false); }
    void UpdateBatch() { write(true); }
    // Drops every pending change; the record set stays on its row, or goes
    // back from a dropped new row to the row that was current before AddNew.
    void CancelUpdate();
    bool HasPendingChanges() const;
    // Deletes the current row at once; it stays current until the next move.
    void Delete();

private:
    friend class FieldRef;
    friend class Connection;
    // A row being changed, or a new row: its values, and for a row that was
    // read, the values as read.
    struct Edit {
        std::vector<Value> values;
        std::vector<Value> original;
        std::vector<bool> changed;
    };
    // Rows are kept packed (RowData); only a row being changed has its
    // values unpacked beside.
    struct Row {
        int64_t rowid = 0;  // 0 until a new row is written
        RowRef data;        // as read or last written; empty for a new row
        std::unique_ptr<Edit> edit;
        bool isNew = false;
        bool deleted = false;
        uint32_t spelling = 0;  // where its spelling starts in spellings_, when one is kept
        bool dirty() const { return isNew || (edit && !edit->changed.empty()); }
        Value value(size_t column) const { return edit ? edit->values[column] : data->Get(column); }
    };

    void write(bool batch);
    bool matches(const Row& row) const;
    void spell(Row& row);
    size_t columnIndex(std::string_view name) const;
    Row& currentRow();
    const Row& currentRow() const;
    std::string withRowid() const;
    void readColumns(const Statement& st);
    void load();
    // Reads the rows of a set opened since, before anything looks at them.
    void read() const;
    void rebuildView();
    void skipDeletedForward();
    void requireOpen() const;
    void detachFromConnection() {
        connection_ = nullptr;
        rows_.clear();
        view_.clear();
        spellings_.clear();
        unread_ = false;
        ++changes_;
    }

    Connection* connection_ = nullptr;
    std::string source_;
    std::string table_;
    std::string filterText_;
    FilterExpr filter_;
    std::vector<std::string> columns_;
    std::vector<Row> rows_;
    std::vector<size_t> view_;  // indices into rows_, in order
    std::string spelledName_;
    size_t spelledColumn_ = SIZE_MAX;
    // The rows' spellings, each after a byte of its length; a row written
    // anew has its spelling added at the end, and reading the rows starts afresh.
    std::string spellings_;
    // Counts every change of rows_ or view_ other than a filter's; the view
    // may be narrowed further while it still has the count it was built at.
    uint64_t changes_ = 0;
    uint64_t viewBuiltAt_ = ~uint64_t{0};
    bool unread_ = false;  // opened, rows not read yet
    size_t beforeNew_ = SIZE_MAX;  // index into rows_ of the row current at the first pending AddNew
    std::ptrdiff_t pos_ = 0;        // index into view_: -1 before the first row, view_.size() after the last
};

}  // namespace qm::store
