#include "ui/Controls.h"

#include <algorithm>
#include <cctype>

#include "text/wipe.h"

namespace qm::ui {

TextBox::~TextBox() { text::WipeString(text_); }

void TextBox::SetText(const std::string& v) {
    if (v == text_) return;
    text::AssignWiping<char>(text_, v);
    changed(Prop::Text);
    if (Change) Change();
}

void TextBox::UserSetText(const std::string& v) {
    if (v == text_) return;
    text::AssignWiping<char>(text_, v);
    if (Change) Change();
}

void TextBox::Wipe() {
    text::WipeString(text_);
    changed(Prop::Erase);
}

int ComboBox::find(const std::string& text, bool ignoreCase) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == text) return static_cast<int>(i);
    if (!ignoreCase) return -1;
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

void ListControl::RemoveItem(int index) {
    if (index < 0 || index >= ListCount()) return;
    items_.erase(items_.begin() + index);
    if (listIndex_ > index || listIndex_ >= ListCount()) --listIndex_;
    changed(Prop::Items);
}

void ListControl::SetList(int index, const std::string& item) {
    if (index < 0 || index >= ListCount()) return;
    items_[static_cast<size_t>(index)] = item;
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
    if (style_ == DropdownList) {
        // Only an item can show: the one of this text, whatever its case.
        SetListIndex(find(v, true));
        return;
    }
    // The text stays exactly as set: names that differ only in case ("QQ",
    // "qq") are different names, and the program's own text must not turn
    // into another item's. Only an item of exactly this text is selected.
    const int index = find(v, false);
    const bool textChanged = v != text_;
    const bool moved = index != listIndex_;
    text_ = v;
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
    listIndex_ = find(v, true);
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

void PictureBox::FillBox(int x1, int y1, int x2, int y2, Colour c) {
    drawing_.push_back({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), c});
    changed(Prop::Colours);
}

void PictureBox::Cls() {
    if (drawing_.empty()) return;
    drawing_.clear();
    changed(Prop::Colours);
}

}  // namespace qm::ui
