#pragma once
// The tree view, the list view and menus. The list view keeps which rows it
// shows and in what order, sorts them itself and reads their cells from
// where they live only when asked, so its window only draws what is visible
// (a virtual list) and a list of many thousands of accounts keeps up with
// typing.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/Control.h"

namespace qm::ui {

class TreeView : public Control {
public:
    using Control::Control;
    struct Node {
        std::string Key;
        std::string Text;
        int Image = 0;    // one-based index into the image list
        int Parent = -1;  // index of the parent node; -1 at the top
        bool Expanded = false;
    };

    void ClearNodes();
    // Adds a node under `parent` (-1: top level) and returns its index.
    int AddNode(int parent, const std::string& key, const std::string& text, int image);
    int FindKey(const std::string& key) const;
    const std::vector<Node>& Nodes() const { return nodes_; }
    // -1 when nothing is selected. Selecting by program raises no NodeClick.
    int SelectedIndex() const { return selected_; }
    const Node* SelectedItem() const { return selected_ >= 0 ? &nodes_[static_cast<size_t>(selected_)] : nullptr; }
    void Select(int index);
    void Expand(int index);

    std::function<void(int node)> NodeClick;
    // The peer reports a click on a node.
    void UserClickNode(int index);

private:
    std::vector<Node> nodes_;
    int selected_ = -1;
};

// A row of the list as read out of it.
struct ListItem {
    std::string Text;
    std::vector<std::string> SubItems;  // one per column after the first
    std::string Tag;
    std::string Key;  // the row's identity, when its rows have one
    bool Selected = false;
    const std::string& Cell(size_t column) const { return column == 0 ? Text : SubItems[column - 1]; }
};

// The rows a list shows, read when they are drawn, sorted or read out.
class ListRows {
public:
    virtual ~ListRows() = default;
    virtual size_t Count() const = 0;
    virtual std::string Cell(size_t row, size_t column) const = 0;
    // What the row carries besides its cells.
    virtual std::string Tag(size_t row) const = 0;
    virtual std::string Key(size_t) const { return {}; }
};

class ListView : public Control {
public:
    using Control::Control;
    enum SortOrder { Ascending = 0, Descending = 1 };
    struct ColumnHeader {
        std::string Text;
        int Width;  // twips
    };

    void AddColumn(const std::string& text, int width);
    const std::vector<ColumnHeader>& Columns() const { return columns_; }
    void SetColumnWidth(size_t column, int twips);
    // The peer reports a width the user dragged.
    void UserSetColumnWidth(size_t column, int twips) { columns_.at(column).Width = twips; }

    // Many changes in a row reach the window once, at EndUpdate.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();

    // Empties the list and switches sorting off.
    void ClearItems();
    // Shows every row of `rows` in their order, unsorted, none selected.
    void SetRows(std::shared_ptr<const ListRows> rows);
    void RemoveItem(size_t index);
    size_t Count() const { return order_.size(); }
    ListItem Item(size_t index) const;
    // One cell of the row shown at `index`, as drawn.
    std::string CellText(size_t index, size_t column) const { return rows_->Cell(row(index), column); }

    int SelectedIndex() const;
    std::optional<ListItem> SelectedItem() const;
    void Select(int index);
    // The peer reports the row the user selected.
    void UserSelect(int index);
    // The user chose another row (or none).
    std::function<void()> ItemSelect;

    bool Sorted() const { return sorted_; }
    int SortKey() const { return sortKey_; }
    int SortOrder() const { return sortOrder_; }
    // Sorts by the texts shown in `key`, as the system's list view compares them.
    void SortBy(int key, int order);
    void SetSorted(bool on);

    // Extended styles of the system's list view: 1 grid lines, 32 full-row select.
    uint32_t ExtendedStyle() const { return extendedStyle_; }
    bool SetListViewExStyle(uint32_t style, bool enable);

    std::function<void(int column)> ColumnClick;  // one-based, as the header's index
    void UserClickColumn(int column) {
        if (ColumnClick) ColumnClick(column);
    }

private:
    void sortNow();
    void itemsChanged();
    uint32_t row(size_t index) const { return order_.at(index); }

    std::vector<ColumnHeader> columns_;
    std::shared_ptr<const ListRows> rows_;
    std::vector<uint32_t> order_;  // the rows of rows_ shown, top to bottom
    int64_t selectedRow_ = -1;     // a row of rows_, or -1
    bool sorted_ = false;
    int sortKey_ = 0;
    int sortOrder_ = Ascending;
    uint32_t extendedStyle_ = 0;
    int updating_ = 0;
    bool pending_ = false;
};

// A menu or one of its items; a caption of "-" is a separator line.
class MenuItem : public Control {
public:
    MenuItem(Form* form, std::string name, std::string caption) : Control(form, std::move(name)), Caption(std::move(caption)) {}
    std::string Caption;
    bool Checked = false;
    std::vector<MenuItem*> Items;
    bool IsSeparator() const { return Caption == "-"; }
    bool CanFocus() const override { return false; }
};

}  // namespace qm::ui
