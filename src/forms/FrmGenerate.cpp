#include "forms/FrmGenerate.h"

#include <cstdlib>

#include "forms/StrengthMeter.h"
#include "gen/Generator.h"
#include "skin/Colours.h"

namespace qm::forms {

namespace {

constexpr ui::Colour kRed = 0x0000FF;

// A whole number typed in a box; 0 for anything else, which every range refuses.
int numberIn(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return 0;
    char* end = nullptr;
    const long n = std::strtol(text.c_str() + first, &end, 10);
    while (*end == ' ') ++end;
    return *end == '\0' && n > 0 && n < 100000 ? static_cast<int>(n) : 0;
}

bool ticked(const ui::CheckBox& box) { return box.Value() == ui::CheckBox::Checked; }

}  // namespace

FrmGenerate::FrmGenerate(Forms& forms) : ui::Form(forms.Host(), "FrmGenerate"), app_(forms.App()) {
    SetCaption("生成密码");
    Move(0, 0, 6400, 5300);
    SetBackColor(skin::kFormColour);
    PicOther.Move(120, 120, 6160, 3900);
    PicOther.SetBackColor(0xFAF0E6);
    const int labelX = 300, inputX = 1460, rightX = 3100;
    const auto place = [this](ui::Control& c, int left, int top, int width, int height) {
        c.SetContainer(&PicOther);
        c.Move(left, top, width, height);
    };
    lblMode.SetCaption("方式:");
    place(lblMode, labelX, 390, 1100, 300);
    place(CbMode, inputX, 330, 2600, 330);
    CbMode.AddItem("随机字符");
    CbMode.AddItem("口令短语");

    lblLength.SetCaption("长度:");
    place(lblLength, labelX, 840, 1100, 300);
    place(TxtLength, inputX, 780, 1000, 330);
    TxtLength.SpinMin = gen::kMinLength;
    TxtLength.SpinMax = gen::kMaxLength;
    TxtLength.MaxLength = 3;
    const std::pair<ui::CheckBox*, const char*> boxes[] = {{&ChkUpper, "大写字母 A-Z"},
                                                           {&ChkLower, "小写字母 a-z"},
                                                           {&ChkDigits, "数字 0-9"},
                                                           {&ChkSymbols, "符号 !@#$%^*"},
                                                           {&ChkNoLookAlikes, "排除易混淆字符 0 O o 1 l I |"}};
    const int boxAt[5][3] = {{labelX, 1260, 2700}, {rightX, 1260, 2800}, {labelX, 1650, 2700}, {rightX, 1650, 2800},
                             {labelX, 2040, 5600}};
    for (int i = 0; i < 5; ++i) {
        boxes[i].first->SetCaption(boxes[i].second);
        place(*boxes[i].first, boxAt[i][0], boxAt[i][1], boxAt[i][2], 330);
    }

    lblWords.SetCaption("单词个数:");
    place(lblWords, labelX, 840, 1100, 300);
    place(TxtWords, inputX, 780, 1000, 330);
    TxtWords.SpinMin = gen::kMinWords;
    TxtWords.SpinMax = gen::kMaxWords;
    TxtWords.MaxLength = 2;
    lblSeparator.SetCaption("分隔符:");
    place(lblSeparator, rightX, 840, 900, 300);
    place(TxtSeparator, rightX + 1000, 780, 800, 330);
    TxtSeparator.MaxLength = 3;
    ChkCapitalise.SetCaption("首字母大写");
    place(ChkCapitalise, labelX, 1260, 2700, 330);
    ChkDigit.SetCaption("加入一个数字");
    place(ChkDigit, rightX, 1260, 2800, 330);

    // Read-only and in a font where every character can be told apart.
    place(TxtPassword, labelX, 2520, 5560, 390);
    TxtPassword.SetLocked(true);
    TxtPassword.Monospaced = true;
    lblPassStrength.SetCaption("密码强度:");
    place(lblPassStrength, labelX, 3030, 1100, 300);
    place(ShapePass, inputX, 3040, 2600, 200);
    lblStrength.SetCaption("弱");
    place(lblStrength, inputX + 2700, 3030, 600, 300);
    lblEntropy.SetCaption("熵:");
    place(lblEntropy, labelX, 3420, 1100, 300);
    place(lblBits, inputX, 3420, 2600, 300);
    place(lblRefusal, labelX, 3030, 5560, 690);
    lblRefusal.SetForeColor(kRed);
    lblRefusal.SetVisible(false);

    CmdRegenerate.SetCaption("重新生成(&R)");
    CmdRegenerate.Move(240, 4200, 1500, 420);
    CmdUse.SetCaption("使用(&U)");
    CmdUse.Move(3300, 4200, 1300, 420);
    CmdUse.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(4800, 4200, 1300, 420);
    CmdCancel.Cancel = true;

    CbMode.Click = [this] {
        showMode();
        Regenerate();
    };
    for (ui::CheckBox* box : {&ChkUpper, &ChkLower, &ChkDigits, &ChkSymbols, &ChkNoLookAlikes, &ChkCapitalise, &ChkDigit})
        box->Click = [this] { Regenerate(); };
    for (ui::TextBox* box : {&TxtLength, &TxtWords, &TxtSeparator}) box->Change = [this] { Regenerate(); };
    CmdRegenerate.Click = [this] { Regenerate(); };
    CmdUse.Click = [this] { CmdUse_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
}

void FrmGenerate::Form_Load() {
    Host().AttachSkin(*this);
    loadChoices();
    showMode();
    Regenerate();
    CmdUse.SetFocus();
}

void FrmGenerate::Form_Unload(int&) {
    // The candidate is not kept once the dialog is gone.
    TxtPassword.SetText("");
    Use = nullptr;
}

void FrmGenerate::showMode() {
    const bool phrase = CbMode.ListIndex() == kPhrase;
    for (ui::Control* c : std::initializer_list<ui::Control*>{&lblLength, &TxtLength, &ChkUpper, &ChkLower, &ChkDigits,
                                                               &ChkSymbols, &ChkNoLookAlikes})
        c->SetVisible(!phrase);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&lblWords, &TxtWords, &lblSeparator, &TxtSeparator,
                                                               &ChkCapitalise, &ChkDigit})
        c->SetVisible(phrase);
}

