#include "ui/Controls.h"

#include <cctype>

namespace qm::ui {

void TextBox::SetText(const std::string& v) {
    if (v == text_) return;
    text_ = v;
    changed(Prop::Text);
    if (Change) Change();
}

void TextBox::UserSetText(const std::string& v) {
    if (v == text_) return;
    text_ = v;
    if (Change) Change();
}

int ComboBox::find(const std::string& text) const {
    const auto same = [](const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
        return true;
    };
    for (size_t i = 0; i < items_.size(); ++i)
        if (same(items_[i], text)) return static_cast<int>(i);
    return -1;
}

void ListControl::AddItem(const std::string& item) {
    items_.push_back(item);
    changed(Prop::Items);
}

void ListControl::Clear() {
    items_.clear();
    listIndex_ = -1;
    changed(Prop::Items);
}

void ComboBox::Clear() {
    text_.clear();
    ListControl::Clear();
}

void ComboBox::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) index = -1;
    const bool moved = index != listIndex_;
    listIndex_ = index;
    const std::string text = index >= 0 ? items_[static_cast<size_t>(index)] : (style_ == DropdownList ? "" : text_);
    const bool textChanged = text != text_;
    text_ = text;
    changed(Prop::ListIndex);
    if (textChanged && Change) Change();
    if (moved) RaiseClick();
}

void ComboBox::SetText(const std::string& v) {
    const int index = find(v);
    if (style_ == DropdownList) {
        SetListIndex(index);
        return;
    }
    const bool textChanged = v != text_;
    const bool moved = index != listIndex_;
    text_ = index >= 0 ? items_[static_cast<size_t>(index)] : v;
    listIndex_ = index;
    changed(Prop::ListIndex);
    if (textChanged && Change) Change();
    if (moved && index >= 0) RaiseClick();
}

void ComboBox::UserSelect(int index) {
    if (index < -1 || index >= ListCount()) return;
    listIndex_ = index;
    text_ = index >= 0 ? items_[static_cast<size_t>(index)] : text_;
    RaiseClick();
}

void ComboBox::UserSetText(const std::string& v) {
    if (v == text_) return;
    text_ = v;
    listIndex_ = find(v);
    if (Change) Change();
}

void ListBox::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) index = -1;
    if (index == listIndex_) return;
    listIndex_ = index;
    changed(Prop::ListIndex);
    RaiseClick();
}

void CheckBox::SetValue(int v) {
    if (v == value_) return;
    value_ = v;
    changed(Prop::Value);
    RaiseClick();
}

}  // namespace qm::ui
