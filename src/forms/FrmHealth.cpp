#include "forms/FrmHealth.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "forms/FrmData.h"
#include "forms/FrmMain.h"
#include "skin/Colours.h"
#include "store/Statement.h"
#include "store/TextRules.h"

namespace qm::forms {

namespace {

constexpr int kHandPointer = 99;
// The picture's geometry, in twips inside its box.
constexpr int kBarLeft = 1900, kBarTop = 480, kBarPitch = 290, kBarHeight = 210, kLongestBar = 5200;
constexpr ui::Colour kChartColour = skin::kFace;
constexpr ui::Colour kBarColour = skin::kProgressFill, kChosenBarColour = skin::kButtonBorder;
constexpr ui::Colour kLinkColour = 0xC00000;
// The client area's height as designed, the list's, and the least the list
// keeps where a short screen takes room from it.
constexpr int kDesignHeight = 7560, kListHeight = 3660, kLeastListHeight = 1500;

}  // namespace

// The rows of the report's list: one per finding shown, never a password.
// Cells are read from the report when drawn, as the main list reads its rows.
class FrmHealth::FindingRows : public ui::ListRows {
public:
    explicit FindingRows(const FrmHealth& form) : form_(form) {}
    std::vector<uint32_t> Findings;  // the report's finding behind each row

