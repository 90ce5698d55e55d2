#include "forms/FrmResumeData.h"

#include <algorithm>

#include "platform/CrashPoint.h"
#include "platform/files.h"
#include "store/StoreError.h"
#include "store/TextRules.h"
#include "store/UserOptions.h"
#include "tools/Backup.h"

namespace qm::forms {

FrmResumeData::FrmResumeData(Forms& forms) : ui::Form(forms.Host(), "FrmResumeData"), app_(forms.App()) {
    SetCaption("恢复数据");
    Move(0, 0, 4800, 3120);
    PicOther.Move(0, 0, 4800, 660);
    PicOther.SetBackColor(0xF6E7D5);  // RGB(213, 231, 246)
    lblTips.SetContainer(&PicOther);
    lblTips.SetCaption("请选择备份文件中要恢复数据的用户名.");
    lblTips.Move(360, 200, 4200, 300);
    lblUser.SetCaption("用户名:");
    lblUser.Move(480, 1020, 900, 300);
    CbUser.Move(1440, 960, 2880, 330);
    lblPass.SetCaption("密  码:");
    lblPass.Move(480, 1500, 900, 300);
    TxtPass.Move(1440, 1440, 2880, 330);
    TxtPass.SetPasswordChar('*');
    ChkUserSet.SetCaption("保留用户配置");
    ChkUserSet.Move(1440, 1920, 2400, 300);
    ChkUserSet.SetValue(ui::CheckBox::Checked);
    CmdResume.SetCaption("恢复(&R)");
    CmdResume.Move(1000, 2460, 1300, 420);
    CmdResume.SetDefault(true);
    CmdCancel.SetCaption("取消(&C)");
    CmdCancel.Move(2500, 2460, 1300, 420);
    CmdCancel.Cancel = true;

    CmdResume.Click = [this] { CmdResume_Click(); };
    CmdCancel.Click = [this] { CmdCancel_Click(); };
}

void FrmResumeData::Form_Load() {
    Host().AttachSkin(*this);
    if (!openBackup()) Unload();
}

bool FrmResumeData::openBackup() {
    const std::string& path = app_.BackupFilePath;
    std::string reason;
    if (platform::SameFile(path, app_.DataFilePath())) {
        reason = "这是程序正在使用的数据文件,不是备份文件。";
    } else if (platform::KindOf(path) == platform::PathKind::Folder) {
        reason = "这个名字是一个文件夹,不是备份文件。";
    } else {
        try {
            tools::OpenBackup(path, app_.Cipher, backup_);
            // A backup of an older version, in memory only, gains the tables it
            // lacks and its accounts identities.
            store::UpgradeTables(backup_, Os().NowUtc());
            backupUsers_.Open("select * from sysuser", backup_);
            backupTypes_.Open("select UserName, TypeName, icoIndex from AccountType", backup_);
            backupData_.Open("select * from AccountData", backup_);
            // Settings and accounts are copied column by column: the tables
            // must be the ones this program writes.
            if (backupUsers_.FieldNames() != app_.RsUser.FieldNames() || backupData_.FieldNames() != app_.RsData.FieldNames())
                throw store::StoreError("the tables differ from the data file's");
        } catch (const tools::BackupFileError& e) {
            reason = e.Why == tools::BackupFileError::Missing ? "文件不存在。"
                     : e.Why == tools::BackupFileError::InUse ? "文件正被另一个程序使用,请稍后再试。"
                                                                : "它不是本程序的备份文件,或者已经损坏。";
        } catch (const store::StoreError&) {
            reason = "它不是本程序的备份文件,或者已经损坏。";
        }
    }
    if (!reason.empty()) {
        backup_.Close();
        MsgBox("无法读取备份文件:\n" + path + "\n\n" + reason + "\n\n文件没有被修改。", platform::vbExclamation, "提示");
        return false;
    }
    backupUsers_.Requery();
    for (; !backupUsers_.Eof(); backupUsers_.MoveNext()) CbUser.AddItem(backupUsers_["UserName"].Text());
    return true;
}

void FrmResumeData::Form_Unload(int&) {
    // Only a copy in memory was read: the backup file itself was never touched.
    backup_.Close();
}

void FrmResumeData::CmdResume_Click() {
    if (CbUser.ListIndex() == -1) {
        Say("请选择用户!");
        return;
    }
    if (TxtPass.Text().empty()) {
        Say("请输入密码!");
        TxtPass.SetFocus();
        return;
    }
    const std::string chosen = CbUser.List(CbUser.ListIndex());
    backupUsers_.Requery();
    backupUsers_.Filter("UserName = '" + store::esc(chosen) + "'");
    // Proven against the backup's own rows: the password as it stood then.
    const vault::Proven proven = app_.Secrets.Prove(backup_, backupUsers_, TxtPass.Text());
    if (const char* why = vault::KeyRowMessage(proven.Result)) {
        Say(why);
        return;
    }
    if (proven.Result != vault::Proof::Right) {
        Say("用户密码错误,请重新输入!");
        TxtPass.SetFocus();
        return;
    }
    const int question = platform::vbYesNo | platform::vbQuestion;
    if (MsgBox("恢复数据将会覆盖现有的数据,是否继续?", question, "提示") != platform::vbYes) return;
    const bool settingsToo = ChkUserSet.Value() != ui::CheckBox::Checked;
    if (settingsToo && MsgBox("确定覆盖用户配置吗?", question, "提示") != platform::vbYes) return;
    restore(chosen, settingsToo, *proven.Form);
    app_.ReloadMark = "Resume";
    Say("数据恢复成功!");
    Unload();
}

void FrmResumeData::restoreOptions(const std::string& backupUser) {
    // Whether the user's secrets are sealed, and when the login password was
    // set, are the current user's own state: the password stays theirs.
    const std::string_view keep[] = {store::kStrongProtection, store::kLoginChanged};
    std::string kept;
    for (std::string_view name : keep) kept += " and Name <> '" + store::esc(name) + "'";
    app_.DbConn.Execute("delete UserOptions from UserOptions where UserName = '" + store::esc(app_.CurrentUser) + "'" + kept);
    store::Recordset from;
    from.Open("select * from UserOptions where UserName = '" + store::esc(backupUser) + "'", backup_);
    store::Recordset to;
    to.Open("select * from UserOptions where UserName = '" + store::esc(app_.CurrentUser) + "'", app_.DbConn);
    for (; !from.Eof(); from.MoveNext()) {
        const std::string name = from["Name"].Text();
        if (std::any_of(std::begin(keep), std::end(keep), [&](std::string_view k) { return store::CompareNoCase(name, k) == 0; }))
            continue;
        to.AddNew();
        to["UserName"] = app_.CurrentUser;
        to["Name"] = from["Name"];
        to["Value"] = from["Value"];
    }
    to.UpdateBatch();
}

void FrmResumeData::restoreOwnTable(const char* table, const std::string& backupUser, const vault::Sealer& backupForm,
                                    bool asStored) {
    app_.DbConn.Execute(std::string("delete ") + table + " from " + table + " where UserName = '" +
                        store::esc(app_.CurrentUser) + "'");
    store::Recordset from;
    from.Open(std::string("select * from ") + table + " where UserName = '" + store::esc(backupUser) + "'", backup_);
    store::Recordset to;
    to.Open(std::string("select * from ") + table + " where UserName = '" + store::esc(app_.CurrentUser) + "'",
            app_.DbConn);
    const std::vector<std::string>& columns = to.FieldNames();
    const auto has = [&](const std::string& column) {
        return std::find(from.FieldNames().begin(), from.FieldNames().end(), column) != from.FieldNames().end();
    };
    for (; !from.Eof(); from.MoveNext()) {
        to.AddNew();
        const std::string account = from["AccountGuid"].Text();
        for (const std::string& column : columns) {
            if (column == "UserName") {
                to[column] = app_.CurrentUser;
            } else if (!has(column)) {
                continue;
            } else if (!asStored && (column == "AccountPassword" || column == "Remarks" || column == "OtpSecret")) {
                const vault::Field field = column == "Remarks"     ? vault::Field::Remarks
                                           : column == "OtpSecret" ? vault::Field::OtpSecret
                                                                   : vault::Field::AccountPassword;
                const std::string stored = from[column].Text();
                const std::optional<vault::SecretText> plain = backupForm.Open(field, stored, account);
                to[column] = plain ? app_.Secrets.Seal(field, plain->view(), account) : stored;
            } else {
                to[column] = from[column];
            }
        }
    }
    to.UpdateBatch();
}

void FrmResumeData::restore(const std::string& backupUser, bool settingsToo, const vault::Sealer& backupForm) {
    store::Connection& db = app_.DbConn;
    const std::string current = "'" + store::esc(app_.CurrentUser) + "'";
    const std::string fromUser = "UserName = '" + store::esc(backupUser) + "'";
    // One restore is one transaction: a failure halfway leaves the current
    // user's data as it was, never half of the old and half of the backup's.
    db.Execute("SAVEPOINT restore_data");
    try {
        if (settingsToo) {
            // The current user's name and password stay; every setting after them is the backup user's.
            for (size_t c = 2; c < backupUsers_.FieldCount(); ++c) app_.RsUser.Field(c) = backupUsers_.Field(c);
            app_.RsUser.Update();
            restoreOptions(backupUser);
        }

        backupTypes_.Filter(fromUser);
        db.Execute("delete AccountType from AccountType where UserName = " + current);
        store::Recordset& types = app_.RsType;
        types.Requery();
        for (; !backupTypes_.Eof(); backupTypes_.MoveNext()) {
            types.AddNew();
            types["UserName"] = app_.CurrentUser;
            types["TypeName"] = backupTypes_["TypeName"];
            types["icoIndex"] = backupTypes_["icoIndex"];
        }
        types.UpdateBatch();

        backupData_.Filter(fromUser);
        db.Execute("delete AccountData from AccountData where UserName = " + current);
        store::Recordset& data = app_.RsData;
        data.Requery();
        // Between two users of the fixed-key forms, secrets are copied as
        // stored: their key is the same for every user. Otherwise each is
        // opened in the backup user's form and stored in the current user's;
        // one that does not open is copied as it is, and stays reported as
        // damaged rather than replaced by something else.
        const bool asStored = !backupForm.Sealed() && !app_.Secrets.Protected();
        const size_t password = backupData_.FieldIndex("AccountPassword"), remarks = backupData_.FieldIndex("Remarks"),
                     otpSecret = backupData_.FieldIndex("OtpSecret"), identity = backupData_.FieldIndex("AccountGuid");
        for (; !backupData_.Eof(); backupData_.MoveNext()) {
            data.AddNew();
            data.Field(0) = app_.CurrentUser;
            for (size_t c = 1; c < backupData_.FieldCount(); ++c) {
                if (asStored || (c != password && c != remarks && c != otpSecret)) {
                    data.Field(c) = backupData_.Field(c);
                    continue;
                }
                const vault::Field field = c == password  ? vault::Field::AccountPassword
                                           : c == remarks ? vault::Field::Remarks
                                                          : vault::Field::OtpSecret;
                const std::string stored = backupData_.Field(c).Text(), account = backupData_.Field(identity).Text();
                const std::optional<vault::SecretText> plain = backupForm.Open(field, stored, account);
                data.Field(c) = plain ? app_.Secrets.Seal(field, plain->view(), account) : stored;
            }
        }
        data.UpdateBatch();
        // The accounts' earlier versions and the recycle bin come with them,
        // their secrets stored the same way, and the records of the accounts
        // erased by then: they agree with the accounts the backup holds.
        for (const char* table : {"AccountHistory", "RecycleBin", "RemovedAccounts"})
            restoreOwnTable(table, backupUser, backupForm, asStored);
        QM_CRASH_POINT("restore.written");
        db.Execute("RELEASE restore_data");
    } catch (...) {
        try {
            db.Execute("ROLLBACK TO restore_data; RELEASE restore_data");
        } catch (const std::exception&) {
        }
        // The record sets drop what they hold of the undone work and read the rows as they stand again.
        for (store::Recordset* rs : {&app_.RsUser, &app_.RsType, &app_.RsData}) {
            try {
                if (rs->HasPendingChanges()) rs->CancelUpdate();
                rs->Requery();
            } catch (const std::exception&) {
            }
        }
        throw;
    }
}

}  // namespace qm::forms
