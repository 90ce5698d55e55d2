#include "app/Sync.h"

#include "app/Options.h"
#include "platform/CrashPoint.h"
#include "platform/files.h"
#include "store/DataFile.h"
#include "store/StoreError.h"
#include "sync/ConflictCopy.h"
#include "sync/LocalBook.h"
#include "tools/Backup.h"
#include "vault/Protection.h"

namespace qm::app {

namespace {

const char* const kUnreachable = "暂时无法访问同步文件,本次未能同步,数据都保留在本机,稍后会再同步:\n";
const char* const kLocalUnwritten = "无法写入本机的数据文件,本次未同步,本机和同步文件都没有改动。";
const char* const kLocalUnread = "无法读取本机的数据文件,本次未同步。";
const char* const kTypedRefused = "输入的密码无法打开同步文件,本次未同步。";
const char* const kAskedBefore = "同步文件的密码与登录密码不符,本次登录不再询问,请重新登录后再同步。";
const char* const kAdoptedFilePassword =
    "同步文件的密码是在另一台电脑上修改的登录密码,本机的登录密码已改为该密码,下次登录请使用它。";
const char* const kAdoptedLocalPassword = "同步文件已改用本机新的登录密码,其他电脑同步时需输入该密码。";
const char* const kLocalPasswordUnknown = "本机的登录密码较新,请锁定后重新登录,再同步。";
const char* const kCopiesLeft = "下列冲突副本无法用登录密码打开,已保留,未合并:";

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
std::string nameOf(const std::string& path) { return path.substr(folderOf(path).size()); }

// One run, step by step; each step that ends the run says how.
class Run {
public:
    Run(AppContext& app, platform::Platform& os, SyncWhen when, const AskSyncPassword& ask)
        : app_(app), os_(os), when_(when), ask_(ask), session_(app.SyncSession),
          wait_(app.SyncSession.InUseWaitMs) {}

    SyncOutcome Go();

private:
    SyncOutcome unreachable();
    SyncOutcome ended(SyncOutcome::Kind kind, std::string message = {});
    // Reads the file's bytes, waiting a while for another program to let go;
    // nothing when there is no file.
    std::optional<std::string> readFile(const std::string& path);
    // The sync file opened, or why not (the outcome then says it).
    std::optional<SyncOutcome> openFile(const std::string& bytes);
    // The file opens only with another password: ask, and adopt the password changed last.
    std::optional<SyncOutcome> otherPassword(const std::string& bytes);
    void mergeCopies();
    void renameCopies();

    AppContext& app_;
    platform::Platform& os_;
    SyncWhen when_;
    const AskSyncPassword& ask_;
    sync::Session& session_;
    platform::InUseWait wait_;

