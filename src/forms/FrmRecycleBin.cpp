#include "forms/FrmRecycleBin.h"

#include <memory>

#include "forms/FrmMain.h"
#include "skin/Colours.h"
#include "text/date.h"

namespace qm::forms {

// One row per account in the bin: its category, name, user name and when it was deleted.
class FrmRecycleBin::BinRows : public ui::ListRows {
public:
    BinRows(std::vector<store::BinEntry> entries, std::vector<std::string> deleted)
        : entries_(std::move(entries)), deleted_(std::move(deleted)) {}
    size_t Count() const override { return entries_.size(); }
    std::string Cell(size_t row, size_t column) const override {
        const store::BinEntry& e = entries_[row];
        switch (column) {
            case 0: return e.TypeName;
            case 1: return e.AccountName;
            case 2: return e.AccountID;
            default: return deleted_[row];
        }
    }
    std::string Tag(size_t row) const override { return entries_[row].Guid; }

private:
    std::vector<store::BinEntry> entries_;
    std::vector<std::string> deleted_;
};

FrmRecycleBin::FrmRecycleBin(Forms& forms) : ui::Form(forms.Host(), "FrmRecycleBin"), forms_(forms), app_(forms.App()) {
    SetCaption("回收站");
    Move(0, 0, 8160, 5040);
    SetBackColor(skin::kFormColour);
    ListViewBin.Move(120, 120, 7800, 3900);
    ListViewBin.AddColumn("分类", 1500);
    ListViewBin.AddColumn("帐号名称", 2200);
    ListViewBin.AddColumn("用户名", 2000);
    ListViewBin.AddColumn("删除时间", 1800);
    const std::pair<ui::CommandButton*, const char*> buttons[] = {
        {&CmdRestore, "恢复(&R)"}, {&CmdDelete, "彻底删除(&D)"}, {&CmdEmpty, "清空回收站(&E)"}};
    int left = 120;
    for (const auto& [button, caption] : buttons) {
        button->SetCaption(caption);
        button->Move(left, 4200, 1600, 420);
        left += 1725;
    }
    CmdClose.SetCaption("关闭(&C)");
    CmdClose.Move(6320, 4200, 1600, 420);
    CmdClose.Cancel = true;

    CmdRestore.Click = [this] { CmdRestore_Click(); };
    CmdDelete.Click = [this] { CmdDelete_Click(); };
    CmdEmpty.Click = [this] { CmdEmpty_Click(); };
    CmdClose.Click = [this] { CmdClose_Click(); };
}

void FrmRecycleBin::Form_Load() {
    Host().AttachSkin(*this);
    ListViewBin.SetListViewExStyle(1, true);
    ListViewBin.SetListViewExStyle(32, true);
    Refresh();
}

store::RecycleBin FrmRecycleBin::bin() const { return store::RecycleBin(app_.DbConn, app_.CurrentUser); }

void FrmRecycleBin::Refresh(int select) {
    entries_ = bin().List();
    std::vector<std::string> deleted;
    deleted.reserve(entries_.size());
    for (const store::BinEntry& e : entries_) deleted.push_back(text::FormatDateTime(Os().LocalFromUtc(e.DeletedTime)));
    ListViewBin.BeginUpdate();
    ListViewBin.ClearItems();
    ListViewBin.SetRows(std::make_shared<BinRows>(entries_, std::move(deleted)));
    if (!entries_.empty()) ListViewBin.Select(std::min(select, static_cast<int>(entries_.size()) - 1));
    ListViewBin.EndUpdate();
}

const store::BinEntry* FrmRecycleBin::chosen() {
    if (entries_.empty()) {
        Say("回收站是空的!");
        return nullptr;
    }
    const int index = ListViewBin.SelectedIndex();
    if (index < 0 || !ListViewBin.SelectedItem()) {
        Say("请先在列表中选择一个帐号!");
        return nullptr;
    }
    // The list may be sorted by a header click: the row's tag names the account.
    const std::string guid = ListViewBin.SelectedItem()->Tag;
    for (const store::BinEntry& e : entries_)
        if (e.Guid == guid) return &e;
    return nullptr;
}

void FrmRecycleBin::CmdRestore_Click() {
    const store::BinEntry* entry = chosen();
    if (!entry) return;
    const int index = ListViewBin.SelectedIndex();
    const store::BinEntry account = *entry;
    const store::RestoreResult r = bin().Restore(account.Guid, Os().NowUtc());
    switch (r.Result) {
        case store::RestoreResult::Missing: Say("该帐号已不在回收站中!"); break;
        case store::RestoreResult::Duplicate:
            MsgBox("“" + r.TypeName + "”分类中已有帐号名称为“" + account.AccountName + "”、用户名为“" + account.AccountID +
                       "”的帐号,不能恢复。\n\n该帐号仍保留在回收站中。请先修改或删除现有的帐号,再恢复它。",
                   platform::vbExclamation, "提示");
            return;
        case store::RestoreResult::Restored: {
            // The main window shows it at once, its category made again included.
            app_.ReloadMark = "restore";
            FrmMain& main = forms_.Main();
            main.IsAddType();
            main.RequeryData();
            if (r.TypeName != account.TypeName)
                Say("“" + account.TypeName + "”是系统保留分类的名称,帐号<" + account.AccountName + ">已恢复到“" + r.TypeName +
                    "”分类。");
            break;
        }
    }
    Refresh(index);
}

void FrmRecycleBin::CmdDelete_Click() {
    const store::BinEntry* entry = chosen();
    if (!entry) return;
    const int index = ListViewBin.SelectedIndex();
    const std::string guid = entry->Guid;
    if (MsgBox("确定要彻底删除该帐号吗?删除后将无法恢复。", platform::vbQuestion | platform::vbYesNo, "提示") != platform::vbYes)
        return;
    bin().DeleteForever(guid, Os().NowUtc());
    Refresh(index);
}

void FrmRecycleBin::CmdEmpty_Click() {
    if (entries_.empty()) {
        Say("回收站是空的!");
        return;
    }
    if (MsgBox("确定要清空回收站吗?其中的帐号将无法恢复。", platform::vbQuestion | platform::vbYesNo, "提示") != platform::vbYes)
        return;
    bin().Empty(Os().NowUtc());
    Refresh();
}

}  // namespace qm::forms