void FrmGenerate::Regenerate() {
    if (loading_) return;
    std::string refusal, candidate;
    int bits = 0;
    if (!app_.Random) {
        refusal = "无法取得系统的随机数,不能生成密码!";
    } else if (CbMode.ListIndex() == kPhrase) {
        const gen::PhraseChoices c{numberIn(TxtWords.Text()), TxtSeparator.Text(), ticked(ChkCapitalise), ticked(ChkDigit)};
        refusal = gen::PhraseRefusal(c);
        if (refusal.empty()) candidate = gen::MakePassphrase(c, *app_.Random), bits = gen::PassphraseBits(c);
    } else {
        const gen::CharChoices c{numberIn(TxtLength.Text()), ticked(ChkUpper), ticked(ChkLower), ticked(ChkDigits),
                                 ticked(ChkSymbols), ticked(ChkNoLookAlikes)};
        refusal = gen::CharRefusal(c);
        if (refusal.empty()) candidate = gen::MakePassword(c, *app_.Random), bits = gen::PasswordBits(c);
    }
    TxtPassword.SetText(candidate);
    lblRefusal.SetCaption(refusal);
    lblRefusal.SetVisible(!refusal.empty());
    for (ui::Control* c : std::initializer_list<ui::Control*>{&lblPassStrength, &ShapePass, &lblStrength, &lblEntropy, &lblBits})
        c->SetVisible(refusal.empty());
    CmdUse.SetEnabled(refusal.empty());
    if (!refusal.empty()) return;
    ShowStrength(candidate, lblStrength, ShapePass);
    lblBits.SetCaption(gen::BitsText(bits));
}

void FrmGenerate::CmdUse_Click() {
    const std::string chosen = TxtPassword.Text();
    if (chosen.empty()) return;
    saveChoices();
    if (Use) Use(chosen);
    Unload();
}

// ---- The choices, kept per user ---------------------------------------------

namespace {
constexpr const char* kOptionNames[] = {"GenMode",    "GenLength", "GenUpper",     "GenLower",      "GenDigits", "GenSymbols",
                                        "GenNoLookAlikes", "GenWords", "GenSeparator", "GenCapitalise", "GenDigit"};
}  // namespace

void FrmGenerate::loadChoices() {
    loading_ = true;
    const auto get = [&](int i, const std::string& fallback) { return app_.Options.Get(kOptionNames[i], fallback); };
    const auto check = [&](ui::CheckBox& box, int i, bool fallback) {
        box.SetValue(get(i, fallback ? "1" : "0") == "1" ? ui::CheckBox::Checked : ui::CheckBox::Unchecked);
    };
    CbMode.SetListIndex(get(0, "0") == "1" ? kPhrase : kCharacters);
    // A stored number out of its range (a damaged row) gives the default.
    const int length = numberIn(get(1, ""));
    TxtLength.SetText(std::to_string(length >= gen::kMinLength && length <= gen::kMaxLength ? length : gen::kDefaultLength));
    check(ChkUpper, 2, true);
    check(ChkLower, 3, true);
    check(ChkDigits, 4, true);
    check(ChkSymbols, 5, true);
    check(ChkNoLookAlikes, 6, false);
    const int words = numberIn(get(7, ""));
    TxtWords.SetText(std::to_string(words >= gen::kMinWords && words <= gen::kMaxWords ? words : gen::kDefaultWords));
    TxtSeparator.SetText(get(8, "-").substr(0, 3));
    check(ChkCapitalise, 9, false);
    check(ChkDigit, 10, false);
    loading_ = false;
}

void FrmGenerate::saveChoices() {
    const auto set = [&](int i, const std::string& value) { app_.Options.Set(kOptionNames[i], value); };
    const auto bit = [](const ui::CheckBox& box) { return std::string(ticked(box) ? "1" : "0"); };
    set(0, CbMode.ListIndex() == kPhrase ? "1" : "0");
    set(1, std::to_string(numberIn(TxtLength.Text())));
    set(2, bit(ChkUpper));
    set(3, bit(ChkLower));
    set(4, bit(ChkDigits));
    set(5, bit(ChkSymbols));
    set(6, bit(ChkNoLookAlikes));
    set(7, std::to_string(numberIn(TxtWords.Text())));
    set(8, TxtSeparator.Text());
    set(9, bit(ChkCapitalise));
    set(10, bit(ChkDigit));
}

}  // namespace qm::forms
