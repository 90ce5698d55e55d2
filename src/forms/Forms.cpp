#include "forms/Forms.h"

#include "forms/FrmAbout.h"
#include "forms/FrmData.h"
#include "forms/FrmFind.h"
#include "forms/FrmHealth.h"
#include "forms/FrmRecycleBin.h"
#include "forms/FrmSyncPassword.h"
#include "forms/FrmSyncResult.h"
#include "forms/FrmImport.h"
#include "forms/FrmGenerate.h"
#include "forms/FrmOtp.h"
#include "forms/FrmHistory.h"
#include "forms/FrmLogin.h"
#include "forms/FrmLoosenLock.h"
#include "forms/FrmProtect.h"
#include "forms/FrmMain.h"
#include "forms/FrmNewUser.h"
#include "forms/FrmResumeData.h"
#include "forms/FrmTool.h"
#include "forms/FrmSetting.h"
#include "forms/FrmTrayMenu.h"
#include "forms/FrmUser.h"
#include "forms/FrmVerifyPassword.h"

#include "store/StoreError.h"

namespace qm::forms {

namespace {

// The failure in the user's words, or nothing where the detail says it best.
std::string reasonFor(const store::StoreError& e) {
    if (e.IsDiskFull()) return "磁盘空间已满。请腾出磁盘空间后再试。";
    if (e.IsReadOnly()) return "数据文件是只读的,或者所在的文件夹不允许写入。请检查文件和文件夹的属性与权限后再试。";
    if (e.IsIoError()) return "读写磁盘时出错。请检查磁盘或存储设备后再试。";
    if (e.IsBusy()) return "数据文件正被另一个程序使用。请稍后再试。";
    if (e.IsDamagedFile()) return "数据文件已损坏。";
    return "";
}

std::string failureText(const std::exception& error) {
    std::string text;
    if (const auto* store = dynamic_cast<const store::StoreError*>(&error)) {
        text = "读写数据文件时出错,刚才的操作没有完成,修改没有保存。";
        if (const std::string reason = reasonFor(*store); !reason.empty()) text += "\n\n原因:" + reason;
    } else {
        text = "程序出错,刚才的操作没有完成。";
    }
    return text + "\n\n详细信息:" + error.what();
}

}  // namespace

Forms::Forms(app::AppContext& app, ui::FormHost& host) : app_(app), host_(host) {
    host_.OnEventError = [this](const std::exception& error) { eventFailed(error); };
}

Forms::~Forms() { host_.OnEventError = nullptr; }

void Forms::eventFailed(const std::exception& error) {
    // A failed update leaves its rows pending; the next Requery or Filter
    // would write them behind the user's back (a retried save would then
    // find its own first attempt, or write it twice). The database already
    // rolled back: the record sets drop them too.
    for (store::Recordset* rs : {&app_.RsUser, &app_.RsType, &app_.RsData}) {
        try {
            if (rs->IsOpen() && rs->HasPendingChanges()) rs->CancelUpdate();
        } catch (const std::exception&) {
        }
    }
    host_.Os().MsgBox(failureText(error), platform::vbExclamation, "提示");
}

template <class F>
F& Forms::get(std::unique_ptr<F>& slot) {
    if (slot && slot->WasUnloaded()) retired_.push_back(std::move(slot));
    if (!slot) slot = std::make_unique<F>(*this);
    return *slot;
}

FrmLogin& Forms::Login() { return get(login_); }
FrmNewUser& Forms::NewUser() { return get(newUser_); }
FrmMain& Forms::Main() { return get(main_); }
FrmData& Forms::Data() { return get(data_); }
FrmFind& Forms::Find() { return get(find_); }
FrmAbout& Forms::About() { return get(about_); }

void Forms::UnloadAll(const ui::Form* except) {
    for (ui::Form* f : std::initializer_list<ui::Form*>{login_.get(), newUser_.get(), generate_.get(), history_.get(), data_.get(), find_.get(),
                                                        about_.get(), setting_.get(), loosenLock_.get(), trayMenu_.get(),
                                                        user_.get(), resumeData_.get(), health_.get(), import_.get(),
                                                        verifyPassword_.get(), recycleBin_.get(), tool_.get(), main_.get()})
        if (f && f != except && f->IsLoaded()) f->Unload();
}
FrmTrayMenu& Forms::TrayMenu() { return get(trayMenu_); }
FrmLoosenLock& Forms::LoosenLock() { return get(loosenLock_); }
FrmProtect& Forms::Protect() { return get(protect_); }
FrmTool& Forms::Tool() { return get(tool_); }
FrmUser& Forms::User() { return get(user_); }
FrmResumeData& Forms::ResumeData() { return get(resumeData_); }
FrmSetting& Forms::Setting() { return get(setting_); }
FrmHealth& Forms::Health() { return get(health_); }
FrmImport& Forms::Import() { return get(import_); }
FrmVerifyPassword& Forms::VerifyPassword() { return get(verifyPassword_); }
FrmGenerate& Forms::Generate() { return get(generate_); }
FrmOtp& Forms::Otp() { return get(otp_); }
FrmHistory& Forms::History() { return get(history_); }
FrmRecycleBin& Forms::RecycleBin() { return get(recycleBin_); }
FrmSyncPassword& Forms::SyncPassword() { return get(syncPassword_); }
FrmSyncResult& Forms::SyncResult() { return get(syncResult_); }

void FillCategories(app::AppContext& app, ui::ComboBox& box) {
    app.RsType.Requery();
    for (app.RsType.MoveFirst(); !app.RsType.Eof(); app.RsType.MoveNext()) box.AddItem(app.RsType["TypeName"].Text());
}

}  // namespace qm::forms
