#pragma once
// The password health check: bars for what is wrong with the book's
// passwords, the healthy share, and a list of the accounts concerned, each
// of which opens in the record dialog on a double click.
#include <array>
#include <memory>

#include "forms/Forms.h"
#include "tools/HealthCheck.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmHealth : public ui::Form {
public:
    explicit FrmHealth(Forms& forms);

    // One bar of the picture: the problem's name, the bar, the count at its end.
    struct Bar {
        ui::Label Name;
        ui::Shape Fill;
        ui::Label Count;
    };

    ui::PictureBox PicChart{this, "PicChart"};
    ui::Label lblAll{this, "lblAll"};
    ui::Label lblHealth{this, "lblHealth"};
    std::array<std::unique_ptr<Bar>, tools::kProblemCount> Bars;
    ui::ListView ListViewHealth{this, "ListViewHealth"};
    ui::Label lblTip{this, "lblTip"};
    ui::CommandButton CmdClose{this, "CmdClose"};

    // Computes the report anew and shows it under the finding shown before.
    void Refresh();
    // Shows one problem's rows only; -1 shows them all.
    void ShowProblem(int problem);
    int ShownProblem() const { return shown_; }
    const tools::HealthReport& Report() const { return report_; }

    void ListViewHealth_DblClick();
    void CmdClose_Click() { Unload(); }

protected:
    void Form_Load() override;
    void Form_Layout() override;

private:
    class FindingRows;
    // The name of account `account` as the main window finds it: its category, name and user name.
    std::string text(size_t account, size_t column) const;
    void drawBars();

    Forms& forms_;
    app::AppContext& app_;
    tools::HealthReport report_;
    std::vector<store::RowRef> accounts_;  // as the report numbers them
    size_t columns_[3] = {};               // where the three names lie in a row
    int shown_ = -1;
};

}  // namespace qm::forms
