#include "forms/FrmData.h"

#include <gtest/gtest.h>

#include "forms/FrmMain.h"
#include "store/TextRules.h"
#include "support/app_fixture.h"

using qm::forms::FrmData;
using qm::forms::FrmMain;

namespace {

class DataTest : public qm::test::AppTest {
protected:
    // Opens the record dialog in "add" mode and lets `script` act in it.
    void add(std::function<void(FrmData&)> script) {
        host.OnModal<FrmData>("FrmData", script);
        forms->Main().CmdAdd.RaiseClick();
    }
    qm::store::Recordset& stored(const std::string& name) {
        rs.Open("select * from AccountData where AccountName = '" + qm::store::esc(name) + "'", app->DbConn);
        return rs;
    }
    qm::store::Recordset rs;
};

}  // namespace

TEST_F(DataTest, ChecksRunInOrderAndKeepTheDialogOpen) {
    logIn("amy");
    std::vector<std::string> focus;
    add([&](FrmData& d) {
        EXPECT_EQ(d.Caption(), "添加资料");
        EXPECT_EQ(d.TxtURL.Text(), "http://");
        d.CbAccountType.SetText("");
        d.CmdSave.RaiseClick();
        focus.push_back(d.ActiveControl()->Name());
        d.CbAccountType.SetText("其它");
        d.CmdSave.RaiseClick();
        focus.push_back(d.ActiveControl()->Name());
        d.TxtAccountName.SetText("Bob's");
        d.TxtAccountID.SetText("bob");
        d.CmdSave.RaiseClick();  // no password: the focus goes to the empty box
        focus.push_back(d.ActiveControl()->Name());
        d.TxtAccountID.SetText("");
        d.TxtAccountPassword.SetText("pw");
        d.CmdSave.RaiseClick();
        focus.push_back(d.ActiveControl()->Name());
        d.TxtAccountID.SetText("bob");
        d.TxtRegDate.SetText("abc");
        d.CmdSave.RaiseClick();
        focus.push_back(d.ActiveControl()->Name());
        d.TxtRegDate.SetText("2008/3/5");
        d.CmdSave.RaiseClick();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"请输入或选择帐号分类!", "请输入帐号名称!", "请输入用户名或密码!",
                                                    "请输入用户名或密码!", "注册日期格式错误,请重新输入!"}));
    EXPECT_EQ(focus, (std::vector<std::string>{"CbAccountType", "TxtAccountName", "TxtAccountPassword", "TxtAccountID",
                                               "TxtRegDate"}));
    auto& row = stored("Bob's");
    ASSERT_FALSE(row.Eof());
    EXPECT_EQ(row["RegDate"].Text(), "2008-03-05");
    EXPECT_EQ(row["URL"].Text(), "") << "\"http://\" alone is stored empty";
    EXPECT_EQ(row["AccountPY"].Text(), "BOB'S");
    EXPECT_EQ(app->Cipher.DecryptString(row["AccountPassword"].Text(), qm::crypto::kAccountPasswordKey), "pw");
}

TEST_F(DataTest, DatesInTheFormsUsersTypeAreStoredIso) {
    logIn("amy");
    const std::pair<const char*, const char*> cases[] = {
        {"2008-3-5", "2008-03-05"}, {"2008.3.5", "2008-03-05"}, {"2008年3月5日", "2008-03-05"}, {"2008-03-05", "2008-03-05"}};
    int n = 0;
    for (const auto& [typed, iso] : cases) addAccount("其它", "acc" + std::to_string(++n), "u", "p", "http://", typed);
    for (int i = 1; i <= n; ++i) EXPECT_EQ(stored("acc" + std::to_string(i))["RegDate"].Text(), "2008-03-05");
    add([](FrmData& d) {
        d.CbAccountType.SetText("其它");
        d.TxtAccountName.SetText("bad");
        d.TxtAccountID.SetText("u");
        d.TxtAccountPassword.SetText("p");
        d.TxtRegDate.SetText("2008-2-30");
        d.CmdSave.RaiseClick();
    });
    EXPECT_EQ(boxTexts().back(), "注册日期格式错误,请重新输入!");
}

