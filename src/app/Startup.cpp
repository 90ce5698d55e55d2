#include "app/Startup.h"

#include "platform/CrashPoint.h"
#include "platform/files.h"
#include "store/StoreError.h"
#include "tools/Backup.h"

namespace qm::app {

namespace {

constexpr const char* kTitle = "提示";
constexpr const char* kDamaged = "文件已损坏,或者不是本程序的数据文件。";
constexpr const char* kInUse = "文件正被另一个程序(例如备份或杀毒软件)使用,请稍后再试。";
constexpr const char* kReadOnly = "文件是只读的,程序无法在其中保存资料。请去掉它的只读属性后再试。";
constexpr const char* kFolder = "这个名字是一个文件夹,不是数据文件。";

// `restored` false: the file could not be put back into its at-rest form
// and is left plain, which the next start opens as it is.
void refuse(platform::Platform& os, const std::string& path, const std::string& reason, bool restored = true) {
    const char* outcome = restored ? "文件保持原样,没有被修改。" : "文件未能恢复为平时的混淆形式,下次启动时仍会照常打开。";
    os.MsgBox("无法打开数据文件:\n" + path + "\n\n" + reason + "\n\n" + outcome + "程序将退出。",
              platform::vbExclamation, kTitle);
}

std::string reasonFor(const store::StoreError& e) {
    if (e.IsDamagedFile()) return kDamaged;
    if (e.IsBusy()) return kInUse;
    return e.what();
}

}  // namespace

StartResult StartUp(AppContext& app, platform::Platform& os) {
    app.BackupDatabase = [&app](const std::string& path, bool compress) {
        return tools::BackupDatabase(app.DbConn, app.Cipher, path, compress);
    };
    if (os.AnotherInstanceRunning(app.AppPath)) {
        os.MsgBox("程序已运行!", platform::vbInformation, kTitle);
        return StartResult::AlreadyRunning;
    }
    // A compaction cut off by a crash leaves its plain copy of the book
    // behind; no run needs it, and nobody should find it lying there. Only
    // now, with no other instance running, is it surely nobody's work.
    try {
        platform::RemoveFile(store::PathIn(app.AppPath, tools::kCompactionTempName));
    } catch (const platform::FileError&) {
    }

    const std::string path = app.DataFilePath();
    // Opening means deciphering in place: a file that may not be written is
    // refused before anything is tried on it.
    switch (platform::KindOf(path)) {
        case platform::PathKind::Folder: refuse(os, path, kFolder); return StartResult::DataFileRefused;
        case platform::PathKind::ReadOnlyFile: refuse(os, path, kReadOnly); return StartResult::DataFileRefused;
        default: break;
    }
    store::FileForm form = store::InspectDataFile(path);
    if (form == store::FileForm::Missing) {
        try {
            store::WriteEmptyDataFile(path, app.Cipher);
        } catch (const std::exception& e) {
            os.MsgBox("无法创建数据文件:\n" + path + "\n\n" + e.what(), platform::vbExclamation, kTitle);
            return StartResult::DataFileRefused;
        }
        form = store::FileForm::Enciphered;
    }
    if (form == store::FileForm::InUse) {
        refuse(os, path, kInUse);
        return StartResult::DataFileRefused;
    }
    if (form == store::FileForm::Unknown) {
        refuse(os, path, kDamaged);
        return StartResult::DataFileRefused;
    }

    // A plain file is what a run that never reached its end left behind: it
    // already holds that run's data and opens as it is.
    const bool deciphered = form == store::FileForm::Enciphered;
    try {
        if (deciphered) {
            // Deciphered in memory and proved whole before it is written in
            // place: a damaged book must not be worked on (every later write
            // would build on the damage), and its file is never written.
            std::vector<unsigned char> bytes = platform::ReadWholeFile(path);
            app.Cipher.DecryptByte(bytes, crypto::kDataFileKey);
            store::Connection::CheckImage(bytes);
            platform::ReplaceFileContents(path, bytes);
        }
        QM_CRASH_POINT("start.deciphered");
    } catch (const store::StoreError& e) {
        refuse(os, path, reasonFor(e));
        return StartResult::DataFileRefused;
    } catch (const std::exception& e) {
        refuse(os, path, e.what());
        return StartResult::DataFileRefused;
    }
    try {
        app.DbConn.Open(path);
        // A file a killed run left plain is proved whole as SQLite reads it,
        // after its journal has undone the write that was cut off.
        if (!deciphered) app.DbConn.CheckWhole();
        // A file of an older version gains the program's own tables and its
        // accounts their identities.
        store::UpgradeTables(app.DbConn, os.NowUtc());
        app.RsUser.Open("select * from sysuser", app.DbConn);
        app.RsType.Open("select * from AccountType", app.DbConn);
        app.RsData.Open("select * from AccountData", app.DbConn);
    } catch (const store::StoreError& e) {
        app.DbConn.Close();
        // Put the file back into the form it was found in.
        bool restored = true;
        if (deciphered) {
            try {
                app.Cipher.EncryptFile(path, path, crypto::kDataFileKey);
            } catch (const std::exception&) {
                restored = false;
            }
        }
        refuse(os, path, reasonFor(e), restored);
        return StartResult::DataFileRefused;
    }
    return StartResult::Ready;
}

void CloseDataFile(AppContext& app) {
    // The data key goes first: the process may end without running a destructor.
    app.Secrets.LogOff();
    app.SyncSession.Forget();
    try {
        app.DbConn.Close();
    } catch (...) {
    }
    QM_CRASH_POINT("exit.closed");
    const std::string path = app.DataFilePath();
    try {
        if (store::InspectDataFile(path) == store::FileForm::Plain)
            app.Cipher.EncryptFile(path, path, crypto::kDataFileKey);
    } catch (...) {
        // Left plain, the file still opens at the next start, data and all.
    }
}

void LoginDialogClosed(AppContext& app) {
    if (app.CurrentUser.empty()) CloseDataFile(app);
}

}  // namespace qm::app
