#pragma once
// One row's values packed into a single block: each value's kind, where its
// bytes end, then the bytes (texts as they are, numbers as 8 bytes). A block
// never changes once made and is shared by a count of references, so the
// account list can go on showing rows that its record set has re-read or
// filtered away since, without a copy of any text.
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "store/Value.h"

namespace qm::store {

class RowData;

// One value of a row, read in place: no copy of a text.
struct CellView {
    enum Kind : uint8_t { Null, Integer, Real, Text };
    Kind kind = Null;
    std::string_view text;  // Text only
    int64_t integer = 0;    // Integer only
    double real = 0;        // Real only

    static CellView Of(const Value& v);
    Value ToValue() const;
};

// A counted reference to a row's block; empty when default-made.
class RowRef {
public:
    RowRef() = default;
    RowRef(const RowRef& other) noexcept;
    RowRef(RowRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    RowRef& operator=(RowRef other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~RowRef();
    const RowData& operator*() const { return *p_; }
    const RowData* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    friend class RowData;
    explicit RowRef(RowData* p) : p_(p) {}
    RowData* p_ = nullptr;
};

class RowData {
public:
    static RowRef Make(const std::vector<Value>& values);
    // `cell(c)` gives the value of column c, for c < count; texts are copied in.
    template <class CellAt>
    static RowRef Make(size_t count, CellAt&& cell);

    size_t Size() const { return count_; }
    CellView Cell(size_t column) const;
    // The text of a text value, else empty (a number's text is Value::Text's).
    std::string_view TextOf(size_t column) const {
        return kinds()[column] == CellView::Text ? bytes(column) : std::string_view();
    }
    Value Get(size_t column) const { return Cell(column).ToValue(); }
    std::vector<Value> Values() const;

    RowData(const RowData&) = delete;
    RowData& operator=(const RowData&) = delete;

private:
    friend class RowRef;
    explicit RowData(uint32_t count) : count_(count) {}
    static RowRef make(const CellView* cells, size_t count);
    const uint32_t* ends() const { return reinterpret_cast<const uint32_t*>(this + 1); }
    const uint8_t* kinds() const { return reinterpret_cast<const uint8_t*>(ends() + count_); }
    const char* data() const { return reinterpret_cast<const char*>(kinds() + count_); }
    std::string_view bytes(size_t column) const {
        const uint32_t begin = column == 0 ? 0 : ends()[column - 1];
        return {data() + begin, ends()[column] - begin};
    }

    mutable uint32_t refs_ = 1;  // the program's data live on its one user-interface thread
    uint32_t count_;
};

template <class CellAt>
RowRef RowData::Make(size_t count, CellAt&& cell) {
    CellView small[16];
    std::vector<CellView> large;
    CellView* cells = small;
    if (count > std::size(small)) {
        large.resize(count);
        cells = large.data();
    }
    for (size_t c = 0; c < count; ++c) cells[c] = cell(c);
    return make(cells, count);
}

}  // namespace qm::store
