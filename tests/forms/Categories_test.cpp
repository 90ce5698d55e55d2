// The category page of the settings: adding, renaming and deleting a user's
// categories, the reserved ones, and what the main window shows afterwards.
#include <gtest/gtest.h>

#include "forms/FrmSetting.h"
#include "store/TextRules.h"
#include "support/app_fixture.h"

using qm::forms::FrmMain;
using qm::forms::FrmSetting;

namespace {

class CategoryTest : public qm::test::AppTest {
protected:
    void settings(std::function<void(FrmSetting&)> script) {
        host.OnModal<FrmSetting>("FrmSetting", [script](FrmSetting& f) {
            f.SelectPage(3);
            script(f);
        });
        forms->Main().CmdSet.RaiseClick();
    }
    static void select(FrmSetting& f, const std::string& name) {
        const auto& items = f.ListAccountType.Items();
        const auto it = std::find(items.begin(), items.end(), name);
        ASSERT_NE(it, items.end()) << name;
        f.ListAccountType.UserSelect(static_cast<int>(it - items.begin()));
    }
    static void add(FrmSetting& f, const std::string& name) {
        f.CmdAddType.RaiseClick();
        f.TxtAccountType.SetText(name);
        f.CmdSaveType.RaiseClick();
    }
    static void rename(FrmSetting& f, const std::string& from, const std::string& to) {
        select(f, from);
        f.CmdEditType.RaiseClick();
        f.TxtAccountType.SetText(to);
        f.CmdSaveType.RaiseClick();
    }
    static bool entering(FrmSetting& f) { return !f.TxtAccountType.Locked(); }

    // The categories of `user` in the data file, in the order they were made.
    std::vector<std::string> categoriesOf(const std::string& user) {
        qm::store::Recordset rs;
        rs.Open("select * from AccountType where UserName = '" + user + "'", app->DbConn);
        std::vector<std::string> names;
        for (; !rs.Eof(); rs.MoveNext()) names.push_back(rs["TypeName"].Text());
        return names;
    }
    // "user/category/account" of every account in the data file.
    std::vector<std::string> accounts() {
        qm::store::Recordset rs;
        rs.Open("select * from AccountData", app->DbConn);
        std::vector<std::string> all;
        for (; !rs.Eof(); rs.MoveNext())
            all.push_back(rs["UserName"].Text() + "/" + rs["TypeName"].Text() + "/" + rs["AccountName"].Text());
        std::sort(all.begin(), all.end());
        return all;
    }
    std::vector<std::string> tree() {
        std::vector<std::string> names;
        for (const auto& node : forms->Main().TreeViewType.Nodes()) names.push_back(node.Text);
        return names;
    }
    // A second user, bob, with a category and an account of the same names as amy's.
    void bobAlsoHas(const std::string& category, const std::string& account) {
        app->DbConn.Execute("insert into AccountType (UserName, TypeName, icoIndex) values ('bob', '" +
                            qm::store::esc(category) + "', 11)");
        app->DbConn.Execute("insert into AccountData (UserName, TypeName, AccountName) values ('bob', '" +
                            qm::store::esc(category) + "', '" + account + "')");
    }
};

}  // namespace