    std::string path_;
    sync::Book local_, remote_;
    bool absent_ = false;
    bool rekey_ = false;  // the file is to be sealed under the current login password
    platform::WipedString typed_;
    std::vector<std::string> merged_;  // the conflict copies merged, by path
    std::vector<std::string> said_;    // told besides the outcome
    bool localChanged_ = false;
};

SyncOutcome Run::ended(SyncOutcome::Kind kind, std::string message) {
    SyncOutcome out;
    out.Result = kind;
    out.Message = std::move(message);
    out.LocalChanged = localChanged_;
    return out;
}

SyncOutcome Run::unreachable() {
    // Tried again at the next minute's look; said once until a run succeeds,
    // unless the user asked for this one.
    session_.SeenStamp.reset();
    const bool tell = !session_.UnreachableTold || when_ == SyncWhen::Now;
    session_.UnreachableTold = true;
    return ended(SyncOutcome::Unreachable, tell ? kUnreachable + path_ : std::string());
}

std::optional<std::string> Run::readFile(const std::string& path) {
    if (platform::KindOf(path) == platform::PathKind::None) return std::nullopt;
    std::vector<unsigned char> bytes;
    wait_.Run([&] { bytes = platform::ReadWholeFile(path); });
    return std::string(bytes.begin(), bytes.end());
}

std::optional<SyncOutcome> Run::openFile(const std::string& bytes) {
    sync::ReadSync read = session_.Open(bytes);
    if (read.Result == vault::SyncOpen::WrongPassword) return otherPassword(bytes);
    if (read.Result != vault::SyncOpen::Opened) {
        session_.SeenStamp = platform::StampOf(path_);
        return ended(SyncOutcome::BadFile, std::string(vault::SyncOpenMessage(read.Result)) + "\n" + path_);
    }
    remote_ = std::move(read.Contents);
    // Opened with the key of a password this PC has since changed.
    rekey_ = !session_.KeyIsLogin() && session_.HasLoginPassword();
    return std::nullopt;
}

std::optional<SyncOutcome> Run::otherPassword(const std::string& bytes) {
    const auto skipped = [&](std::string message) {
        session_.SeenStamp = platform::StampOf(path_);
        return ended(SyncOutcome::Cancelled, std::move(message));
    };
    if (when_ == SyncWhen::Exit) return skipped({});
    if (session_.PasswordAsked) return skipped(when_ == SyncWhen::Now ? kAskedBefore : "");
    session_.PasswordAsked = true;
    std::optional<platform::WipedString> typed = ask_ ? ask_() : std::nullopt;
    if (!typed) return skipped({});
    sync::ReadSync read = session_.OpenWith(bytes, *typed);
    if (read.Result != vault::SyncOpen::Opened) return skipped(kTypedRefused);
    remote_ = std::move(read.Contents);
    typed_ = std::move(*typed);

    // The file was sealed anew under the same password (made again by another PC).
    if (app_.Secrets.IsLoginPassword(typed_, app_.RsUser["UserPassword"].Text())) {
        session_.Adopt(read.Key);
        return std::nullopt;
    }
    // The password changed last wins: a tie goes to the file, which the
    // other PCs already use.
    if (remote_.LoginChanged >= local_.LoginChanged) {
        const vault::Proven proven{vault::Proof::Right, app_.Secrets.Current()};
        try {
            vault::NewPassword(app_.DbConn, app_.RsUser, app_.Secrets, proven, typed_);
            RecordLoginChanged(app_.DbConn, app_.CurrentUser, remote_.LoginChanged);
        } catch (const std::exception&) {
            return ended(SyncOutcome::Failed, kLocalUnwritten);
        }
        local_.LoginChanged = remote_.LoginChanged;
        session_.Adopt(read.Key);
        said_.push_back(kAdoptedFilePassword);
        return std::nullopt;
    }
    if (!session_.HasLoginPassword()) return skipped(kLocalPasswordUnknown);
    rekey_ = true;
    return std::nullopt;
}

void Run::mergeCopies() {
    std::vector<std::string> names;
    wait_.Run([&] { names = platform::FileNamesIn(folderOf(path_)); });
    const std::string fileName = nameOf(path_);
    std::string left;
    for (const std::string& name : names) {
        if (!sync::IsConflictCopy(fileName, name)) continue;
        const std::string copy = folderOf(path_) + name;
        std::optional<std::string> bytes;
        try {
            bytes = readFile(copy);
        } catch (const platform::FileError&) {
            continue;  // merged at a later run
        }
        if (!bytes) continue;
        sync::ReadSync read = session_.OpenAny(*bytes, typed_);
        if (read.Result != vault::SyncOpen::Opened) {
            if (session_.CopiesTold.insert(name).second) left += "\n" + name;
            continue;
        }
        remote_ = sync::Merge(remote_, read.Contents, os_.NowUtc()).Merged;
        merged_.push_back(copy);
    }
    if (!left.empty()) said_.push_back(kCopiesLeft + left);
}

void Run::renameCopies() {
    QM_CRASH_POINT("sync.copies");
    for (const std::string& copy : merged_) {
        // A name taken (a copy merged before under the same name) takes a number.
        for (int n = 1; n < 100; ++n) {
            try {
                platform::RenameFile(copy, copy + kMergedCopySuffix + (n == 1 ? "" : " (" + std::to_string(n) + ")"));
                break;
            } catch (const platform::FileError&) {
                // Left as it is, it is merged again at the next run: that changes nothing.
                if (platform::KindOf(copy) == platform::PathKind::None) break;
            }
        }
    }
}

SyncOutcome Run::Go() {
    path_ = SyncFilePath(app_);
    if (path_.empty()) return ended(SyncOutcome::Off);
    if (std::string why = SyncPathRefusal(app_, path_); !why.empty()) return ended(SyncOutcome::Off, why + "\n" + path_);
    session_.Track(path_);

    sync::LocalRead local;
    try {
        local = sync::ReadLocalBook(app_.DbConn, app_.Secrets, app_.CurrentUser);
    } catch (const std::exception&) {
        return ended(SyncOutcome::Failed, kLocalUnread);
    }
    if (!local.Contents)
        return ended(SyncOutcome::Failed, "帐号“" + local.DamagedAccount + "”的密码已损坏,无法解密,本次未同步。");
    local_ = std::move(*local.Contents);

    try {
        if (platform::KindOf(folderOf(path_)) != platform::PathKind::Folder) return unreachable();
        std::optional<std::string> bytes = readFile(path_);
        absent_ = !bytes;
        if (bytes) {
            if (auto stop = openFile(*bytes)) return *stop;
        }
        mergeCopies();
    } catch (const platform::FileError&) {
        return unreachable();
    }

    sync::MergeResult merge = sync::Merge(local_, remote_, os_.NowUtc());
    if (merge.Report.LocalChanged) {
        try {
            sync::WriteLocalBook(app_.DbConn, app_.Secrets, app_.CurrentUser, local_, merge.Merged);
        } catch (const std::exception&) {
            return ended(SyncOutcome::Failed, kLocalUnwritten);
        }
        localChanged_ = true;
    }
    const bool write = merge.Report.RemoteChanged || absent_ || rekey_ || !merged_.empty();
    if (write) {
        if ((absent_ || rekey_) && !session_.NewKeyFromLogin() && !session_.Key())
            return ended(SyncOutcome::Failed, kLocalPasswordUnknown);
        if (rekey_) said_.push_back(kAdoptedLocalPassword);
        const std::string sealed = sync::WriteSyncFile(merge.Merged, *session_.Key());
        // The file is read only: the user keeps it so; nothing is written over it.
        if (platform::KindOf(path_) == platform::PathKind::ReadOnlyFile) return unreachable();
        try {
            QM_CRASH_POINT("sync.file");
            wait_.Run([&] { platform::ReplaceFilePrivately(path_, sealed); });
        } catch (const platform::FileError&) {
            return unreachable();
        }
        renameCopies();
    }
    session_.SeenStamp = platform::StampOf(path_);
    session_.UnreachableTold = false;

    std::string message;
    for (const std::string& s : said_) message += (message.empty() ? "" : "\n") + s;
    SyncOutcome out = ended(write || localChanged_ ? SyncOutcome::Synced : SyncOutcome::Unchanged, message);
    out.Report = std::move(merge.Report);
    return out;
}

}  // namespace

std::string SyncFilePath(AppContext& app) { return app.Options.Get(kSyncFileOption); }

std::string SyncPathRefusal(AppContext& app, const std::string& path) {
    if (path.empty()) return "";
    if (platform::KindOf(path) == platform::PathKind::Folder) return "同步文件不能是文件夹,请选择一个文件。";
    const std::string data = app.DataFilePath();
    if (platform::SameFile(path, data)) return "同步文件不能是本程序的数据文件。";
    if (platform::SameFile(path, data + "-journal")) return "同步文件不能是数据文件的日志文件。";
    std::vector<std::string> backups = {app.BackupFilePath, store::PathIn(app.AppPath, tools::kDefaultBackupName)};
    try {
        if (!app.RsUser.Eof()) backups.push_back(app.RsUser["AutoBackupPath"].Text());
    } catch (const std::exception&) {
    }
    const char* const backup = "同步文件不能是数据文件的备份。";
    for (const std::string& b : backups)
        if (!b.empty() && platform::SameFile(path, b)) return backup;
    // A backup anywhere else, or another copy of a data file: its first bytes say so.
    const store::FileForm form = store::InspectDataFile(path);
    if (form == store::FileForm::Plain || form == store::FileForm::Enciphered) return backup;
    return "";
}

SyncOutcome RunSync(AppContext& app, platform::Platform& os, SyncWhen when, const AskSyncPassword& askPassword) {
    try {
        return Run(app, os, when, askPassword).Go();
    } catch (const std::exception& e) {
        // Memory short for a derivation, say: every write is whole or not made.
        SyncOutcome out;
        out.Result = SyncOutcome::Failed;
        out.Message = std::string("同步失败:") + e.what();
        return out;
    }
}

bool SyncFileMoved(AppContext& app) {
    const std::string path = SyncFilePath(app);
    if (path.empty()) return false;
    const sync::Session& s = app.SyncSession;
    const std::optional<platform::FileStamp> seen = s.SeenPath == path ? s.SeenStamp : std::nullopt;
    return platform::StampOf(path) != seen;
}

}  // namespace qm::app
