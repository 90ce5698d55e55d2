// Errors that escape an event: the user is told what failed, the program
// goes on, nothing half-written waits in the record sets, and the dialog
// keeps what was typed so that saving again works once the cause is gone.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "forms/FrmData.h"
#include "forms/FrmMain.h"
#include "store/StoreError.h"
#include "store/TextRules.h"
#include "support/app_fixture.h"

using qm::forms::FrmData;
using qm::forms::FrmMain;
using qm::store::StoreError;

namespace {

class EventErrorTest : public qm::test::AppTest {
protected:
    // The save button pressed by the user: its event runs through the host.
    void save(FrmData& d) {
        host.RunEvent([&d] { d.CmdSave.RaiseClick(); });
    }
    void type(FrmData& d, const std::string& category, const std::string& name, const std::string& remarks = "") {
        d.CbAccountType.SetText(category);
        d.TxtAccountName.SetText(name);
        d.TxtAccountID.SetText("amy");
        d.TxtAccountPassword.SetText("pw");
        d.TxtRemarks.SetText(remarks);
    }
    bool anythingPending() {
        return app->RsUser.HasPendingChanges() || app->RsType.HasPendingChanges() || app->RsData.HasPendingChanges();
    }
    size_t count(const std::string& sql) {
        qm::store::Recordset rs;
        rs.Open(sql, app->DbConn);
        return rs.RecordCount();
    }
    bool told(const std::string& words) const {
        return !host.os.boxes.empty() && host.os.boxes.back().text.find(words) != std::string::npos;
    }
};

}  // namespace

TEST_F(EventErrorTest, RefusedSaveKeepsTheDialogAndARetryWritesOneRow) {
    FrmMain& main = logIn("amy");
    app->DbConn.Execute("create trigger refuse before insert on AccountData begin select raise(abort, 'no room'); end");
    host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
        type(d, "全新", "mail", "备注");
        save(d);
        ASSERT_EQ(host.os.boxes.size(), 1u);
        EXPECT_EQ(host.os.boxes[0].style, qm::platform::vbExclamation);
        EXPECT_EQ(host.os.boxes[0].title, "提示");
        EXPECT_TRUE(told("修改没有保存")) << host.os.boxes[0].text;
        EXPECT_TRUE(told("no room")) << "the detail is shown";
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_EQ(d.CbAccountType.Text(), "全新");
        EXPECT_EQ(d.TxtAccountName.Text(), "mail");
        EXPECT_EQ(d.TxtAccountPassword.Text(), "pw");
        EXPECT_EQ(d.TxtRemarks.Text(), "备注");
        EXPECT_FALSE(anythingPending());
        EXPECT_NO_THROW(app->RsData.Requery());  // the record sets stay usable

        app->DbConn.Execute("drop trigger refuse");
        save(d);
        EXPECT_FALSE(d.IsLoaded());
    });
    main.CmdAdd.RaiseClick();
    EXPECT_EQ(host.os.boxes.size(), 1u) << "the retry is no duplicate of a half-written first attempt";
    EXPECT_EQ(count("select * from AccountData where AccountName = 'mail'"), 1u);
    EXPECT_EQ(count("select * from AccountType where TypeName = '全新'"), 1u) << "the new category is added once";
    ASSERT_EQ(main.ListViewUser.Count(), 1u);
    EXPECT_EQ(main.ListViewUser.Item(0).Text, "全新");
}

TEST_F(EventErrorTest, FullDiskAndReadOnlyFileAreToldInPlainWords) {
    FrmMain& main = logIn("amy");
    // The file may not grow: a long remark needs room it cannot get, as on a full disk.
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(app->DbConn.Handle(), "pragma page_count", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    const int used = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    app->DbConn.Execute("pragma max_page_count = " + std::to_string(used));
    host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
        type(d, "其它", "big", std::string(100000, 'x'));
        save(d);
        EXPECT_TRUE(told("磁盘空间已满")) << host.os.boxes.back().text;
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_FALSE(anythingPending());
        app->DbConn.Execute("pragma max_page_count = 1000000");
        save(d);
        EXPECT_FALSE(d.IsLoaded());
    });
    main.CmdAdd.RaiseClick();
    EXPECT_EQ(count("select * from AccountData where AccountName = 'big'"), 1u);

    // Editing into a file that may not be written.
    host.os.boxes.clear();
    app->DbConn.Execute("pragma query_only = 1");
    main.ListViewUser.Select(0);
    host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
        d.TxtRemarks.SetText("short");
        save(d);
        EXPECT_TRUE(told("只读")) << host.os.boxes.back().text;
        EXPECT_EQ(d.TxtRemarks.Text(), "short");
        EXPECT_FALSE(anythingPending());
        app->DbConn.Execute("pragma query_only = 0");
        save(d);
        EXPECT_FALSE(d.IsLoaded());
    });
    main.CmdEdit.RaiseClick();
    EXPECT_EQ(host.os.boxes.size(), 1u);
    EXPECT_EQ(count("select * from AccountData where AccountName = 'big' and Remarks = 'short'"), 1u);
    EXPECT_EQ(count("select * from AccountData"), 1u);
}

