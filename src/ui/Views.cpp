#include "ui/Views.h"

#include <algorithm>

#include "text/codepage.h"

namespace qm::ui {

void TreeView::ClearNodes() {
    nodes_.clear();
    selected_ = -1;
    changed(Prop::Items);
}

int TreeView::AddNode(int parent, const std::string& key, const std::string& text, int image) {
    nodes_.push_back({key, text, image, parent, false});
    changed(Prop::Items);
    return static_cast<int>(nodes_.size() - 1);
}

int TreeView::FindKey(const std::string& key) const {
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (!key.empty() && nodes_[i].Key == key) return static_cast<int>(i);
    return -1;
}

void TreeView::Select(int index) {
    if (index < -1 || index >= static_cast<int>(nodes_.size())) return;
    selected_ = index;
    changed(Prop::ListIndex);
}

void TreeView::Expand(int index) {
    if (index < 0 || index >= static_cast<int>(nodes_.size())) return;
    nodes_[static_cast<size_t>(index)].Expanded = true;
    changed(Prop::Value);
}

void TreeView::UserClickNode(int index) {
    if (index < 0 || index >= static_cast<int>(nodes_.size())) return;
    selected_ = index;
    if (NodeClick) NodeClick(index);
}

void ListView::AddColumn(const std::string& text, int width) {
    columns_.push_back({text, width});
    changed(Prop::Geometry);
}

void ListView::SetColumnWidth(size_t column, int twips) {
    columns_.at(column).Width = twips;
    changed(Prop::Geometry);
}

void ListView::itemsChanged() {
    if (updating_ > 0) pending_ = true;
    else changed(Prop::Items);
}

void ListView::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0 && pending_) {
        pending_ = false;
        changed(Prop::Items);
    }
}

void ListView::ClearItems() {
    rows_.reset();
    order_.clear();
    selectedRow_ = -1;
    sorted_ = false;
    itemsChanged();
}

void ListView::SetRows(std::shared_ptr<const ListRows> rows) {
    rows_ = std::move(rows);
    const size_t n = rows_ ? rows_->Count() : 0;
    order_.resize(n);
    for (size_t i = 0; i < n; ++i) order_[i] = static_cast<uint32_t>(i);
    selectedRow_ = -1;
    sorted_ = false;
    itemsChanged();
}

ListItem ListView::Item(size_t index) const {
    const uint32_t r = row(index);
    ListItem item;
    item.Text = rows_->Cell(r, 0);
    for (size_t c = 1; c < columns_.size(); ++c) item.SubItems.push_back(rows_->Cell(r, c));
    item.Tag = rows_->Tag(r);
    item.Key = rows_->Key(r);
    item.Selected = selectedRow_ == static_cast<int64_t>(r);
    return item;
}

void ListView::RemoveItem(size_t index) {
    if (index >= order_.size()) return;
    if (selectedRow_ == static_cast<int64_t>(order_[index])) selectedRow_ = -1;
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(index));
    itemsChanged();
}

int ListView::SelectedIndex() const {
    if (selectedRow_ < 0) return -1;
    for (size_t i = 0; i < order_.size(); ++i)
        if (order_[i] == selectedRow_) return static_cast<int>(i);
    return -1;
}

std::optional<ListItem> ListView::SelectedItem() const {
    const int i = SelectedIndex();
    if (i < 0) return std::nullopt;
    return Item(static_cast<size_t>(i));
}

void ListView::Select(int index) {
    selectedRow_ = index >= 0 && index < static_cast<int>(order_.size()) ? order_[static_cast<size_t>(index)] : -1;
    // Within an update the window learns the rows and the selection together.
    if (updating_ > 0) pending_ = true;
    else changed(Prop::ListIndex);
}

void ListView::UserSelect(int index) {
    const int64_t was = selectedRow_;
    selectedRow_ = index >= 0 && index < static_cast<int>(order_.size()) ? order_[static_cast<size_t>(index)] : -1;
    if (selectedRow_ != was && ItemSelect) ItemSelect();
}

void ListView::SortBy(int key, int order) {
    sortKey_ = key;
    sortOrder_ = order;
    sorted_ = true;
    sortNow();
}

void ListView::SetSorted(bool on) {
    sorted_ = on;
    if (on) sortNow();
}

void ListView::sortNow() {
    if (columns_.empty() || sortKey_ < 0 || static_cast<size_t>(sortKey_) >= columns_.size()) return;
    // The system's list view compares texts case-insensitively in the user's
    // locale; under code page 936 the bytes of GB 2312 characters already run
    // in pinyin order, so those bytes (ASCII folded) serve as the sort key.
    std::vector<std::pair<std::string, uint32_t>> keys(order_.size());
    for (size_t i = 0; i < order_.size(); ++i) {
        std::string k = text::ToGb18030(rows_->Cell(order_[i], static_cast<size_t>(sortKey_)));
        for (char& c : k)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        keys[i] = {std::move(k), order_[i]};
    }
    const bool descending = sortOrder_ == Descending;
    std::stable_sort(keys.begin(), keys.end(), [descending](const auto& a, const auto& b) {
        return descending ? b.first < a.first : a.first < b.first;
    });
    for (size_t i = 0; i < keys.size(); ++i) order_[i] = keys[i].second;
    itemsChanged();
}

bool ListView::SetListViewExStyle(uint32_t style, bool enable) {
    extendedStyle_ = enable ? (extendedStyle_ | style) : (extendedStyle_ & ~style);
    changed(Prop::Value);
    return true;
}

}  // namespace qm::ui
