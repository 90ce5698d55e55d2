#include "forms/FrmGenerate.h"

#include <gtest/gtest.h>

#include <random>

#include "forms/FrmData.h"
#include "support/app_fixture.h"

using qm::forms::FrmData;
using qm::forms::FrmGenerate;

namespace {

class GenerateTest : public qm::test::AppTest {
protected:
    GenerateTest() : random([this](uint8_t* b, size_t n) {
        for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(engine());
    }) {}
    void SetUp() override { app->Random = &random; }
    // Opens the generator from the record dialog in "add" mode; `script` acts
    // in it; what the password box then holds is returned.
    std::string generate(std::function<void(FrmGenerate&)> script, const std::string& typed = "typed") {
        std::string taken;
        host.OnModal<FrmGenerate>("FrmGenerate", script);
        host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
            EXPECT_TRUE(d.CmdGenerate.Visible());
            d.TxtAccountPassword.SetText(typed);
            d.CmdGenerate.RaiseClick();
            taken = d.TxtAccountPassword.Text();
            EXPECT_EQ(d.lblStrength.Caption(), taken.size() >= 16 ? "强" : "弱");
            d.CmdCancel.RaiseClick();
        });
        forms->Main().CmdAdd.RaiseClick();
        return taken;
    }
    std::mt19937 engine{11};
    qm::gen::BytesRandom random;
};

}  // namespace

TEST_F(GenerateTest, UseTakesTheCandidateAndTheChoicesAreKept) {
    logIn("amy");
    std::string shown;
    EXPECT_EQ(generate([&](FrmGenerate& g) {
                  EXPECT_EQ(g.TxtLength.Text(), "16");
                  EXPECT_EQ(g.lblBits.Caption(), "约 104 位");
                  shown = g.TxtPassword.Text();
                  g.CmdRegenerate.RaiseClick();
                  EXPECT_NE(g.TxtPassword.Text(), shown);
                  g.TxtLength.SetText("3");  // refused in words, and nothing to use
                  EXPECT_EQ(g.lblRefusal.Caption(), "密码长度应在4到128位之间!");
                  EXPECT_EQ(g.TxtPassword.Text(), "");
                  EXPECT_FALSE(g.CmdUse.Enabled());
                  g.TxtLength.SetText("20");
                  g.ChkSymbols.SetValue(0);
                  shown = g.TxtPassword.Text();
                  g.CmdUse.RaiseClick();
              }),
              shown);
    EXPECT_EQ(shown.size(), 20u);
    EXPECT_EQ(shown.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"), std::string::npos);
    // Cancel changes nothing, and the dialog opens as it was left.
    EXPECT_EQ(generate([](FrmGenerate& g) {
                  EXPECT_EQ(g.TxtLength.Text(), "20");
                  EXPECT_EQ(g.ChkSymbols.Value(), 0);
                  g.CmdCancel.RaiseClick();
              }),
              "typed");
    // Another user has his own choices.
    restart();
    app->Random = &random;
    logIn("bob");
    generate([](FrmGenerate& g) {
        EXPECT_EQ(g.TxtLength.Text(), "16");
        g.CmdCancel.RaiseClick();
    });
}

TEST_F(GenerateTest, TheButtonOnlyWhereThePasswordCanChange) {
    logIn("amy");
    addAccount("其它", "论坛", "amy", "pw1");
    host.OnModal<FrmData>("FrmData", [](FrmData& d) {
        EXPECT_FALSE(d.CmdGenerate.Visible());
        d.CmdEdit.RaiseClick();
        EXPECT_TRUE(d.CmdGenerate.Visible());
        d.CmdCancel.RaiseClick();
    });
    forms->Main().ListViewUser.Select(0);
    forms->Main().CmdLook_Click();
}

// What is typed in the number boxes: a whole number in range, spaces around
// it allowed, and nothing else; a refused text leaves nothing to use.
TEST_F(GenerateTest, NumberBoxesTakeOnlyAWholeNumberInRange) {
    const char *length = "密码长度应在4到128位之间!", *words = "单词个数应在4到10之间!";
    const struct {
        bool phrase;
        const char* typed;
        const char* said;  // "" when taken
    } rows[] = {{false, "16a", length}, {false, "a16", length}, {false, "1 6", length}, {false, "", length},
                {false, "-16", length}, {false, "3", length},   {false, "129", length}, {false, " 20 ", ""},
                {false, "128", ""},    {true, "5x", words},     {true, "", words},      {true, "11", words},
                {true, " 4", ""}};
    logIn("amy");
    generate([&](FrmGenerate& g) {
        for (const auto& r : rows) {
            SCOPED_TRACE(std::string(r.phrase ? "words " : "length ") + "'" + r.typed + "'");
            g.CbMode.SetListIndex(r.phrase ? FrmGenerate::kPhrase : FrmGenerate::kCharacters);
            (r.phrase ? g.TxtWords : g.TxtLength).SetText(r.typed);
            const bool taken = !*r.said;
            EXPECT_EQ(g.lblRefusal.Caption(), r.said);
            EXPECT_EQ(g.CmdUse.Enabled(), taken);
            EXPECT_EQ(g.TxtPassword.Text().empty(), !taken);
            if (taken && !r.phrase) {
                EXPECT_EQ(g.TxtPassword.Text().size(), static_cast<size_t>(std::atoi(r.typed)));
            }
        }
        g.CmdCancel.RaiseClick();
    });
}
