#pragma once
// The program's forms, made when first needed. A form that was unloaded is
// made afresh the next time it is asked for, as a form loads anew; the old
// object is kept until the end, since its own handler may still be running.
// It keeps no secret: its unload wiped every box that held one.
#include <memory>
#include <vector>

#include "app/AppContext.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmLogin;
class FrmNewUser;
class FrmMain;
class FrmData;
class FrmFind;
class FrmAbout;
class FrmTrayMenu;
class FrmLoosenLock;
class FrmTool;
class FrmUser;
class FrmResumeData;
class FrmSetting;
class FrmProtect;
class FrmHealth;
class FrmImport;
class FrmVerifyPassword;
class FrmGenerate;
class FrmOtp;
class FrmHistory;
class FrmRecycleBin;
class FrmSyncPassword;
class FrmSyncResult;

class Forms {
public:
    // Also becomes the host's handler for errors that escape an event.
    Forms(app::AppContext& app, ui::FormHost& host);
    ~Forms();

    FrmLogin& Login();
    FrmNewUser& NewUser();
    FrmMain& Main();
    FrmData& Data();
    FrmFind& Find();
    FrmAbout& About();
    // Unloads every loaded form but `except`, as the program's end does.
    void UnloadAll(const ui::Form* except);
    FrmTrayMenu& TrayMenu();
    FrmLoosenLock& LoosenLock();
    FrmTool& Tool();
    FrmUser& User();
    FrmResumeData& ResumeData();
    FrmSetting& Setting();
    FrmProtect& Protect();
    FrmHealth& Health();
    FrmImport& Import();
    FrmVerifyPassword& VerifyPassword();
    FrmGenerate& Generate();
    FrmOtp& Otp();
    FrmHistory& History();
    FrmRecycleBin& RecycleBin();
    FrmSyncPassword& SyncPassword();
    FrmSyncResult& SyncResult();

    app::AppContext& App() const { return app_; }
    ui::FormHost& Host() const { return host_; }

private:
    template <class F>
    F& get(std::unique_ptr<F>& slot);
    // An event failed: drops what it left unwritten and tells the user. The
    // program goes on, and a dialog stays open with what was typed in it.
    void eventFailed(const std::exception& error);

    app::AppContext& app_;
    ui::FormHost& host_;
    std::unique_ptr<FrmLogin> login_;
    std::unique_ptr<FrmNewUser> newUser_;
    std::unique_ptr<FrmMain> main_;
    std::unique_ptr<FrmData> data_;
    std::unique_ptr<FrmFind> find_;
    std::unique_ptr<FrmAbout> about_;
    std::unique_ptr<FrmTrayMenu> trayMenu_;
    std::unique_ptr<FrmLoosenLock> loosenLock_;
    std::unique_ptr<FrmTool> tool_;
    std::unique_ptr<FrmUser> user_;
    std::unique_ptr<FrmResumeData> resumeData_;
    std::unique_ptr<FrmSetting> setting_;
    std::unique_ptr<FrmProtect> protect_;
    std::unique_ptr<FrmHealth> health_;
    std::unique_ptr<FrmImport> import_;
    std::unique_ptr<FrmVerifyPassword> verifyPassword_;
    std::unique_ptr<FrmGenerate> generate_;
    std::unique_ptr<FrmOtp> otp_;
    std::unique_ptr<FrmHistory> history_;
    std::unique_ptr<FrmRecycleBin> recycleBin_;
    std::unique_ptr<FrmSyncPassword> syncPassword_;
    std::unique_ptr<FrmSyncResult> syncResult_;
    std::vector<std::unique_ptr<ui::Form>> retired_;
};

// Re-reads the user's categories and lists their names in `box`, in the
// order the category record set holds them.
void FillCategories(app::AppContext& app, ui::ComboBox& box);

}  // namespace qm::forms
