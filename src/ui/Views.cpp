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
    items_.clear();
    sorted_ = false;
    itemsChanged();
}

ListItem& ListView::AddItem(const std::string& text) {
    ListItem item;
    item.Text = text;
    item.SubItems.resize(columns_.empty() ? 0 : columns_.size() - 1);
    items_.push_back(std::move(item));
    itemsChanged();
    return items_.back();
}

void ListView::RemoveItem(size_t index) {
    if (index >= items_.size()) return;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    itemsChanged();
}

int ListView::SelectedIndex() const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].Selected) return static_cast<int>(i);
    return -1;
}

const ListItem* ListView::SelectedItem() const {
    const int i = SelectedIndex();
    return i >= 0 ? &items_[static_cast<size_t>(i)] : nullptr;
}

void ListView::Select(int index) {
    for (auto& item : items_) item.Selected = false;
    if (index >= 0 && index < static_cast<int>(items_.size())) items_[static_cast<size_t>(index)].Selected = true;
    changed(Prop::ListIndex);
}

void ListView::UserSelect(int index) {
    for (auto& item : items_) item.Selected = false;
    if (index >= 0 && index < static_cast<int>(items_.size())) items_[static_cast<size_t>(index)].Selected = true;
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
    std::vector<std::pair<std::string, size_t>> keys(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) {
        std::string k = text::ToGb18030(items_[i].Cell(static_cast<size_t>(sortKey_)));
        for (char& c : k)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        keys[i] = {std::move(k), i};
    }
    const bool descending = sortOrder_ == Descending;
    std::stable_sort(keys.begin(), keys.end(), [descending](const auto& a, const auto& b) {
        return descending ? b.first < a.first : a.first < b.first;
    });
    std::vector<ListItem> sorted;
    sorted.reserve(items_.size());
    for (auto& [k, i] : keys) sorted.push_back(std::move(items_[i]));
    items_.swap(sorted);
    itemsChanged();
}

bool ListView::SetListViewExStyle(uint32_t style, bool enable) {
    extendedStyle_ = enable ? (extendedStyle_ | style) : (extendedStyle_ & ~style);
    changed(Prop::Value);
    return true;
}

}  // namespace qm::ui