TEST_F(DataTest, DuplicatesAreRefusedButANewCategoryStays) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "mail", "amy", "p1");
    addAccount("新分类", "mail", "amy", "p1");  // another category: not a duplicate
    host.os.boxes.clear();
    addAccount("再一个", "x", "y", "p");
    addAccount("再一个", "x", "y", "p");  // the same triple again
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"该帐号已存在,请重新输入!"});
    host.os.boxes.clear();

    // A typed category is added before the duplicate test, and stays.
    main.TreeViewType.UserClickNode(0);
    add([](FrmData& d) {
        d.CbAccountType.SetText("其它");
        d.TxtAccountName.SetText("mail");
        d.TxtAccountID.SetText("amy");
        d.TxtAccountPassword.SetText("p");
        d.CmdSave.RaiseClick();  // a duplicate in a known category
        d.CbAccountType.SetText("全新");
        d.CmdSave.RaiseClick();  // a new category: added, and the save goes through
    });
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"该帐号已存在,请重新输入!"});
    qm::store::Recordset types;
    types.Open("select * from AccountType where TypeName = '全新'", app->DbConn);
    ASSERT_FALSE(types.Eof());
    EXPECT_EQ(types["icoIndex"].Int(), 11);
}

TEST_F(DataTest, EditSavesChangesButNotOntoAnotherAccount) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "first", "u1", "p1");
    addAccount("其它", "second", "u2", "p2");
    main.ListViewUser.Select(0);
    host.OnModal<FrmData>("FrmData", [](FrmData& d) {
        EXPECT_EQ(d.Caption(), "修改资料");
        EXPECT_EQ(d.TxtAccountPassword.Text(), "p1");
        d.TxtAccountPassword.SetText("new password");
        d.TxtRemarks.SetText("备注");
        d.CmdSave.RaiseClick();
    });
    main.CmdEdit.RaiseClick();
    EXPECT_TRUE(boxTexts().empty());
    EXPECT_EQ(stored("first")["Remarks"].Text(), "备注");

    main.ListViewUser.Select(0);
    host.OnModal<FrmData>("FrmData", [](FrmData& d) {
        d.TxtAccountName.SetText("second");
        d.TxtAccountID.SetText("u2");
        d.CmdSave.RaiseClick();
    });
    main.CmdEdit.RaiseClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"该帐号已存在,请重新输入!"});
}

TEST_F(DataTest, LookShowsReadOnlyThenEditSavesAndTheListShowsIt) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "网站", "me", "pw", "http://example.com");
    main.ListViewUser.Select(0);
    host.OnModal<FrmData>("FrmData", [this](FrmData& d) {
        EXPECT_EQ(d.Caption(), "查看资料");
        EXPECT_TRUE(d.TxtAccountName.Locked());
        EXPECT_FALSE(d.CmdSave.Enabled());
        EXPECT_TRUE(d.CmdEdit.Visible());
        EXPECT_TRUE(d.lblOpenURL.Enabled());
        EXPECT_EQ(d.TxtAccountPassword.PasswordChar(), '*');
        d.lblOther4_Click();  // the star shows the password
        EXPECT_EQ(d.TxtAccountPassword.PasswordChar(), 0);
        EXPECT_EQ(d.TxtAccountPassword.ToolTipText(), "点击旁边星号隐藏密码");
        d.TxtAccountPassword_DblClick();
        EXPECT_EQ(host.os.clipboard, "pw");
        d.lblOpenURL_Click();
        d.CmdEdit.RaiseClick();
        EXPECT_EQ(app->RecordMode, "edit");
        EXPECT_FALSE(d.TxtAccountName.Locked());
        EXPECT_TRUE(d.CmdSave.Enabled());
        d.lblOther4_Click();  // no longer a switch outside "look"
        d.TxtAccountPassword_DblClick();  // nor a copy
        d.TxtAccountID.SetText("me2");
        d.CmdSave.RaiseClick();
    });
    main.ListViewUser.RaiseDblClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"密码已复制到系统剪贴板!"});
    EXPECT_EQ(host.os.opened, std::vector<std::string>{"http://example.com"});
    ASSERT_EQ(main.ListViewUser.Count(), 1u);
    EXPECT_EQ(main.ListViewUser.Item(0).SubItems[1], "me2") << "the list shows the saved record";
}