TEST_F(CategoryTest, AddingAppendsANewNameAndRefusesEmptyAndTakenOnes) {
    FrmMain& main = logIn("amy");
    settings([&](FrmSetting& f) {
        EXPECT_TRUE(f.TxtAccountType.Locked());
        EXPECT_FALSE(f.CmdSaveType.Enabled());
        EXPECT_FALSE(f.CmdCancelType.Enabled());

        f.CmdAddType.RaiseClick();
        EXPECT_EQ(f.TypeEditMode, "add");
        EXPECT_TRUE(entering(f));
        EXPECT_FALSE(f.ListAccountType.Enabled());
        EXPECT_FALSE(f.CmdAddType.Enabled());
        EXPECT_FALSE(f.CmdEditType.Enabled());
        EXPECT_FALSE(f.CmdDeleteType.Enabled());
        EXPECT_TRUE(f.CmdSaveType.Enabled());
        EXPECT_EQ(f.ActiveControl(), &f.TxtAccountType);
        EXPECT_TRUE(f.CmdSaveType.Default()) << "Enter saves the name, not the whole dialog";
        EXPECT_FALSE(f.CmdOK.Default());
        EXPECT_TRUE(f.CmdCancelType.Cancel);
        EXPECT_FALSE(f.CmdCancel.Cancel);

        f.TxtAccountType.SetText("工作帐号");
        f.CmdSaveType.RaiseClick();
        EXPECT_EQ(f.ListAccountType.List(f.ListAccountType.ListCount() - 1), "工作帐号");
        EXPECT_EQ(app->ReloadMark, "工作帐号");
        EXPECT_FALSE(entering(f));
        EXPECT_EQ(f.TxtAccountType.Text(), "");
        EXPECT_TRUE(f.ListAccountType.Enabled());
        EXPECT_TRUE(f.CmdOK.Default());
        EXPECT_TRUE(f.CmdCancel.Cancel);
        EXPECT_TRUE(boxTexts().empty());

        for (const char* taken : {"工作帐号", "", "   ", "其它"}) {
            add(f, taken);
            EXPECT_TRUE(entering(f)) << "still entering after \"" << taken << "\"";
            f.CmdCancelType.RaiseClick();
        }
        EXPECT_EQ(boxTexts(), std::vector<std::string>(4, "该分类已存在,请重新输入!"));
        EXPECT_EQ(host.os.boxes.back().style, qm::platform::vbInformation);
        EXPECT_EQ(host.os.boxes.back().title, "提示");
        EXPECT_EQ(f.ListAccountType.ListCount(), 10);
    });
    EXPECT_EQ(categoriesOf("amy").back(), "工作帐号");
    qm::store::Recordset rs;
    rs.Open("select * from AccountType where TypeName = '工作帐号'", app->DbConn);
    EXPECT_EQ(rs["icoIndex"].Get(), qm::store::Value(11));
    EXPECT_EQ(tree().back(), "工作帐号") << "the tree is rebuilt though the dialog was only closed";
    EXPECT_EQ(main.TreeViewType.Nodes().back().Image, 11);
}

TEST_F(CategoryTest, NamesDifferingOnlyInLetterCaseAreOneName) {
    logIn("amy");
    settings([&](FrmSetting& f) {
        add(f, "Work");
        for (const char* same : {"work", "WORK", "ftp帐号"}) {
            add(f, same);
            f.CmdCancelType.RaiseClick();
        }
        EXPECT_EQ(boxTexts(), std::vector<std::string>(3, "该分类已存在,请重新输入!"));
        add(f, "Home");
        host.os.boxes.clear();
        rename(f, "Home", "WORK");
        EXPECT_EQ(boxTexts(), std::vector<std::string>{"该分类已存在,请重新输入!"});
        f.CmdCancelType.RaiseClick();
        rename(f, "Home", "Home");
        EXPECT_EQ(boxTexts().size(), 2u) << "an unchanged name is refused";
        f.TxtAccountType.SetText("HOME");
        f.CmdSaveType.RaiseClick();
        EXPECT_EQ(boxTexts().size(), 2u) << "a category may change its own letter case";
    });
    const auto names = categoriesOf("amy");
    EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()), (std::vector<std::string>{"Work", "HOME"}));
}