    size_t Count() const override { return Findings.size(); }
    std::string Cell(size_t row, size_t column) const override {
        const tools::Finding& f = form_.report_.Findings[Findings[row]];
        return column < 3 ? form_.text(f.Account, column) : tools::FindingText(f);
    }
    std::string Tag(size_t row) const override { return std::to_string(Findings[row]); }

private:
    const FrmHealth& form_;
};

FrmHealth::FrmHealth(Forms& forms) : ui::Form(forms.Host(), "FrmHealth"), forms_(forms), app_(forms.App()) {
    SetCaption("密码体检");
    Move(0, 0, 9120, kDesignHeight);
    ShrinkToFit = true;
    SetBackColor(skin::kFormColour);
    PicChart.Move(120, 120, 8760, 2520);
    PicChart.SetBackColor(kChartColour);
    PicChart.BorderStyle = true;
    lblAll.SetContainer(&PicChart);
    lblAll.SetCaption("全部");
    lblAll.Move(240, 120, 1200, 300);
    lblAll.SetForeColor(kLinkColour);
    lblAll.SetMousePointer(kHandPointer);
    lblAll.BackStyle = ui::Label::Transparent;
    lblHealth.SetContainer(&PicChart);
    lblHealth.Move(6000, 120, 2500, 300);
    lblHealth.Alignment = ui::Label::RightJustify;
    lblHealth.BackStyle = ui::Label::Transparent;
    lblHealth.SetFontBold(true);
    for (size_t p = 0; p < tools::kProblemCount; ++p) {
        const std::string n = std::to_string(p);
        Bars[p].reset(new Bar{{this, "lblProblem" + n}, {this, "ShapeBar" + n}, {this, "lblCount" + n}});
        Bar& bar = *Bars[p];
        const int y = kBarTop + static_cast<int>(p) * kBarPitch;
        for (ui::Control* c : std::initializer_list<ui::Control*>{&bar.Name, &bar.Fill, &bar.Count}) c->SetContainer(&PicChart);
        bar.Name.SetCaption(tools::ProblemName(static_cast<tools::Problem>(p)));
        bar.Name.Move(240, y - 30, kBarLeft - 340, 300);
        bar.Name.SetMousePointer(kHandPointer);
        bar.Name.BackStyle = ui::Label::Transparent;
        bar.Fill.Move(kBarLeft, y, 0, kBarHeight);
        bar.Fill.BorderColor = skin::kBorder;
        bar.Fill.SetFillColor(kBarColour);
        bar.Count.Move(kBarLeft + 100, y - 30, 900, 300);
        bar.Count.BackStyle = ui::Label::Transparent;
        const int problem = static_cast<int>(p);
        bar.Name.Click = [this, problem] { ShowProblem(problem); };
        bar.Fill.Click = [this, problem] { ShowProblem(problem); };
    }
    ListViewHealth.Move(120, 2760, 8760, kListHeight);
    ListViewHealth.AddColumn("分类", 1300);
    ListViewHealth.AddColumn("帐号名称", 1800);
    ListViewHealth.AddColumn("用户名", 1600);
    ListViewHealth.AddColumn("问题", 3760);
    lblTip.SetCaption("双击列表中的一行可修改该帐号的资料。");
    lblTip.Move(120, 6600, 6000, 300);
    CmdClose.SetCaption("关闭(&C)");
    CmdClose.Move(7280, 6540, 1600, 420);
    CmdClose.Cancel = true;

    lblAll.Click = [this] { ShowProblem(-1); };
    ListViewHealth.DblClick = [this] { ListViewHealth_DblClick(); };
    CmdClose.Click = [this] { CmdClose_Click(); };
}

void FrmHealth::Form_Layout() {
    // A screen too short for the dialog takes the room from the list: the
    // tip and the close button stay in sight at the bottom.
    const int lost = std::clamp(kDesignHeight - ScaleHeight(), 0, kListHeight - kLeastListHeight);
    ListViewHealth.Move(120, 2760, 8760, kListHeight - lost);
    lblTip.Move(120, 6600 - lost, 6000, 300);
    CmdClose.Move(7280, 6540 - lost, 1600, 420);
}

void FrmHealth::Form_Load() {
    Host().AttachSkin(*this);
    ListViewHealth.SetListViewExStyle(1, true);
    ListViewHealth.SetListViewExStyle(32, true);
    Refresh();
}

void FrmHealth::Refresh() {
    // A book of many thousands of accounts takes a moment.
    struct Busy {
        ui::FormHost& host;
        explicit Busy(ui::FormHost& h) : host(h) { host.Busy(true); }
        ~Busy() { host.Busy(false); }
    } busy{Host()};
    // The user's accounts as they stand now, whatever the main list shows.
    store::Recordset rs;
    const std::string user = store::esc(app_.CurrentUser);
    rs.Open("select TypeName, AccountName, AccountID, AccountPassword, URL, AccountGuid, ChangedTime from AccountData "
            "where UserName = '" + user + "'",
            app_.DbConn);
    std::vector<store::RowRef> rows;
    rows.reserve(rs.RecordCount());
    for (; !rs.Eof(); rs.MoveNext()) rows.push_back(rs.CurrentRowData());
    const size_t password = rs.FieldIndex("AccountPassword"), url = rs.FieldIndex("URL"),
                 identity = rs.FieldIndex("AccountGuid"), changed = rs.FieldIndex("ChangedTime");
    const std::string login = app_.RsUser["UserPassword"].Text();

    tools::HealthSources book;
    book.Count = rows.size();
    book.Address = [&](size_t i) { return rows[i]->TextOf(url); };
    book.Open = [&](size_t i, const std::function<void(std::string_view)>& use) {
        const std::optional<vault::SecretText> plain =
            app_.Secrets.Open(vault::Field::AccountPassword, rows[i]->TextOf(password), rows[i]->TextOf(identity));
        if (!plain) return false;
        use(plain->view());
        return true;
    };
    // Reuse is found by digests under a key of this check alone.
    const vault::KeyedDigest digest;
    book.Fingerprint = [&](std::string_view plain) { return digest.Of(plain); };
    book.IsLoginPassword = [&](std::string_view plain) { return app_.Secrets.IsLoginPassword(plain, login); };
    // How long a password has stood: an account changed within the year may
    // still hold the password of its earlier versions (an edit of its address
    // alone). Only those accounts' versions are read, and only until one holds
    // another password: at most ten a recent account, each opened alone,
    // digested and wiped. An account changed longer ago is stale already.
    const int64_t now = Os().NowUtc();
    book.Now = now;
    std::unordered_map<std::string, std::vector<std::pair<std::string, int64_t>>> earlier;
    {
        store::Statement versions(app_.DbConn.Handle(),
                                  "SELECT h.AccountGuid, h.AccountPassword, h.ChangedTime FROM AccountHistory h JOIN "
                                  "AccountData a ON a.UserName = h.UserName AND a.AccountGuid = h.AccountGuid WHERE "
                                  "h.UserName = ?1 AND a.ChangedTime >= ?2 "
                                  "ORDER BY h.AccountGuid, h.ReplacedTime DESC, h.ChangedTime DESC, h.rowid DESC");
        versions.Bind(1, store::Value(app_.CurrentUser));
        versions.Bind(2, store::Value(now - tools::kStaleAfter));
        while (versions.Step())
            earlier[versions.Column(0).Text()].emplace_back(versions.Column(1).Text(), versions.Column(2).Int());
    }
    book.PasswordSetAt = [&](size_t i, std::string_view fingerprint) {
        const store::CellView cell = rows[i]->Cell(changed);
        int64_t set = cell.kind == store::CellView::Integer ? cell.integer : cell.ToValue().Int();
        const auto found = earlier.find(std::string(rows[i]->TextOf(identity)));
        if (found == earlier.end() || now - set > tools::kStaleAfter) return set;
        for (const auto& [stored, since] : found->second) {
            const std::optional<vault::SecretText> plain =
                app_.Secrets.Open(vault::Field::AccountPassword, stored, found->first);
            if (!plain || digest.Of(plain->view()) != fingerprint) break;
            set = since;
        }
        return set;
    };
    report_ = tools::CheckHealth(book);

    accounts_ = std::move(rows);
    columns_[0] = rs.FieldIndex("TypeName");
    columns_[1] = rs.FieldIndex("AccountName");
    columns_[2] = rs.FieldIndex("AccountID");
    drawBars();
    ShowProblem(shown_);
}

std::string FrmHealth::text(size_t account, size_t column) const {
    // As the field reads: Null as "", numbers as their decimal text.
    const store::CellView cell = accounts_[account]->Cell(columns_[column]);
    return cell.kind == store::CellView::Text ? std::string(cell.text) : cell.ToValue().Text();
}

void FrmHealth::drawBars() {
    lblHealth.SetCaption("健康 " + std::to_string(report_.HealthyPercent()) + "%");
    const size_t most = std::max<size_t>(1, *std::max_element(report_.Counts.begin(), report_.Counts.end()));
    for (size_t p = 0; p < tools::kProblemCount; ++p) {
        Bar& bar = *Bars[p];
        const size_t count = report_.Counts[p];
        // A password that cannot be read is rare: its bar shows only when there is one.
        const bool shown = count > 0 || static_cast<tools::Problem>(p) != tools::Problem::Unreadable;
        const int length = count == 0 ? 0 : std::max(60, static_cast<int>(count * kLongestBar / most));
        bar.Fill.Move(kBarLeft, bar.Fill.Top(), length, kBarHeight);
        bar.Fill.SetVisible(shown && count > 0);
        bar.Name.SetVisible(shown);
        bar.Count.SetCaption(std::to_string(count));
        bar.Count.Move(kBarLeft + length + 100, bar.Count.Top(), 900, 300);
        bar.Count.SetVisible(shown);
    }
}

void FrmHealth::ShowProblem(int problem) {
    shown_ = problem;
    auto rows = std::make_shared<FindingRows>(*this);
    for (size_t f = 0; f < report_.Findings.size(); ++f)
        if (problem < 0 || static_cast<int>(report_.Findings[f].Kind) == problem) rows->Findings.push_back(static_cast<uint32_t>(f));
    ListViewHealth.BeginUpdate();
    ListViewHealth.ClearItems();
    ListViewHealth.SetRows(std::move(rows));
    if (ListViewHealth.Count() > 0) ListViewHealth.Select(0);
    ListViewHealth.EndUpdate();
    // What is shown stands out: the chosen bar darker, its name (or "全部") bold.
    lblAll.SetFontBold(problem < 0);
    for (size_t p = 0; p < tools::kProblemCount; ++p) {
        const bool chosen = static_cast<int>(p) == problem;
        Bars[p]->Name.SetFontBold(chosen);
        Bars[p]->Fill.SetFillColor(chosen ? kChosenBarColour : kBarColour);
    }
}

void FrmHealth::ListViewHealth_DblClick() {
    const std::optional<ui::ListItem> item = ListViewHealth.SelectedItem();
    if (!item) return;
    const tools::Finding& finding = report_.Findings.at(std::stoul(item->Tag));
    // As the main window's edit command: the record set on that one account,
    // the dialog in "edit" mode, then the main window brought up to date.
    app_.RsData.Requery();
    app_.RsData.Filter("TypeName = '" + store::esc(text(finding.Account, 0)) + "' and AccountName = '" +
                       store::esc(text(finding.Account, 1)) + "' and AccountID = '" + store::esc(text(finding.Account, 2)) +
                       "'");
    FrmMain& main = forms_.Main();
    if (app_.RsData.Eof()) {
        Say("该帐号已不存在!");
    } else {
        app_.RecordMode = "edit";
        app_.ReloadMark.clear();
        forms_.Data().Show(true, this);
        main.IsAddType();
    }
    main.RequeryData();
    Refresh();
}

}  // namespace qm::forms
