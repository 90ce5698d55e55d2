#pragma once
// What a sync asked for with "立即同步" did: one row per account it changed,
// on which side, which fields, and whether both sides had changed them.
#include <vector>

#include "forms/Forms.h"
#include "sync/Merge.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmSyncResult : public ui::Form {
public:
    explicit FrmSyncResult(Forms& forms);

    ui::Label lblSummary{this, "lblSummary"};
    ui::ListView ListViewChanges{this, "ListViewChanges"};
    ui::CommandButton CmdClose{this, "CmdClose"};

    // The report to show; set before the dialog is shown.
    void Prepare(const sync::MergeReport& report);

    void CmdClose_Click() { Unload(); }

protected:
    void Form_Load() override;

private:
    class ChangeRows;
    sync::MergeReport report_;
};

// The text of the 改动 column: what the merge did to the account there.
std::string ChangeText(const sync::Change& change);

}  // namespace qm::forms