TEST_F(CategoryTest, ReservedNamesAndAnyPartOfThemCanBeNeitherRenamedNorDeleted) {
    logIn("amy");
    settings([&](FrmSetting& f) {
        add(f, "帐号");
        add(f, "FTP");
        for (const char* name : {"邮箱帐号", "其它", "帐号", "FTP"}) {
            host.os.boxes.clear();
            select(f, name);
            f.CmdEditType.RaiseClick();
            EXPECT_FALSE(entering(f)) << name;
            f.CmdDeleteType.RaiseClick();
            EXPECT_EQ(boxTexts(), (std::vector<std::string>{"系统保留分类,不能修改!", "系统保留分类,不能删除!"})) << name;
        }
        // With no entry selected there is nothing to change either.
        f.ListAccountType.SetListIndex(-1);
        host.os.boxes.clear();
        f.CmdEditType.RaiseClick();
        f.CmdDeleteType.RaiseClick();
        EXPECT_EQ(boxTexts(), (std::vector<std::string>{"系统保留分类,不能修改!", "系统保留分类,不能删除!"}));
    });
    EXPECT_EQ(categoriesOf("amy").size(), 11u);
}

TEST_F(CategoryTest, RenamingMovesOnlyThisUsersAccountsOfThatCategory) {
    FrmMain& main = logIn("amy");
    addAccount("工作", "mail", "amy", "p");
    addAccount("工作", "Tom's", "amy", "p");
    addAccount("其它", "forum", "amy", "p");
    bobAlsoHas("工作", "bobs");
    main.TreeViewType.UserClickNode(static_cast<int>(tree().size()) - 1);  // 工作
    settings([&](FrmSetting& f) {
        rename(f, "工作", "项目's");
        EXPECT_TRUE(boxTexts().empty());
        EXPECT_EQ(f.ListAccountType.List(9), "项目's");
        EXPECT_EQ(app->ReloadMark, "项目's");
        EXPECT_EQ(app->RsType.Filter(), "") << "the category record set shows all again";
        f.CmdCancel.RaiseClick();
    });
    EXPECT_EQ(accounts(), (std::vector<std::string>{"amy/其它/forum", "amy/项目's/Tom's", "amy/项目's/mail", "bob/工作/bobs"}));
    EXPECT_EQ(categoriesOf("bob"), std::vector<std::string>{"工作"});
    EXPECT_EQ(tree().back(), "项目's");
    EXPECT_EQ(main.ListViewUser.Count(), 3u) << "the tree was rebuilt with the root selected";
}

TEST_F(CategoryTest, DeletingAsksThenRemovesTheCategoryAndOnlyThisUsersAccountsInIt) {
    logIn("amy");
    addAccount("工作", "mail", "amy", "p");
    addAccount("旧", "old", "amy", "p");
    addAccount("其它", "forum", "amy", "p");
    bobAlsoHas("旧", "bobs");
    settings([&](FrmSetting& f) {
        select(f, "旧");
        host.os.answers = {qm::platform::vbNo};
        f.CmdDeleteType.RaiseClick();
        EXPECT_EQ(boxTexts(), std::vector<std::string>{"是否删除“旧”分类和“旧”分类下所有数据?"});
        EXPECT_EQ(host.os.boxes.back().style, qm::platform::vbYesNo | qm::platform::vbQuestion);
        EXPECT_EQ(host.os.boxes.back().title, "提示");
        EXPECT_EQ(f.ListAccountType.ListCount(), 11);
        EXPECT_EQ(app->ReloadMark, "");

        select(f, "工作");
        f.CmdDeleteType.RaiseClick();  // Yes
        EXPECT_EQ(f.ListAccountType.ListCount(), 10);
        EXPECT_EQ(f.ListAccountType.List(f.ListAccountType.ListIndex()), "旧") << "the next entry takes the place of the deleted one";
        EXPECT_EQ(app->ReloadMark, "delete");
        f.CmdDeleteType.RaiseClick();
        EXPECT_EQ(f.ListAccountType.ListIndex(), 8) << "after the last entry, the one before it";
    });
    EXPECT_EQ(accounts(), (std::vector<std::string>{"amy/其它/forum", "bob/旧/bobs"}));
    EXPECT_EQ(categoriesOf("bob"), std::vector<std::string>{"旧"});
    EXPECT_EQ(tree().size(), 10u);
    EXPECT_EQ(forms->Main().ListViewUser.Count(), 1u);
}

