#include "store/RowData.h"

#include <cstring>
#include <new>

namespace qm::store {

CellView CellView::Of(const Value& v) {
    CellView cell;
    if (const std::string* text = v.TextPtr()) {
        cell.kind = Text;
        cell.text = *text;
    } else if (v.IsInteger()) {
        cell.kind = Integer;
        cell.integer = v.Int();
    } else if (v.IsReal()) {
        cell.kind = Real;
        cell.real = v.Real();
    }
    return cell;
}

Value CellView::ToValue() const {
    switch (kind) {
        case Text: return Value(text);
        case Integer: return Value(integer);
        case Real: return Value(real);
        default: return Value();
    }
}

RowRef::RowRef(const RowRef& other) noexcept : p_(other.p_) {
    if (p_) ++p_->refs_;
}

RowRef::~RowRef() {
    if (p_ && --p_->refs_ == 0) {
        p_->~RowData();
        ::operator delete(static_cast<void*>(p_));
    }
}

RowRef RowData::Make(const std::vector<Value>& values) {
    return Make(values.size(), [&](size_t c) { return CellView::Of(values[c]); });
}

RowRef RowData::make(const CellView* cells, size_t count) {
    size_t payload = 0;
    for (size_t c = 0; c < count; ++c) {
        switch (cells[c].kind) {
            case CellView::Text: payload += cells[c].text.size(); break;
            case CellView::Integer:
            case CellView::Real: payload += 8; break;
            default: break;
        }
    }
    const size_t size = sizeof(RowData) + count * (sizeof(uint32_t) + 1) + payload;
    auto* row = new (::operator new(size)) RowData(static_cast<uint32_t>(count));
    auto* ends = reinterpret_cast<uint32_t*>(row + 1);
    auto* kinds = reinterpret_cast<uint8_t*>(ends + count);
    char* out = reinterpret_cast<char*>(kinds + count);
    uint32_t at = 0;
    for (size_t c = 0; c < count; ++c) {
        const CellView& cell = cells[c];
        kinds[c] = cell.kind;
        switch (cell.kind) {
            case CellView::Text:
                if (!cell.text.empty()) std::memcpy(out + at, cell.text.data(), cell.text.size());
                at += static_cast<uint32_t>(cell.text.size());
                break;
            case CellView::Integer:
                std::memcpy(out + at, &cell.integer, 8);
                at += 8;
                break;
            case CellView::Real:
                std::memcpy(out + at, &cell.real, 8);
                at += 8;
                break;
            default: break;
        }
        ends[c] = at;
    }
    return RowRef(row);
}

CellView RowData::Cell(size_t column) const {
    CellView cell;
    cell.kind = static_cast<CellView::Kind>(kinds()[column]);
    const std::string_view b = bytes(column);
    switch (cell.kind) {
        case CellView::Text: cell.text = b; break;
        case CellView::Integer: std::memcpy(&cell.integer, b.data(), 8); break;
        case CellView::Real: std::memcpy(&cell.real, b.data(), 8); break;
        default: break;
    }
    return cell;
}

std::vector<Value> RowData::Values() const {
    std::vector<Value> values;
    values.reserve(count_);
    for (size_t c = 0; c < count_; ++c) values.push_back(Get(c));
    return values;
}

}  // namespace qm::store