TEST_F(DataTest, StrengthMeterAndTodaysDate) {
    logIn("amy");
    add([](FrmData& d) {
        d.TxtAccountPassword.SetText("abc");
        EXPECT_EQ(d.lblStrength.Caption(), "弱");
        d.TxtAccountPassword.SetText("abcdef12!");
        EXPECT_EQ(d.lblStrength.Caption(), "强");
        d.TxtAccountPassword.SetText("______");
        EXPECT_EQ(d.lblStrength.Caption(), "强") << "six underscores leave the meter as it was";
        d.lblNowData_Click();
        EXPECT_EQ(d.TxtRegDate.Text(), "2026-12-07");
    });
}

TEST_F(DataTest, ACategoryTypedInAnotherCaseIsThatOneAndAnOlderFilesPairKeepTheirAccounts) {
    FrmMain& main = logIn("amy");
    addAccount("QQ", "big", "u1", "p1");
    addAccount("qq", "small", "u2", "p2");  // typed while "QQ" is in the list: that category
    EXPECT_EQ(stored("small")["TypeName"].Text(), "QQ");
    const auto added = [&] {
        qm::store::Recordset types;
        types.Open("select * from AccountType where icoIndex = 11", app->DbConn);
        std::vector<std::string> names;
        for (; !types.Eof(); types.MoveNext()) names.push_back(types["TypeName"].Text());
        return names;
    };
    EXPECT_EQ(added(), (std::vector<std::string>{"QQ"})) << "no second category";

    // An older file holds both spellings, each a category of its own.
    app->DbConn.Execute("insert into AccountType (UserName, TypeName, icoIndex) values ('amy', 'qq', 11)");
    app->DbConn.Execute("update AccountData set TypeName = 'qq' where AccountName = 'small'");
    ASSERT_EQ(added(), (std::vector<std::string>{"QQ", "qq"}));
    app->ReloadMark = "older file";
    main.IsAddType();
    main.RequeryData();

    int small = -1;
    for (size_t i = 0; i < main.ListViewUser.Count(); ++i)
        if (main.ListViewUser.Item(i).SubItems[0] == "small") small = static_cast<int>(i);
    ASSERT_GE(small, 0);
    main.ListViewUser.Select(small);
    std::string shown;
    host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
        shown = d.CbAccountType.Text();
        EXPECT_EQ(d.CbAccountType.ListIndex(), d.CbAccountType.ListCount() - 1) << "the item \"qq\" itself";
        d.CmdEdit.RaiseClick();
        EXPECT_EQ(d.CbAccountType.Text(), "qq");
        d.TxtRemarks.SetText("edited");
        d.CmdSave.RaiseClick();
    });
    main.CmdLook.RaiseClick();
    EXPECT_EQ(shown, "qq");
    auto& row = stored("small");
    EXPECT_EQ(row["TypeName"].Text(), "qq") << "saving keeps the account in its own category";
    EXPECT_EQ(row["Remarks"].Text(), "edited");
}

TEST_F(DataTest, EditIntoAnAccountThatDiffersInOneKeyFieldIsRefused) {
    FrmMain& main = logIn("amy");
    addAccount("其它", "mail", "u1", "p");
    addAccount("邮箱帐号", "mail", "u1", "p");  // only the category differs
    addAccount("其它", "post", "u1", "p");      // only the account name
    addAccount("其它", "mail", "u2", "p");      // only the user name
    main.ListViewUser.Select(0);
    std::vector<std::string> focus;
    host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
        const auto attempt = [&](const char* type, const char* name, const char* id) {
            d.CbAccountType.SetText(type);
            d.TxtAccountName.SetText(name);
            d.TxtAccountID.SetText(id);
            d.CmdSave.RaiseClick();
            EXPECT_TRUE(d.IsLoaded()) << type << name << id;
        };
        attempt("邮箱帐号", "mail", "u1");
        attempt("其它", "post", "u1");
        attempt("其它", "mail", "u2");
        d.CmdCancel.RaiseClick();
    });
    main.CmdEdit.RaiseClick();
    EXPECT_EQ(boxTexts(), std::vector<std::string>(3, "该帐号已存在,请重新输入!"));
    qm::store::Recordset all;
    all.Open("select * from AccountData where TypeName = '其它' and AccountName = 'mail' and AccountID = 'u1'", app->DbConn);
    EXPECT_EQ(all.RecordCount(), 1u) << "the edited account is as it was";
}