TEST_F(CategoryTest, AnOlderFileHoldingBothSpellingsLosesNothing) {
    logIn("amy");
    addAccount("QQ", "big", "amy", "p");
    // Written before names were compared ignoring letter case.
    app->DbConn.Execute("insert into AccountType (UserName, TypeName, icoIndex) values ('amy', 'qq', 11)");
    app->DbConn.Execute("insert into AccountData (UserName, TypeName, AccountName) values ('amy', 'qq', 'small')");
    settings([&](FrmSetting& f) {
        select(f, "qq");
        f.CmdDeleteType.RaiseClick();
        EXPECT_EQ(f.ListAccountType.Items().back(), "QQ");
    });
    EXPECT_EQ(accounts(), std::vector<std::string>{"amy/QQ/big"});
    EXPECT_EQ(categoriesOf("amy").back(), "QQ");

    app->DbConn.Execute("insert into AccountType (UserName, TypeName, icoIndex) values ('amy', 'qq', 11)");
    app->DbConn.Execute("insert into AccountData (UserName, TypeName, AccountName) values ('amy', 'qq', 'small')");
    settings([&](FrmSetting& f) { rename(f, "qq", "little"); });
    EXPECT_EQ(accounts(), (std::vector<std::string>{"amy/QQ/big", "amy/little/small"}));
    const auto names = categoriesOf("amy");
    EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()), (std::vector<std::string>{"QQ", "little"}));
}

TEST_F(CategoryTest, CancellingAnEntryWritesNothing) {
    logIn("amy");
    settings([&](FrmSetting& f) {
        f.CmdAddType.RaiseClick();
        f.TxtAccountType.SetText("draft");
        f.CmdCancelType.RaiseClick();
        EXPECT_EQ(f.TypeEditMode, "");
        EXPECT_FALSE(entering(f));
        EXPECT_EQ(f.TxtAccountType.Text(), "");
        EXPECT_EQ(f.ActiveControl(), &f.ListAccountType);
        add(f, "kept");
        select(f, "kept");
        f.CmdEditType.RaiseClick();
        EXPECT_EQ(f.TxtAccountType.Text(), "kept");
        f.TxtAccountType.SetText("renamed?");
        f.CmdCancelType.RaiseClick();
        EXPECT_EQ(f.ListAccountType.Items().back(), "kept");
    });
    EXPECT_EQ(categoriesOf("amy").back(), "kept");
    EXPECT_EQ(categoriesOf("amy").size(), 10u);
}

TEST_F(CategoryTest, ARenameOrDeletionThatFailsHalfwayChangesNothing) {
    logIn("amy");
    addAccount("工作", "mail", "amy", "p");
    // The accounts refuse to change after the category row has changed.
    app->DbConn.Execute("create trigger refuse before update on AccountData begin select raise(abort, 'refused'); end");
    app->DbConn.Execute("create trigger keep before delete on AccountData begin select raise(abort, 'refused'); end");
    settings([&](FrmSetting& f) {
        host.RunEvent([&] { rename(f, "工作", "项目"); });
        EXPECT_EQ(f.ListAccountType.List(9), "工作") << "the list shows what the file holds";
        f.CmdCancelType.RaiseClick();
        select(f, "工作");
        host.RunEvent([&] { f.CmdDeleteType.RaiseClick(); });
        EXPECT_EQ(f.ListAccountType.ListCount(), 10);
    });
    ASSERT_EQ(host.os.boxes.size(), 3u);  // the failed rename, the question, the failed deletion
    EXPECT_NE(host.os.boxes[0].text.find("refused"), std::string::npos);
    EXPECT_EQ(categoriesOf("amy").back(), "工作");
    EXPECT_EQ(accounts(), std::vector<std::string>{"amy/工作/mail"});
    EXPECT_EQ(app->RsType.Filter(), "");
    app->RsType.MoveLast();
    EXPECT_EQ(app->RsType["TypeName"].Text(), "工作") << "the category record set holds what the file holds";
}
