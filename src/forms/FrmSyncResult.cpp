#include "forms/FrmSyncResult.h"

#include <memory>

#include "skin/Colours.h"

namespace qm::forms {

std::string ChangeText(const sync::Change& change) {
    switch (change.Kind) {
        case sync::ChangeKind::Added: return "新增";
        case sync::ChangeKind::Deleted: return "删除";
        case sync::ChangeKind::Updated: break;
    }
    return change.Fields.empty() ? "更新" : "更新: " + change.Fields;
}

class FrmSyncResult::ChangeRows : public ui::ListRows {
public:
    explicit ChangeRows(std::vector<sync::Change> changes) : changes_(std::move(changes)) {}
    size_t Count() const override { return changes_.size(); }
    std::string Cell(size_t row, size_t column) const override {
        const sync::Change& c = changes_[row];
        switch (column) {
            case 0: return sync::SideName(c.Where);
            case 1: return c.Name;
            case 2: return ChangeText(c);
            default: return c.Conflict ? "冲突" : "";
        }
    }
    std::string Tag(size_t row) const override { return changes_[row].Id; }

private:
    std::vector<sync::Change> changes_;
};

FrmSyncResult::FrmSyncResult(Forms& forms) : ui::Form(forms.Host(), "FrmSyncResult") {
    SetCaption("同步结果");
    Move(0, 0, 8160, 5280);
    SetBackColor(skin::kFormColour);
    lblSummary.Move(120, 150, 7800, 300);
    ListViewChanges.Move(120, 540, 7800, 3720);
    ListViewChanges.AddColumn("方向", 1200);
    ListViewChanges.AddColumn("帐号名称", 2400);
    ListViewChanges.AddColumn("改动", 3000);
    ListViewChanges.AddColumn("冲突", 900);
    CmdClose.SetCaption("关闭(&C)");
    CmdClose.Move(6320, 4440, 1600, 420);
    CmdClose.Cancel = true;
    CmdClose.SetDefault(true);
    CmdClose.Click = [this] { CmdClose_Click(); };
}

void FrmSyncResult::Prepare(const sync::MergeReport& report) { report_ = report; }

void FrmSyncResult::Form_Load() {
    Host().AttachSkin(*this);
    ListViewChanges.SetListViewExStyle(1, true);
    ListViewChanges.SetListViewExStyle(32, true);
    std::string summary = "同步完成: " + report_.Summary();
    // Both values of a conflict are kept: the one that lost is in the history.
    if (report_.Conflicts > 0) summary += "(冲突中未采用的内容保存在该帐号的历史记录中)";
    lblSummary.SetCaption(summary);
    ListViewChanges.BeginUpdate();
    ListViewChanges.ClearItems();
    ListViewChanges.SetRows(std::make_shared<ChangeRows>(report_.Changes));
    ListViewChanges.EndUpdate();
}

}  // namespace qm::forms
