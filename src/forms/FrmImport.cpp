#include "forms/FrmImport.h"

#include <algorithm>

#include "forms/FrmVerifyPassword.h"
#include "skin/Colours.h"
#include "text/date.h"
#include "transfer/Export.h"

namespace qm::forms {

namespace {

using transfer::Outcome;
using transfer::Target;

// Our fields in the order of the mapping's combo boxes.
constexpr Target kFields[7] = {Target::Category, Target::Name, Target::User, Target::Password,
                               Target::Url,      Target::Date, Target::Remarks};

// The plan's rows as the list shows them.
class PlanRows : public ui::ListRows {
public:
    explicit PlanRows(std::shared_ptr<const transfer::Plan> plan) : plan_(std::move(plan)) {}
    size_t Count() const override { return plan_->rows.size(); }
    std::string Cell(size_t row, size_t column) const override {
        const transfer::PlannedRow& r = plan_->rows[row];
        switch (column) {
            case 0: return std::to_string(r.line);
            case 1: return r.outcome == Outcome::Import ? "导入" : r.outcome == Outcome::Duplicate ? "重复" : "跳过";
            case 2: return r.account.category;
            case 3: return r.account.name;
            case 4: return r.account.user;
            case 5: return r.account.url;
            case 6: return r.account.date;
            case 7: return r.account.otpSecret.empty() ? "无" : "有";
            default: return r.reason;
        }
    }
    std::string Tag(size_t) const override { return {}; }

private:
    std::shared_ptr<const transfer::Plan> plan_;
};

// The rows read from the file hold its passwords as they are.
void wipeRows(transfer::SourceFile& source) {
    for (transfer::CsvRow& row : source.rows)
        for (std::string& field : row.fields) transfer::Wipe(field);
}

// The client area's height as designed, where the rows end, and the least
// the rows keep where a short screen takes room from them.
constexpr int kDesignHeight = 8100, kRowsBottom = 6900, kLeastRowsHeight = 1500;

}  // namespace

FrmImport::FrmImport(Forms& forms)
    : ui::Form(forms.Host(), "FrmImport"), app_(forms.App()), secrets_(StoredSecrets(forms.App())) {
    SetCaption("导入数据");
    Move(0, 0, 10200, kDesignHeight);
    ShrinkToFit = true;
    SetBackColor(skin::kFormColour);
    lblFile.Move(240, 180, 9600, 300);
    lblFormat.Move(240, 540, 5400, 300);
    lblEncoding.SetCaption("文字编码:");
    lblEncoding.Move(5880, 540, 1100, 300);
    CbEncoding.Move(7000, 480, 2840, 330);
    for (transfer::Encoding e : transfer::kEncodings) CbEncoding.AddItem(transfer::EncodingName(e));

    PicMap.Move(240, 960, 9600, 1380);
    PicMap.SetBackColor(0xFAF0E6);
    lblMapTips.SetContainer(&PicMap);
    lblMapTips.SetCaption("未能识别文件的格式,请为每一项选择文件中对应的列:");
    lblMapTips.Move(120, 90, 9300, 300);
    for (int i = 0; i < 7; ++i) {
        const int x = 120 + (i % 4) * 2370, y = 480 + (i / 4) * 420;
        lblMap[i].SetContainer(&PicMap);
        lblMap[i].SetCaption(std::string(transfer::TargetName(kFields[i])) + ":");
        lblMap[i].Move(x, y + 40, 900, 300);
        CbMap[i].SetContainer(&PicMap);
        CbMap[i].Move(x + 900, y, 1380, 330);
        CbMap[i].Click = [this, i] { mappingChosen(i); };
    }

    placeRows();
    const std::pair<const char*, int> columns[] = {{"行", 500},    {"结果", 600},   {"帐号分类", 1200}, {"帐号名称", 1600},
                                                   {"用户名", 1400}, {"网址", 1700}, {"日期", 1100},     {"动态码", 700},
                                                   {"说明", 1300}};
    for (const auto& [title, width] : columns) LvRows.AddColumn(title, width);
    LvRows.SetListViewExStyle(1 | 32, true);

    lblDuplicates.SetCaption("重复的帐号:");
    lblDuplicates.Move(240, 7110, 1200, 300);
    CbDuplicates.Move(1440, 7050, 1800, 330);
    CbDuplicates.AddItem("跳过");
    CbDuplicates.AddItem("导入为副本");
    Progress.Move(3420, 7080, 2400, 300);
    Progress.SetVisible(false);
    CmdStart.SetCaption("开始导入(&S)");
    CmdStart.Move(6060, 7020, 1800, 420);
    CmdStart.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(8040, 7020, 1800, 420);
    CmdCancel.Cancel = true;

    CbEncoding.Click = [this] { encodingChosen(); };
    CbDuplicates.Click = [this] { replan(); };
    CmdStart.Click = [this] { CmdStart_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
    TmrWrite.Tick = [this] { TmrWrite_Tick(); };
}

FrmImport::~FrmImport() = default;

void FrmImport::Prepare(const std::string& path, std::string bytes, transfer::SourceFile source) {
    path_ = path;
    bytes_ = std::move(bytes);
    source_ = std::move(source);
}

void FrmImport::placeRows() {
    // Without the mapping, the counts and the rows take its place.
    const int top = PicMap.Visible() ? 2460 : 960;
    lblSummary.Move(240, top, 9600, 600);
    LvRows.Move(240, top + 660, 9600, kRowsBottom - lost_ - top - 660);
}

void FrmImport::Form_Layout() {
    // A screen too short for the dialog takes the room from the rows: the
    // choice for duplicates and the buttons stay in sight at the bottom.
    lost_ = std::clamp(kDesignHeight - ScaleHeight(), 0, kRowsBottom - 3120 - kLeastRowsHeight);
    placeRows();
    lblDuplicates.Move(240, 7110 - lost_, 1200, 300);
    CbDuplicates.Move(1440, 7050 - lost_, 1800, 330);
    Progress.Move(3420, 7080 - lost_, 2400, 300);
    CmdStart.Move(6060, 7020 - lost_, 1800, 420);
    CmdCancel.Move(8040, 7020 - lost_, 1800, 420);
}

void FrmImport::Form_Load() {
    Host().AttachSkin(*this);
    book_ = transfer::ReadBook(app_.DbConn, app_.CurrentUser);
    book_.today = text::FormatIsoDate(Os().Today());
    lblFile.SetCaption("文件:" + path_);
    filling_ = true;
    for (size_t i = 0; i < std::size(transfer::kEncodings); ++i)
        if (transfer::kEncodings[i] == source_.encoding) CbEncoding.SetListIndex(static_cast<int>(i));
    CbDuplicates.SetListIndex(0);
    filling_ = false;
    encodingChosen();
}

void FrmImport::encodingChosen() {
    if (filling_) return;
    const transfer::Encoding chosen = transfer::kEncodings[std::max(CbEncoding.ListIndex(), 0)];
    if (chosen != source_.encoding) {
        try {
            transfer::SourceFile again = transfer::ReadSource(bytes_, chosen);
            wipeRows(source_);
            source_ = std::move(again);
        } catch (const transfer::ImportError& e) {
            MsgBox("按 " + std::string(transfer::EncodingName(chosen)) + " 读取时," +
                       (e.Line ? "第 " + std::to_string(e.Line) + " 行" : std::string("文件")) + ":" + e.what() + "。",
                   platform::vbExclamation, "提示");
            filling_ = true;
            for (size_t i = 0; i < std::size(transfer::kEncodings); ++i)
                if (transfer::kEncodings[i] == source_.encoding) CbEncoding.SetListIndex(static_cast<int>(i));
            filling_ = false;
            return;
        }
    }
    lblFormat.SetCaption(std::string("文件格式:") + transfer::FormatName(source_.format));
    const bool unknown = source_.format == transfer::FormatId::Unknown;
    PicMap.SetVisible(unknown);
    placeRows();
    filling_ = true;
    for (int i = 0; i < 7; ++i) {
        CbMap[i].Clear();
        CbMap[i].AddItem("(无)");
        int chosenColumn = 0;
        for (size_t c = 0; c < source_.header.size(); ++c) {
            CbMap[i].AddItem(source_.header[c].empty() ? "(第 " + std::to_string(c + 1) + " 列)" : source_.header[c]);
            if (c < source_.map.size() && source_.map[c].target == kFields[i] && !chosenColumn)
                chosenColumn = static_cast<int>(c + 1);
        }
        CbMap[i].SetListIndex(chosenColumn);
    }
    filling_ = false;
    replan();
}

void FrmImport::mappingChosen(int changed) {
    if (filling_) return;
    // A column gives one field: the box that showed it before shows none now,
    // rather than a column that would fill nothing.
    filling_ = true;
    for (int i = 0; i < 7; ++i)
        if (i != changed && CbMap[changed].ListIndex() > 0 && CbMap[i].ListIndex() == CbMap[changed].ListIndex())
            CbMap[i].SetListIndex(0);
    filling_ = false;
    transfer::ColumnMap map(source_.header.size());
    for (int i = 0; i < 7; ++i)
        if (const int c = CbMap[i].ListIndex(); c > 0) map[static_cast<size_t>(c - 1)].target = kFields[i];
    source_.map = std::move(map);
    replan();
}

void FrmImport::replan() {
    if (filling_) return;
    const auto choice = CbDuplicates.ListIndex() == 1 ? transfer::DuplicateChoice::Copy : transfer::DuplicateChoice::Skip;
    plan_ = std::make_shared<transfer::Plan>(transfer::MakePlan(source_, book_, choice));
    const transfer::Plan& p = *plan_;
    std::string summary = "共 " + std::to_string(p.rows.size()) + " 行:将导入 " + std::to_string(p.imported) +
                          " 个帐号,跳过重复的 " + std::to_string(p.duplicates) + " 个,因其他原因跳过 " +
                          std::to_string(p.skipped) + " 个。";
    if (!p.perCategory.empty()) {
        summary += "\n按分类:";
        for (size_t i = 0; i < p.perCategory.size(); ++i)
            summary += (i ? "," : "") + p.perCategory[i].first + " " + std::to_string(p.perCategory[i].second);
        if (!p.newCategories.empty()) summary += "(新分类 " + std::to_string(p.newCategories.size()) + " 个)";
    }
    lblSummary.SetCaption(summary);
    LvRows.SetRows(std::make_shared<PlanRows>(plan_));
    CmdStart.SetEnabled(p.imported > 0);
}

void FrmImport::CmdStart_Click() {
    if (writer_ || !plan_ || plan_->imported == 0) return;
    writer_ = std::make_unique<transfer::ImportWriter>(app_.DbConn, app_.CurrentUser, *plan_, secrets_, Os().NowUtc());
    if (plan_->imported <= kSliceRows) {
        try {
            writer_->Commit();
        } catch (...) {
            writer_.reset();
            throw;
        }
        finish();
        return;
    }
    for (ui::Control* c : std::initializer_list<ui::Control*>{&CbEncoding, &CbDuplicates, &CmdStart, &PicMap, &LvRows})
        c->SetEnabled(false);
    for (ui::ComboBox& box : CbMap) box.SetEnabled(false);
    Progress.Max = static_cast<int>(plan_->imported);
    Progress.SetValue(0);
    Progress.SetVisible(true);
    TmrWrite.SetInterval(1);
    TmrWrite.SetEnabled(true);
}

void FrmImport::TmrWrite_Tick() {
    if (!writer_) return;
    try {
        if (writer_->Step(kSliceRows)) {
            Progress.SetValue(static_cast<int>(writer_->Written()));
            return;
        }
        Progress.SetValue(Progress.Max);
        writer_->Commit();
    } catch (...) {
        stopWriting();
        throw;
    }
    TmrWrite.SetEnabled(false);
    finish();
}

void FrmImport::stopWriting() {
    TmrWrite.SetEnabled(false);
    if (writer_) writer_->Rollback();
    writer_.reset();
    Progress.SetVisible(false);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&CbEncoding, &CbDuplicates, &CmdStart, &PicMap, &LvRows})
        c->SetEnabled(true);
    for (ui::ComboBox& box : CbMap) box.SetEnabled(true);
}

void FrmImport::CmdCancel_Click() {
    if (writer_) {
        stopWriting();
        Say("导入已取消,没有导入任何数据。");
        return;
    }
    Unload();
}

void FrmImport::Form_QueryUnload(int& Cancel, int UnloadMode) {
    (void)UnloadMode;
    // The close box while writing is the cancel button.
    if (writer_ && !imported_) {
        stopWriting();
        Say("导入已取消,没有导入任何数据。");
        Cancel = 1;
    }
}

void FrmImport::Form_Unload(int& Cancel) {
    (void)Cancel;
    LvRows.ClearItems();
    transfer::Wipe(bytes_);
    wipeRows(source_);
    if (plan_)
        for (transfer::PlannedRow& row : plan_->rows) transfer::Wipe(row.account.password), transfer::Wipe(row.account.remarks);
}

void FrmImport::finish() {
    writer_.reset();
    imported_ = true;
    app_.ReloadMark = "import";
    const transfer::Plan& p = *plan_;
    Say("导入完成!\n\n导入 " + std::to_string(p.imported) + " 个帐号,跳过重复的 " + std::to_string(p.duplicates) +
        " 个,因其他原因跳过 " + std::to_string(p.skipped) + " 个。");
    Unload();
}

}  // namespace qm::forms
