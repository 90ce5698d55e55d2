#pragma once
// The recycle bin: the user's deleted accounts, newest first, to be put back
// into their categories, deleted for good one by one, or all at once.
#include <vector>

#include "forms/Forms.h"
#include "store/RecycleBin.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmRecycleBin : public ui::Form {
public:
    explicit FrmRecycleBin(Forms& forms);

    ui::ListView ListViewBin{this, "ListViewBin"};
    ui::CommandButton CmdRestore{this, "CmdRestore"};
    ui::CommandButton CmdDelete{this, "CmdDelete"};
    ui::CommandButton CmdEmpty{this, "CmdEmpty"};
    ui::CommandButton CmdClose{this, "CmdClose"};

    // Reads the bin anew and shows it; the row at `select` (or the last) is selected.
    void Refresh(int select = 0);
    const std::vector<store::BinEntry>& Entries() const { return entries_; }

    void CmdRestore_Click();
    void CmdDelete_Click();
    void CmdEmpty_Click();
    void CmdClose_Click() { Unload(); }

protected:
    void Form_Load() override;

private:
    class BinRows;
    // The entry of the selected row; nullptr (the user was told) when there is none.
    const store::BinEntry* chosen();
    store::RecycleBin bin() const;

    Forms& forms_;
    app::AppContext& app_;
    std::vector<store::BinEntry> entries_;
};

}  // namespace qm::forms
