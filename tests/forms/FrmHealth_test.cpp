// The health check dialog over a book entered through the record dialog:
// its bars, its list and its filters, and fixing an account from it.
#include "forms/FrmHealth.h"

#include <gtest/gtest.h>

#include "forms/FrmTool.h"
#include "support/app_fixture.h"

using qm::forms::FrmData;
using qm::forms::FrmHealth;
using qm::forms::FrmTool;
using Rows = std::vector<std::string>;

namespace {

class HealthTest : public qm::test::AppTest {
protected:
    void SetUp() override {
        logIn("amy", "secret1");
        addAccount("邮箱帐号", "mail", "amy", "Blue#Sky2024", "http://mail.example");
        addAccount("论坛帐号", "forum", "amy", "Blue#Sky2024");
        addAccount("游戏帐号", "game", "amy", "blue#sky2024");    // another case: another password
        addAccount("银行帐号", "bank", "amy", "Blue#Sky2024 ");   // a trailing space: another password
        addAccount("其它", "old", "amy", "abcdef");
        addAccount("其它", "same", "amy", "secret1");
    }
    // Opens the check from the tools dialog and plays the user in it.
    void inHealth(std::function<void(FrmHealth&)> script) {
        host.OnModal<FrmTool>("FrmTool", [](FrmTool& t) { t.CmdHealth.RaiseClick(); });
        host.OnModal<FrmHealth>("FrmHealth", std::move(script));
        forms->Main().CmdTool.RaiseClick();
    }
    static Rows rows(const FrmHealth& h) {
        Rows out;
        for (size_t i = 0; i < h.ListViewHealth.Count(); ++i) {
            const qm::ui::ListItem item = h.ListViewHealth.Item(i);
            out.push_back(item.Text + "|" + item.SubItems[0] + "|" + item.SubItems[1] + "|" + item.SubItems[2]);
        }
        return out;
    }
    static Rows bars(const FrmHealth& h) {
        Rows out;
        for (const auto& b : h.Bars)
            if (b->Name.Visible()) out.push_back(b->Name.Caption() + " " + b->Count.Caption() + (b->Fill.Visible() ? " #" : ""));
        return out;
    }
};

const char* const kReused = "重复使用(第 1 组,2 个帐号使用同一密码)";

}  // namespace

TEST_F(HealthTest, BarsAndListShowEveryFindingAndABarClickNarrowsTheList) {
    inHealth([&](FrmHealth& h) {
        EXPECT_EQ(h.Caption(), "密码体检");
        EXPECT_EQ(h.lblHealth.Caption(), "健康 33%");  // game and bank of six
        EXPECT_EQ(bars(h), (Rows{"弱密码 1 #", "重复使用 2 #", "与登录密码相同 1 #", "不安全网址 1 #", "过短 2 #", "长期未改 0"}));
        EXPECT_EQ(rows(h), (Rows{"其它|old|amy|弱密码", std::string("论坛帐号|forum|amy|") + kReused,
                                 std::string("邮箱帐号|mail|amy|") + kReused, "其它|same|amy|与登录密码相同",
                                 "邮箱帐号|mail|amy|不安全网址", "其它|old|amy|过短", "其它|same|amy|过短"}));
        h.Bars[4]->Fill.RaiseClick();
        EXPECT_EQ(rows(h), (Rows{"其它|old|amy|过短", "其它|same|amy|过短"}));
        h.Bars[2]->Name.RaiseClick();
        EXPECT_EQ(rows(h), (Rows{"其它|same|amy|与登录密码相同"}));
        h.lblAll.RaiseClick();
        EXPECT_EQ(h.ListViewHealth.Count(), 7u);
    });
}

TEST_F(HealthTest, DoubleClickEditsTheAccountAndTheReportFollows) {
    std::string caption, shownPassword;
    host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
        caption = d.Caption();
        shownPassword = d.TxtAccountPassword.Text();
        d.TxtAccountPassword.SetText("Green!Tea77x");
        d.CmdSave.RaiseClick();
    });
    inHealth([&](FrmHealth& h) {
        h.Bars[1]->Fill.RaiseClick();
        h.ListViewHealth.Select(0);  // forum
        h.ListViewHealth.RaiseDblClick();
        EXPECT_EQ(caption, "修改资料");
        EXPECT_EQ(shownPassword, "Blue#Sky2024");
        EXPECT_EQ(h.ShownProblem(), 1) << "the list stays on the finding it showed";
        EXPECT_EQ(rows(h), Rows{}) << "mail alone has that password now";
        EXPECT_EQ(h.lblHealth.Caption(), "健康 50%");
        EXPECT_EQ(bars(h)[1], "重复使用 0");

        // An account gone meanwhile is said to be gone, and the report drops it.
        h.Bars[0]->Fill.RaiseClick();
        app->DbConn.Execute("delete from AccountData where AccountName = 'old'");
        h.ListViewHealth.RaiseDblClick();
        EXPECT_EQ(boxTexts(), Rows{"该帐号已不存在!"});
        EXPECT_EQ(rows(h), Rows{});

        // A password that does not open is a finding of its own, shown only then.
        app->DbConn.Execute("update AccountData set AccountPassword = '\xC2\x81" "1x' where AccountName = 'game'");
        h.Refresh();
        EXPECT_EQ(bars(h).back(), "无法解密 1 #");
    });
    EXPECT_EQ(app->RecordMode, "edit");
    const auto& list = forms->Main().ListViewUser;
    ASSERT_EQ(list.Count(), 5u) << "the main window shows the book as it now stands";
    for (size_t i = 0; i < list.Count(); ++i)
        if (list.Item(i).SubItems[0] == "forum")
            EXPECT_EQ(app->Secrets.Open(qm::vault::Field::AccountPassword, list.Item(i).Tag, list.Item(i).Key)->str(), "Green!Tea77x");
}

// A screen too short for the dialog takes the room from the list: the close
// button stays under it and inside the client area, the list keeps a few rows.
TEST_F(HealthTest, AShortClientAreaTakesTheRoomFromTheList) {
    inHealth([&](FrmHealth& h) {
        const struct {
            int height, list;
        } rows[] = {{7560, 3660}, {7000, 3100}, {6900, 3000}, {3000, 1500}};
        for (const auto& row : rows) {
            SCOPED_TRACE(row.height);
            h.ClientSized(9120, row.height);
            EXPECT_EQ(h.ListViewHealth.Height(), row.list);
            EXPECT_EQ(h.CmdClose.Top() - (h.ListViewHealth.Top() + h.ListViewHealth.Height()), 120);
            if (row.list > 1500) EXPECT_EQ(h.CmdClose.Top() + h.CmdClose.Height(), row.height - 600);
        }
    });
}
