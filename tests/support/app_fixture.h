#pragma once
// A started program with no windows: a fresh data file opened by the real
// start-up routine, the test host for forms and the fake platform.
#include <gtest/gtest.h>

#include "app/Startup.h"
#include "forms/Forms.h"
#include "forms/FrmData.h"
#include "forms/FrmLogin.h"
#include "forms/FrmMain.h"
#include "forms/FrmNewUser.h"
#include "forms/FrmResumeData.h"
#include "forms/FrmTool.h"
#include "forms/FrmUser.h"
#include "store/TextRules.h"
#include "support/temp_dir.h"
#include "ui/test/TestHost.h"

namespace qm::test {

class AppTest : public ::testing::Test {
protected:
    AppTest() { start(); }

    // A run of the program over the test's folder: the data file of an
    // earlier run (if any) is opened again.
    void start() {
        forms.reset();
        app = std::make_unique<app::AppContext>();
        app->AppPath = Utf8(dir.path());
        EXPECT_EQ(app::StartUp(*app, host.os), app::StartResult::Ready);
        forms = std::make_unique<forms::Forms>(*app, host);
    }
    // Ends this run the way a user does, by closing the open forms.
    void restart() {
        forms.reset();
        app::CloseDataFile(*app);
        start();
    }

    // What a user does in the registration dialog to register `name`.
    static std::function<void(forms::FrmNewUser&)> registering(const std::string& name, const std::string& password) {
        return [name, password](forms::FrmNewUser& f) {
            f.TxtUser.SetText(name);
            f.TxtPass.SetText(password);
            f.TxtVerifyPass.SetText(password);
            f.CmdOK.RaiseClick();
        };
    }

    // Registers a user through the login dialog's register button.
    void registerUser(const std::string& name, const std::string& password) {
        forms::FrmLogin& login = forms->Login();
        if (!login.IsLoaded()) login.Show();
        host.OnModal<forms::FrmNewUser>("FrmNewUser", registering(name, password));
        login.CmdRegNewUser.RaiseClick();
        host.os.boxes.clear();
    }

    // Registers `name` and logs in: the main window is then open.
    forms::FrmMain& logIn(const std::string& name, const std::string& password = "secret1") {
        registerUser(name, password);
        return logInAgain(name, password);
    }
    // Logs a registered user in through the login dialog.
    forms::FrmMain& logInAgain(const std::string& name, const std::string& password = "secret1") {
        forms::FrmLogin& login = forms->Login();
        if (!login.IsLoaded()) login.Show();
        login.CbUser.SetText(name);
        login.TxtPass.SetText(password);
        login.CmdLogin.RaiseClick();
        host.os.boxes.clear();
        return forms->Main();
    }

    // Adds an account through the record dialog, as the add button opens it.
    void addAccount(const std::string& category, const std::string& name, const std::string& id,
                    const std::string& password, const std::string& url = "http://", const std::string& date = "") {
        host.OnModal<forms::FrmData>("FrmData", [=](forms::FrmData& d) {
            d.CbAccountType.SetText(category);
            d.TxtAccountName.SetText(name);
            d.TxtAccountID.SetText(id);
            d.TxtAccountPassword.SetText(password);
            d.TxtURL.SetText(url);
            d.TxtRegDate.SetText(date);
            d.CmdSave.RaiseClick();
        });
        forms->Main().CmdAdd.RaiseClick();
    }

    // Opens the tools dialog, presses `button` there, and plays the user in the user dialog.
    void maintainUser(ui::CommandButton forms::FrmTool::*button, std::function<void(forms::FrmUser&)> script) {
        host.OnModal<forms::FrmTool>("FrmTool", [button](forms::FrmTool& t) { (t.*button).RaiseClick(); });
        host.OnModal<forms::FrmUser>("FrmUser", std::move(script));
        forms->Main().CmdTool.RaiseClick();
    }
    // Chooses `file` in the open dialog of the tools and plays the user in the restore dialog.
    void restoreFrom(const std::string& file, std::function<void(forms::FrmResumeData&)> script) {
        host.os.chosenFiles = {file};
        host.OnModal<forms::FrmResumeData>("FrmResumeData", std::move(script));
        host.OnModal<forms::FrmTool>("FrmTool", [](forms::FrmTool& t) { t.CmdResume.RaiseClick(); });
        forms->Main().CmdTool.RaiseClick();
    }
    // Plays the restore dialog: backup user `user` (by position), `password`, settings kept or brought.
    static std::function<void(forms::FrmResumeData&)> choosingBackupUser(int user, const std::string& password,
                                                                          bool keepSettings = true) {
        return [=](forms::FrmResumeData& d) {
            d.CbUser.SetListIndex(user);
            d.TxtPass.SetText(password);
            d.ChkUserSet.SetValue(keepSettings ? ui::CheckBox::Checked : ui::CheckBox::Unchecked);
            d.CmdResume.RaiseClick();
        };
    }
    // How many rows `table` holds for `user`.
    size_t rowsOf(const std::string& table, const std::string& user) {
        store::Recordset rs;
        rs.Open("select * from " + table + " where UserName = '" + store::esc(user) + "'", app->DbConn);
        return rs.RecordCount();
    }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto& b : host.os.boxes) texts.push_back(b.text);
        return texts;
    }

    TempDir dir;
    ui::TestHost host;
    std::unique_ptr<app::AppContext> app;
    std::unique_ptr<forms::Forms> forms;
};

}  // namespace qm::test