TEST_F(EventErrorTest, EveryKindOfFailureIsToldAndTheProgramGoesOn) {
    FrmMain& main = logIn("amy");
    const std::pair<int, const char*> failures[] = {
        {SQLITE_BUSY, "正被另一个程序使用"}, {SQLITE_IOERR, "读写磁盘时出错"}, {SQLITE_IOERR_WRITE, "读写磁盘时出错"},
        {SQLITE_FULL, "磁盘空间已满"}, {SQLITE_READONLY, "只读"}, {SQLITE_CORRUPT, "已损坏"}};
    for (const auto& [code, words] : failures) {
        host.RunEvent([code = code] { throw StoreError("the engine's own words", code); });
        EXPECT_TRUE(told(words)) << code << ": " << host.os.boxes.back().text;
        EXPECT_TRUE(told("the engine's own words"));
    }
    host.RunEvent([] { throw std::runtime_error("something else"); });
    EXPECT_TRUE(told("没有完成")) << host.os.boxes.back().text;
    EXPECT_TRUE(told("something else"));
    EXPECT_TRUE(main.IsLoaded());

    // A later run of the program installs its own handler; the old one is gone with its forms.
    forms.reset();
    EXPECT_FALSE(host.OnEventError);
}

TEST_F(EventErrorTest, ADialogWhoseLoadFailedOpensAfreshNextTime) {
    FrmMain& main = logIn("amy");
    app->RsType.Close();  // what a failed reopen of the category record set leaves
    host.OnModal<FrmData>("FrmData", [](FrmData&) { ADD_FAILURE() << "a dialog that failed to load is not shown"; });
    host.RunEvent([&] { main.CmdAdd.RaiseClick(); });
    EXPECT_TRUE(told("没有完成")) << host.os.boxes.back().text;
    EXPECT_FALSE(forms->Data().IsLoaded());
    EXPECT_EQ(host.destroyed.back(), "FrmData");

    app->RsType.Open("select UserName, TypeName, icoIndex from AccountType where UserName = 'amy' ORDER BY icoIndex",
                     app->DbConn);
    std::string caption;
    int categories = 0;
    host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
        caption = d.Caption();
        categories = d.CbAccountType.ListCount();
    });
    host.RunEvent([&] { main.CmdAdd.RaiseClick(); });
    EXPECT_EQ(caption, "添加资料");
    EXPECT_EQ(categories, 9);
}

TEST_F(EventErrorTest, ARegistrationThatFailsHalfwayWritesNothing) {
    app->DbConn.Execute("create trigger refuse before insert on AccountType when new.icoIndex = 5 "
                        "begin select raise(abort, 'no room'); end");
    qm::forms::FrmLogin& login = forms->Login();
    login.Show();
    host.OnModal<qm::forms::FrmNewUser>("FrmNewUser", [&](qm::forms::FrmNewUser& f) {
        f.TxtUser.SetText("amy");
        f.TxtPass.SetText("secret1");
        f.TxtVerifyPass.SetText("secret1");
        host.RunEvent([&f] { f.CmdOK.RaiseClick(); });
        EXPECT_TRUE(told("no room"));
        EXPECT_TRUE(f.IsLoaded());
        EXPECT_EQ(count("select * from sysuser"), 0u) << "no user without categories";
        EXPECT_EQ(count("select * from AccountType"), 0u);
        EXPECT_FALSE(anythingPending());

        app->DbConn.Execute("drop trigger refuse");
        host.RunEvent([&f] { f.CmdOK.RaiseClick(); });
        EXPECT_FALSE(f.IsLoaded());
    });
    login.CmdRegNewUser.RaiseClick();
    EXPECT_EQ(boxTexts().back(), "注册成功,请登录!");
    EXPECT_EQ(count("select * from sysuser"), 1u);
    EXPECT_EQ(count("select * from AccountType where UserName = 'amy'"), 9u);
    EXPECT_EQ(login.CbUser.Text(), "amy");
}
