#include "store/Recordset.h"

#include <sqlite3.h>

#include <cctype>

#include "platform/CrashPoint.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "store/TextRules.h"
#include "text/pinyin_find.h"

namespace qm::store {

bool StoreError::IsDamagedFile() const { return (Code & 0xFF) == SQLITE_NOTADB || (Code & 0xFF) == SQLITE_CORRUPT; }

bool StoreError::IsBusy() const { return (Code & 0xFF) == SQLITE_BUSY || (Code & 0xFF) == SQLITE_LOCKED; }

bool StoreError::IsDiskFull() const { return (Code & 0xFF) == SQLITE_FULL; }

bool StoreError::IsReadOnly() const { return (Code & 0xFF) == SQLITE_READONLY || (Code & 0xFF) == SQLITE_PERM; }

bool StoreError::IsIoError() const { return (Code & 0xFF) == SQLITE_IOERR; }

// ---- Statement ----------------------------------------------------------

void Statement::Bind(int index, const Value& v) {
    int rc;
    if (v.IsNull()) rc = sqlite3_bind_null(st_, index);
    else if (v.IsInteger()) rc = sqlite3_bind_int64(st_, index, v.Int());
    else if (v.IsReal()) rc = sqlite3_bind_double(st_, index, v.Real());
    else {
        const std::string text = v.Text();
        rc = sqlite3_bind_text(st_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) throw StoreError(std::string("bind: ") + sqlite3_errmsg(db_), rc);
}

bool Statement::Step() {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw StoreError(std::string(sqlite3_sql(st_)) + ": " + sqlite3_errmsg(db_), rc);
}

Value Statement::Column(int index) const { return Cell(index).ToValue(); }

// ---- FieldRef -----------------------------------------------------------

Value FieldRef::Get() const { return rs_.currentRow().value(column_); }

const std::string& FieldRef::Name() const { return rs_.columns_[column_]; }

FieldRef& FieldRef::operator=(const Value& v) {
    Recordset::Row& row = rs_.currentRow();
    if (!row.edit) {
        row.edit = std::make_unique<Recordset::Edit>();
        row.edit->values = row.data->Values();
    }
    Recordset::Edit& edit = *row.edit;
    if (edit.changed.empty()) {
        if (!row.isNew) edit.original = edit.values;
        edit.changed.assign(edit.values.size(), false);
    }
    edit.changed[column_] = true;
    edit.values[column_] = v;
    ++rs_.changes_;
    return *this;
}

// ---- Recordset ----------------------------------------------------------

namespace {

std::string quoteIdentifier(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

}  // namespace

Recordset::~Recordset() { Close(); }

void Recordset::requireOpen() const {
    if (!connection_) throw StoreError("the record set is closed");
}

void Recordset::Open(std::string_view source, Connection& connection) {
    Close();
    if (!connection.IsOpen()) throw StoreError("the connection is closed");
    // Only single-table selects: "select <columns> from <table> ...".
    size_t i = 0;
    const auto skip = [&] {
        while (i < source.size() && std::isspace(static_cast<unsigned char>(source[i]))) ++i;
    };
    skip();
    if (source.size() < i + 6 || CompareNoCase(source.substr(i, 6), "select") != 0)
        throw StoreError("not a select: " + std::string(source));
    size_t from = std::string_view::npos;
    for (size_t k = i + 6; k + 6 <= source.size(); ++k) {
        if (std::isspace(static_cast<unsigned char>(source[k])) && CompareNoCase(source.substr(k + 1, 4), "from") == 0 &&
            (k + 5 == source.size() || std::isspace(static_cast<unsigned char>(source[k + 5])))) {
            from = k + 5;
            break;
        }
    }
    if (from == std::string_view::npos) throw StoreError("no table in: " + std::string(source));
    i = from;
    skip();
    const size_t start = i;
    while (i < source.size() && (std::isalnum(static_cast<unsigned char>(source[i])) || source[i] == '_')) ++i;
    table_ = std::string(source.substr(start, i - start));
    if (table_.empty()) throw StoreError("no table in: " + std::string(source));

    source_ = std::string(source);
    connection_ = &connection;
    connection.attach(this);
    try {
        // The columns are known at once; the rows are read when first needed.
        // The start opens every account of every user and the main window
        // reopens the set for one user, so the first read would be wasted.
        readColumns(Statement(connection.Handle(), withRowid()));
    } catch (...) {
        connection.detach(this);
        connection_ = nullptr;
        throw;
    }
    filterText_.clear();
    filter_ = FilterExpr();
    unread_ = true;
}

void Recordset::read() const {
    if (!unread_) return;
    auto& self = const_cast<Recordset&>(*this);
    self.load();
    self.rebuildView();
}

void Recordset::Close() {
    if (connection_) connection_->detach(this);
    connection_ = nullptr;
    rows_.clear();
    view_.clear();
    spellings_.clear();
    columns_.clear();
    filterText_.clear();
    filter_ = FilterExpr();
    pos_ = 0;
    unread_ = false;
    ++changes_;
}

std::string Recordset::withRowid() const {
    // The hidden rowid identifies each row for updates and deletes.
    size_t i = 0;
    while (std::isspace(static_cast<unsigned char>(source_[i]))) ++i;
    return source_.substr(0, i + 6) + " _rowid_," + source_.substr(i + 6);
}

void Recordset::readColumns(const Statement& st) {
    columns_.clear();
    spelledColumn_ = SIZE_MAX;
    for (int c = 1; c < st.ColumnCount(); ++c) {
        columns_.push_back(st.ColumnName(c));  // 0 is the rowid
        if (!spelledName_.empty() && CompareNoCase(columns_.back(), spelledName_) == 0) spelledColumn_ = columns_.size() - 1;
    }
}

void Recordset::KeepSpelling(std::string_view column) {
    spelledName_ = std::string(column);
    spelledColumn_ = SIZE_MAX;
    for (size_t c = 0; c < columns_.size(); ++c)
        if (CompareNoCase(columns_[c], spelledName_) == 0) spelledColumn_ = c;
    spellings_.clear();
    if (spelledColumn_ == SIZE_MAX) return;
    for (Row& row : rows_)
        if (row.data) spell(row);
}

void Recordset::spell(Row& row) {
    const std::string spelling = text::SpellForFind(row.data->TextOf(spelledColumn_));
    row.spelling = static_cast<uint32_t>(spellings_.size());
    spellings_ += static_cast<char>(spelling.size());
    spellings_ += spelling;
}

bool Recordset::matches(const Row& row) const {
    if (row.edit) return filter_.Matches(row.edit->values);
    if (spelledColumn_ == SIZE_MAX) return filter_.Matches(*row.data);
    const FilterExpr::Spelled spelled{
        spelledColumn_, std::string_view(spellings_).substr(row.spelling + 1, static_cast<uint8_t>(spellings_[row.spelling]))};
    return filter_.Matches(*row.data, &spelled);
}

void Recordset::load() {
    Statement st(connection_->Handle(), withRowid());
    readColumns(st);
    std::vector<Row> rows;
    rows.reserve(rows_.size());
    while (st.Step()) {
        Row row;
        row.rowid = st.Column(0).Int();
        row.data = RowData::Make(columns_.size(), [&](size_t c) { return st.Cell(static_cast<int>(c + 1)); });
        rows.push_back(std::move(row));
    }
    rows.shrink_to_fit();
    spellings_.clear();
    if (spelledColumn_ != SIZE_MAX) {
        for (Row& row : rows) spell(row);
        spellings_.shrink_to_fit();
    }
    rows_.swap(rows);
    unread_ = false;
    ++changes_;
}

void Recordset::Requery() {
    requireOpen();
    if (HasPendingChanges()) Update();
    load();
    rebuildView();
}

void Recordset::Filter(std::string_view criteria) {
    requireOpen();
    read();
    FilterExpr parsed = FilterExpr::Parse(criteria, columns_);
    if (HasPendingChanges()) Update();
    const bool narrowing = viewBuiltAt_ == changes_ && parsed.Narrows(filter_);
    filter_ = std::move(parsed);
    filterText_ = std::string(criteria);
    if (!narrowing) {
        rebuildView();
        return;
    }
    // The view holds, in order, exactly the rows the wider filter lets
    // through; what the narrower one lets through is among them.
    size_t kept = 0;
    for (size_t r : view_)
        if (matches(rows_[r])) view_[kept++] = r;
    view_.resize(kept);
    pos_ = 0;
}

void Recordset::rebuildView() {
    view_.clear();
    for (size_t r = 0; r < rows_.size(); ++r)
        if (!rows_[r].deleted && matches(rows_[r])) view_.push_back(r);
    pos_ = 0;
    viewBuiltAt_ = changes_;
}

RowRef Recordset::CurrentRowData() const {
    const Row& row = currentRow();
    return row.edit ? RowData::Make(row.edit->values) : row.data;
}

bool Recordset::Eof() const {
    read();
    return pos_ >= static_cast<ptrdiff_t>(view_.size());
}

bool Recordset::Bof() const {
    read();
    return pos_ < 0 || view_.empty();
}

void Recordset::skipDeletedForward() {
    while (!Eof() && rows_[view_[pos_]].deleted) ++pos_;
}

void Recordset::MoveFirst() {
    requireOpen();
    read();
    pos_ = 0;
    skipDeletedForward();
}

void Recordset::MoveNext() {
    requireOpen();
    if (Eof()) throw StoreError("either BOF or EOF is true, or the current record has been deleted");
    ++pos_;
    skipDeletedForward();
}

void Recordset::MoveLast() {
    requireOpen();
    read();
    pos_ = static_cast<ptrdiff_t>(view_.size()) - 1;
    while (pos_ >= 0 && rows_[view_[pos_]].deleted) --pos_;
    if (pos_ < 0) pos_ = static_cast<ptrdiff_t>(view_.size());
}

size_t Recordset::RecordCount() const {
    read();
    size_t n = 0;
    for (size_t r : view_) n += rows_[r].deleted ? 0 : 1;
    return n;
}

FieldRef Recordset::Field(size_t index) {
    if (index >= columns_.size())
        throw StoreError("no field number " + std::to_string(index) + " in " + table_);
    return FieldRef(*this, index);
}

size_t Recordset::columnIndex(std::string_view name) const {
    for (size_t c = 0; c < columns_.size(); ++c)
        if (CompareNoCase(columns_[c], name) == 0) return c;
    throw StoreError("no field " + std::string(name) + " in " + table_);
}

Recordset::Row& Recordset::currentRow() {
    return const_cast<Row&>(static_cast<const Recordset*>(this)->currentRow());
}

const Recordset::Row& Recordset::currentRow() const {
    requireOpen();
    read();
    if (pos_ < 0 || Eof()) throw StoreError("either BOF or EOF is true, or the current record has been deleted");
    const Row& row = rows_[view_[pos_]];
    if (row.deleted) throw StoreError("the current record has been deleted");
    return row;
}

void Recordset::AddNew() {
    requireOpen();
    read();
    const bool onRow = pos_ >= 0 && pos_ < static_cast<ptrdiff_t>(view_.size());
    if (!onRow || !rows_[view_[pos_]].isNew) beforeNew_ = onRow ? view_[pos_] : SIZE_MAX;
    Row row;
    row.isNew = true;
    row.edit = std::make_unique<Edit>();
    row.edit->values.resize(columns_.size());
    rows_.push_back(std::move(row));
    ++changes_;
    view_.push_back(rows_.size() - 1);
    pos_ = static_cast<ptrdiff_t>(view_.size()) - 1;
}

bool Recordset::HasPendingChanges() const {
    for (const Row& row : rows_)
        if (row.dirty()) return true;
    return false;
}

void Recordset::write([[maybe_unused]] bool batch) {
    requireOpen();
    if (!HasPendingChanges()) return;
    sqlite3* db = connection_->Handle();
    const std::string table = quoteIdentifier(table_);
    std::vector<int64_t> newRowids(rows_.size(), 0);

    // Outside any transaction the savepoint is the transaction: a failure
    // must then leave none open, or every later write would wait in it
    // unsaved and go with the next one that fails.
    const bool outermost = sqlite3_get_autocommit(db) != 0;
    const auto rollBack = [db, outermost] {
        sqlite3_exec(db, "ROLLBACK TO qm_update; RELEASE qm_update", nullptr, nullptr, nullptr);
        if (outermost && !sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    };
    if (const int rc = sqlite3_exec(db, "SAVEPOINT qm_update", nullptr, nullptr, nullptr); rc != SQLITE_OK)
        throw StoreError(std::string("cannot start an update: ") + sqlite3_errmsg(db), rc);
    try {
        for (size_t r = 0; r < rows_.size(); ++r) {
            Row& row = rows_[r];
            if (!row.dirty()) continue;
            const Edit& edit = *row.edit;
            std::vector<size_t> cols;
            for (size_t c = 0; c < edit.changed.size(); ++c)
                if (edit.changed[c]) cols.push_back(c);
            if (row.isNew) {
                std::string sql = "INSERT INTO " + table;
                if (cols.empty()) {
                    sql += " DEFAULT VALUES";
                } else {
                    std::string names, marks;
                    for (size_t c : cols) {
                        names += (names.empty() ? "" : ",") + quoteIdentifier(columns_[c]);
                        marks += marks.empty() ? "?" : ",?";
                    }
                    sql += "(" + names + ") VALUES(" + marks + ")";
                }
                Statement st(db, sql);
                int n = 1;
                for (size_t c : cols) st.Bind(n++, edit.values[c]);
                st.Step();
                newRowids[r] = sqlite3_last_insert_rowid(db);
            } else {
                // Optimistic: the row must still hold what was read.
                std::string sets, checks;
                for (size_t c : cols) {
                    sets += (sets.empty() ? "" : ",") + quoteIdentifier(columns_[c]) + "=?";
                    checks += " AND " + quoteIdentifier(columns_[c]) + " IS ?";
                }
                Statement st(db, "UPDATE " + table + " SET " + sets + " WHERE _rowid_=?" + checks);
                int n = 1;
                for (size_t c : cols) st.Bind(n++, edit.values[c]);
                st.Bind(n++, Value(row.rowid));
                for (size_t c : cols) st.Bind(n++, edit.original[c]);
                st.Step();
                if (sqlite3_changes(db) != 1)
                    throw StoreError("Row cannot be located for updating. Some values may have been changed since it was last read.");
            }
        }
    } catch (...) {
        rollBack();
        throw;
    }
    QM_CRASH_POINT(batch ? "batch.written" : "update.written");
    if (const int rc = sqlite3_exec(db, "RELEASE qm_update", nullptr, nullptr, nullptr); rc != SQLITE_OK) {
        const std::string message = std::string("cannot write the changes: ") + sqlite3_errmsg(db);
        rollBack();
        throw StoreError(message, rc);
    }
    for (size_t r = 0; r < rows_.size(); ++r) {
        Row& row = rows_[r];
        if (row.isNew) row.rowid = newRowids[r];
        row.isNew = false;
        if (row.edit) {
            row.data = RowData::Make(row.edit->values);
            row.edit.reset();
            if (spelledColumn_ != SIZE_MAX) spell(row);
        }
    }
    ++changes_;
}

void Recordset::CancelUpdate() {
    requireOpen();
    read();
    std::vector<size_t> remap(rows_.size());
    std::vector<Row> kept;
    for (size_t r = 0; r < rows_.size(); ++r) {
        remap[r] = kept.size();
        if (rows_[r].isNew) {
            remap[r] = SIZE_MAX;
            continue;
        }
        Row& row = rows_[r];
        row.edit.reset();  // back to the values as read
        kept.push_back(std::move(row));
    }
    rows_ = std::move(kept);
    // The row to stay on: a dropped new row hands back to the one it was added from.
    size_t current = SIZE_MAX;
    if (pos_ >= 0 && pos_ < static_cast<ptrdiff_t>(view_.size()))
        current = remap[view_[pos_]] != SIZE_MAX ? view_[pos_] : beforeNew_;
    std::vector<size_t> view;
    ptrdiff_t pos = -1;
    for (size_t v = 0; v < view_.size(); ++v) {
        if (remap[view_[v]] == SIZE_MAX) continue;
        if (view_[v] == current) pos = static_cast<ptrdiff_t>(view.size());
        view.push_back(remap[view_[v]]);
    }
    view_ = std::move(view);
    beforeNew_ = SIZE_MAX;
    ++changes_;
    if (pos >= 0) pos_ = pos;
    else MoveLast();  // that row is gone from sight: the last row takes its place
}

void Recordset::Delete() {
    Row& row = currentRow();
    if (!row.isNew) {
        Statement st(connection_->Handle(), "DELETE FROM " + quoteIdentifier(table_) + " WHERE _rowid_=?");
        st.Bind(1, Value(row.rowid));
        st.Step();
        if (sqlite3_changes(connection_->Handle()) != 1)
            throw StoreError("Row cannot be located for deleting. It may have been deleted since it was last read.");
    }
    row.deleted = true;
    row.isNew = false;
    row.edit.reset();
    ++changes_;
}

}  // namespace qm::store
