#include "forms/FrmFind.h"

#include "forms/FrmMain.h"
#include "skin/Colours.h"
#include "store/TextRules.h"
#include "text/date.h"

namespace qm::forms {

FrmFind::FrmFind(Forms& forms) : ui::Form(forms.Host(), "FrmFind"), forms_(forms), app_(forms.App()) {
    SetCaption("查询");
    Move(0, 0, 5600, 3900);
    SetBackColor(skin::kFormColour);
    PicOther.Move(120, 120, 5360, 2900);
    PicOther.SetBackColor(0xFAF0E6);
    lblCaption.SetCaption("请输入查询条件,不需要的条件留空.");
    lblCaption.Move(200, 150, 4900, 300);
    const std::pair<ui::Label*, const char*> labels[] = {{&lblAccountType, "帐号分类:"}, {&lblAccountName, "帐号名称:"},
                                                         {&lblAccountID, "用户名:"},    {&lblRegDate, "注册日期:"},
                                                         {&lblURL, "网址:"}};
    ui::Control* inputs[] = {&CbAccountType, &TxtAccountName, &TxtAccountID, &TxtRegDate, &TxtURL};
    for (size_t i = 0; i < 5; ++i) {
        const int y = 560 + static_cast<int>(i) * 450;
        labels[i].first->SetCaption(labels[i].second);
        labels[i].first->Move(200, y + 60, 1100, 300);
        inputs[i]->Move(1350, y, 3700, 330);
    }
    for (ui::Control* c : std::initializer_list<ui::Control*>{&lblCaption, &lblAccountType, &lblAccountName, &lblAccountID,
                                                               &lblRegDate, &lblURL, &CbAccountType, &TxtAccountName,
                                                               &TxtAccountID, &TxtRegDate, &TxtURL})
        c->SetContainer(&PicOther);
    TxtURL.SetText("http://");
    CmdSave.SetCaption("查询(&F)");
    CmdSave.Move(1400, 3220, 1300, 420);
    CmdSave.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(2900, 3220, 1300, 420);
    CmdCancel.Cancel = true;
    CmdSave.Click = [this] { CmdSave_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
}

void FrmFind::Form_Load() {
    Host().AttachSkin(*this);
    FillCategories(app_, CbAccountType);
}

void FrmFind::CmdSave_Click() {
    std::string date;
    if (!TxtRegDate.Text().empty()) {
        const auto parsed = text::ParseUserDate(TxtRegDate.Text());
        if (!parsed) {
            Say("注册日期格式错误,请重新输入!");
            TxtRegDate.SetFocus();
            return;
        }
        date = text::FormatIsoDate(*parsed);
    }
    if (TxtURL.Text() == "http://") TxtURL.SetText("");
    std::string w;
    const auto condition = [&w](const char* field, const std::string& value) {
        if (!value.empty()) w += std::string(" and ") + field + " = '" + store::esc(value) + "'";
    };
    condition("TypeName", CbAccountType.Text());
    condition("AccountName", TxtAccountName.Text());
    condition("AccountID", TxtAccountID.Text());
    condition("RegDate", date);
    condition("URL", TxtURL.Text());
    if (!w.empty()) w.erase(0, 5);
    app_.RsData.Filter(w);
    forms_.Main().ListViewShowData(app_.RsData);
    Unload();
}

}  // namespace qm::forms
