#pragma once
// The import's preview: what the file is, how its columns are read, what
// becomes of every row, and then the one transaction that writes it, with a
// progress bar and a cancel for a large file.
#include <memory>
#include <string>
#include <vector>

#include "forms/Forms.h"
#include "transfer/Import.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmImport : public ui::Form {
public:
    explicit FrmImport(Forms& forms);
    ~FrmImport() override;

    // Files with more rows than this are written a slice at a time, with the progress bar.
    static constexpr size_t kSliceRows = 2000;

    ui::Label lblFile{this, "lblFile"};
    ui::Label lblFormat{this, "lblFormat"};
    ui::Label lblEncoding{this, "lblEncoding"};
    ui::ComboBox CbEncoding{this, "CbEncoding", ui::ComboBox::DropdownList};
    ui::PictureBox PicMap{this, "PicMap"};
    ui::Label lblMapTips{this, "lblMapTips"};
    ui::Label lblMap[7] = {{this, "lblMap0"}, {this, "lblMap1"}, {this, "lblMap2"}, {this, "lblMap3"},
                           {this, "lblMap4"}, {this, "lblMap5"}, {this, "lblMap6"}};
    ui::ComboBox CbMap[7] = {{this, "CbMap0", ui::ComboBox::DropdownList}, {this, "CbMap1", ui::ComboBox::DropdownList},
                             {this, "CbMap2", ui::ComboBox::DropdownList}, {this, "CbMap3", ui::ComboBox::DropdownList},
                             {this, "CbMap4", ui::ComboBox::DropdownList}, {this, "CbMap5", ui::ComboBox::DropdownList},
                             {this, "CbMap6", ui::ComboBox::DropdownList}};
    ui::Label lblSummary{this, "lblSummary"};
    ui::ListView LvRows{this, "LvRows"};
    ui::Label lblDuplicates{this, "lblDuplicates"};
    ui::ComboBox CbDuplicates{this, "CbDuplicates", ui::ComboBox::DropdownList};
    ui::ProgressBar Progress{this, "Progress"};
    ui::CommandButton CmdStart{this, "CmdStart"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};
    ui::Timer TmrWrite{this, "TmrWrite"};

    // The file to preview, already read once (FrmTool refuses what cannot be).
    void Prepare(const std::string& path, std::string bytes, transfer::SourceFile source);
    // The import was written.
    bool Imported() const { return imported_; }
    const transfer::Plan& CurrentPlan() const { return *plan_; }

    void CmdStart_Click();
    void CmdCancel_Click();
    void TmrWrite_Tick();

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    // The file and the plan hold passwords in plain text: they go with the dialog.
    void Form_Unload(int& Cancel) override;
    void Form_Layout() override;

private:
    // The summary and the rows, under the mapping when it shows.
    void placeRows();
    void encodingChosen();
    void mappingChosen(int changed);
    void replan();
    void finish();
    void stopWriting();

    app::AppContext& app_;
    std::string path_, bytes_;
    transfer::SourceFile source_;
    std::shared_ptr<transfer::Plan> plan_;
    transfer::Book book_;
    transfer::SecretSeal secrets_;
    std::unique_ptr<transfer::ImportWriter> writer_;
    bool imported_ = false;
    bool filling_ = false;
    int lost_ = 0;  // the height a screen too short for the dialog took from the rows
};

}  // namespace qm::forms
