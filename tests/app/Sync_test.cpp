// One sync run from the program's side, over two "PCs" (two data files,
// two programs) that share one sync file in a temporary folder.
#include "app/Sync.h"

#include "app/Options.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ExclusiveFile.h"
#include "support/app_fixture.h"
#include "sync/LocalBook.h"
#include "text/utf.h"
#include "vault/Protection.h"

namespace qm {
namespace {

using app::SyncOutcome;
using app::SyncWhen;
using Bytes = std::vector<unsigned char>;
constexpr vault::DerivationCost kCheap{1, 64 * 1024};

struct Pc : test::AppTest {
    void TestBody() override {}
    Pc(const std::string& user, const std::string& password, const std::string& syncFile, bool protect = false) {
        app->Secrets.Cost = kCheap;
        logIn(user, password);
        if (protect)
            vault::SwitchOn(app->DbConn, app->RsUser, app->Secrets,
                            app->Secrets.Prove(app->DbConn, app->RsUser, password), password);
        app->SyncSession.Cost = kCheap;
        app->SyncSession.InUseWaitMs = 300;
        app->SyncSession.LoggedIn(password);
        app->Options.Set(app::kSyncFileOption, syncFile);
    }
    SyncOutcome sync(SyncWhen when = SyncWhen::Now, const app::AskSyncPassword& ask = {}) {
        return app::RunSync(*app, host.os, when, ask);
    }
    sync::Book book() { return *sync::ReadLocalBook(app->DbConn, app->Secrets, app->CurrentUser).Contents; }
    void add(const std::string& name, char id) {
        sync::Book before = book(), after = before;
        sync::Account& a = after.Accounts.emplace_back();
        a.Id = std::string(32, id);
        a.Current.Category = "网站", a.Current.Name = name, a.Current.User = name + "_user";
        a.Current.Password = name + "_pw";
        if (after.Categories.empty()) after.Categories.push_back({"网站", 3});
        sync::WriteLocalBook(app->DbConn, app->Secrets, app->CurrentUser, before, after);
    }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (const sync::Account& a : book().Accounts) out.push_back(a.Current.Name);
        std::sort(out.begin(), out.end());
        return out;
    }
    bool passwordIs(const std::string& pw) {
        return app->Secrets.Check(app->DbConn, app->RsUser, pw) == vault::Proof::Right;
    }
    using AppTest::app;
    using AppTest::dir;
    using AppTest::host;
};

class Sync : public ::testing::Test {
protected:
    Bytes bytes(const std::string& path) { return platform::ReadWholeFile(path); }
    test::TempDir shared;
    const std::string file = shared.file("同步.qms");
    using Names = std::vector<std::string>;
};

TEST_F(Sync, TwoPcsConvergeThroughTheFileAndAQuietRunWritesNothing) {
    // One PC keeps the fixed-key forms, the other strong protection: the file carries the texts, not their forms.
    Pc a("张三", "alpha1", file), b("张三", "alpha1", file, true);
    a.add("邮箱", 'a');
    b.add("银行", 'b');
    EXPECT_EQ(a.sync(SyncWhen::Login).Result, SyncOutcome::Synced);
    ASSERT_TRUE(platform::FileExists(file)) << "the first sync makes the file";
    const SyncOutcome atB = b.sync();
    EXPECT_EQ(atB.Result, SyncOutcome::Synced);
    EXPECT_TRUE(atB.LocalChanged);
    EXPECT_EQ(atB.Report.Summary(), "新增 2,更新 0,删除 0,冲突 0");
    EXPECT_EQ(a.sync().Report.Added, 1);
    EXPECT_EQ(a.names(), (Names{"邮箱", "银行"}));
    EXPECT_EQ(b.names(), a.names());
    sync::Book onA = a.book(), onB = b.book();
    sync::Canonicalise(onA);
    sync::Canonicalise(onB);
    EXPECT_EQ(onA.Accounts, onB.Accounts) << "every field and its history alike on both";

    const Bytes before = bytes(file);
    for (Pc* pc : {&a, &b}) {
        const SyncOutcome again = pc->sync(SyncWhen::FileChanged);
        EXPECT_EQ(again.Result, SyncOutcome::Unchanged);
        EXPECT_FALSE(again.LocalChanged);
    }
    EXPECT_EQ(bytes(file), before) << "a file that would not change is not written";
}

TEST_F(Sync, TheFileHoldsNoNameUserOrPasswordInEitherEncoding) {
    Pc a("登录用户甲", "口令alpha1", file);
    a.add("招商银行", 'a');
    ASSERT_EQ(a.sync().Result, SyncOutcome::Synced);
    const Bytes onDisk = bytes(file);
    for (const std::string text : {"招商银行", "招商银行_user", "招商银行_pw", "登录用户甲", "口令alpha1", "网站"}) {
        const std::u16string wide = text::Utf8ToUtf16(text);
        const std::string utf16(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
        for (const std::string& form : {text, utf16})
            EXPECT_EQ(std::search(onDisk.begin(), onDisk.end(), form.begin(), form.end()), onDisk.end()) << text;
    }
}

TEST_F(Sync, AFileOutOfReachIsToldOnceUntilASuccessAndNothingIsLost) {
    Pc a("u", "alpha1", file), b("u", "alpha1", file);
    a.add("邮箱", 'a');
    ASSERT_EQ(a.sync().Result, SyncOutcome::Synced);
    b.add("银行", 'b');
    const Bytes before = bytes(file);
    const auto held = [&](SyncWhen when) {
        platform::ExclusiveFile other;
        EXPECT_TRUE(other.Open(file, platform::ExclusiveFile::Mode::ReadOnly));
        const auto start = std::chrono::steady_clock::now();
        const SyncOutcome out = b.sync(when);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_GE(waited, std::chrono::milliseconds(250)) << "another program may let go in a moment";
        EXPECT_LT(waited, std::chrono::milliseconds(2000));
        EXPECT_EQ(out.Result, SyncOutcome::Unreachable);
        return out.Message;
    };
    EXPECT_NE(held(SyncWhen::Login).find(file), std::string::npos);
    EXPECT_EQ(held(SyncWhen::FileChanged), "") << "said once";
    EXPECT_NE(held(SyncWhen::Now), "") << "a sync the user asked for answers";
    const auto readOnly = [&](bool on) {
        std::filesystem::permissions(test::PathOf(file), std::filesystem::perms::owner_write,
                                     on ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
    };
    readOnly(true);
    EXPECT_EQ(b.sync(SyncWhen::FileChanged).Result, SyncOutcome::Unreachable);
    EXPECT_EQ(bytes(file), before);
    EXPECT_EQ(b.names(), (Names{"邮箱", "银行"})) << "what the file held is merged here all the same";
    readOnly(false);
    EXPECT_EQ(b.sync(SyncWhen::FileChanged).Result, SyncOutcome::Synced);
    EXPECT_NE(held(SyncWhen::FileChanged), "") << "told again after a success";

    b.app->Options.Set(app::kSyncFileOption, shared.file("拔掉的盘/同步.qms"));
    EXPECT_EQ(b.sync().Result, SyncOutcome::Unreachable);
    EXPECT_EQ(b.names(), (Names{"邮箱", "银行"}));
}

TEST_F(Sync, ADamagedOrForeignFileIsRefusedByNameAndNeitherSideChanges) {
    Pc a("u", "alpha1", file);
    a.add("邮箱", 'a');
    ASSERT_EQ(a.sync().Result, SyncOutcome::Synced);
    a.add("银行", 'b');
    const Bytes good = bytes(file);
    Bytes flipped = good, cut = good;
    flipped[good.size() / 2] ^= 1;
    cut.resize(good.size() - 5);
    const std::string text = "一封信";
    for (const Bytes& bad : {flipped, cut, Bytes(text.begin(), text.end())}) {
        platform::ReplaceFileContents(file, bad);
        const SyncOutcome out = a.sync();
        EXPECT_EQ(out.Result, SyncOutcome::BadFile);
        EXPECT_NE(out.Message.find(file), std::string::npos);
        EXPECT_EQ(bytes(file), bad);
        EXPECT_EQ(a.names(), (Names{"邮箱", "银行"}));
    }
    // A damaged row: its identity is no longer one.
    a.app->DbConn.Execute("update AccountData set AccountGuid = 'damaged' where AccountName = '银行'");
    platform::ReplaceFileContents(file, good);
    const SyncOutcome damaged = a.sync();
    EXPECT_EQ(damaged.Result, SyncOutcome::Failed);
    EXPECT_NE(damaged.Message.find("银行"), std::string::npos);
    EXPECT_EQ(bytes(file), good);
}

TEST_F(Sync, ConflictCopiesThatOpenAreMergedOnceAndRenamed) {
    Pc a("u", "alpha1", file);
    a.add("邮箱", 'a');
    ASSERT_EQ(a.sync().Result, SyncOutcome::Synced);
    // What another PC wrote at the same moment, kept by the service under names of its own.
    const Bytes made = bytes(file);
    sync::ReadSync other = sync::ReadSyncFile(std::string(made.begin(), made.end()), "alpha1");
    sync::Account bank = other.Contents.Accounts[0];
    bank.Id = std::string(32, 'b');
    bank.Current.Name = "银行";
    other.Contents.Accounts.push_back(bank);
    const std::string copy = shared.file("同步 (1).qms"), foreign = shared.file("同步-冲突-办公室.qms");
    const std::string sealed = sync::WriteSyncFile(other.Contents, *other.Key);
    platform::ReplaceFileContents(copy, Bytes(sealed.begin(), sealed.end()));
    const std::string locked = sync::WriteSyncFile(other.Contents, vault::SyncKey::Make("other9", kCheap));
    platform::ReplaceFileContents(foreign, Bytes(locked.begin(), locked.end()));

    const SyncOutcome out = a.sync();
    EXPECT_EQ(out.Result, SyncOutcome::Synced);
    EXPECT_EQ(a.names(), (Names{"邮箱", "银行"}));
    EXPECT_TRUE(platform::FileExists(copy + app::kMergedCopySuffix));
    EXPECT_FALSE(platform::FileExists(copy));
    EXPECT_TRUE(platform::FileExists(foreign)) << "a copy that does not open is left alone";
    EXPECT_NE(out.Message.find("同步-冲突-办公室.qms"), std::string::npos);
    EXPECT_EQ(Pc("u", "alpha1", file).sync().Report.Added, 2) << "the file holds what the copy held";

    const Bytes after = bytes(file);
    const SyncOutcome again = a.sync();
    EXPECT_EQ(again.Result, SyncOutcome::Unchanged);
    EXPECT_EQ(again.Message, "") << "said once";
    EXPECT_EQ(bytes(file), after);
}

TEST_F(Sync, TheDataFileItsJournalABackupOrAFolderIsNoSyncFile) {
    Pc a("u", "alpha1", file);
    a.add("邮箱", 'a');
    const std::string data = a.app->DataFilePath(), elsewhere = shared.file("旧备份.bin");
    ASSERT_TRUE(a.app->BackupDatabase(elsewhere, false));
    a.app->BackupFilePath = shared.file("工具备份.dat");
    a.app->RsUser["AutoBackupPath"] = shared.file("自动备份.dat");
    a.app->RsUser.Update();
    const struct {
        std::string path;
        const char* said;  // "" when it can be the sync file
    } rows[] = {{data, "数据文件"},
                {data + "-journal", "日志"},
                {shared.file("自动备份.dat"), "备份"},
                {test::Utf8(a.dir.path() / "SystemDataBackup.dat"), "备份"},
                {a.app->BackupFilePath, "备份"},
                {elsewhere, "备份"},
                {shared.path().string(), "文件夹"},
                {file, ""}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.path);
        const std::string why = app::SyncPathRefusal(*a.app, r.path);
        EXPECT_EQ(why.empty(), !*r.said);
        EXPECT_NE(why.find(r.said), std::string::npos);
        a.app->Options.Set(app::kSyncFileOption, r.path);
        if (*r.said) {
            EXPECT_EQ(a.sync().Result, SyncOutcome::Off);
        }
    }
}

// Each PC's login password and when it was set; what the user types at the prompt.
struct PromptRow {
    const char* name;
    bool protectedB;
    int64_t changedA, changedB;
    std::optional<std::string> typed;  // nothing: Cancel
    SyncOutcome::Kind result;
    const char* bPasswordAfter;  // B's login password afterwards
    const char* filePassword;    // the password the file opens with afterwards
};

TEST_F(Sync, AFileUnderAnotherPasswordTakesThePasswordChangedLast) {
    const PromptRow rows[] = {
        {"cancel", false, 200, 100, std::nullopt, SyncOutcome::Cancelled, "bravo2", "alpha1"},
        {"mistyped", false, 200, 100, "alpha", SyncOutcome::Cancelled, "bravo2", "alpha1"},
        {"the file's newer", false, 200, 100, "alpha1", SyncOutcome::Synced, "alpha1", "alpha1"},
        {"the file's newer, protected", true, 200, 100, "alpha1", SyncOutcome::Synced, "alpha1", "alpha1"},
        {"never changed: the file's", false, 0, 0, "alpha1", SyncOutcome::Synced, "alpha1", "alpha1"},
        {"this PC's newer", false, 200, 300, "alpha1", SyncOutcome::Synced, "bravo2", "bravo2"},
        {"this PC's newer, protected", true, 200, 300, "alpha1", SyncOutcome::Synced, "bravo2", "bravo2"},
    };
    for (const PromptRow& r : rows) {
        SCOPED_TRACE(r.name);
        platform::RemoveFile(file);
        Pc a("u", "alpha1", file), b("u", "bravo2", file, r.protectedB);
        app::RecordLoginChanged(a.app->DbConn, a.app->CurrentUser, r.changedA);
        app::RecordLoginChanged(b.app->DbConn, b.app->CurrentUser, r.changedB);
        a.add("邮箱", 'a');
        b.add("银行", 'b');
        ASSERT_EQ(a.sync().Result, SyncOutcome::Synced);
        const Bytes made = bytes(file);
        int asked = 0;
        const auto ask = [&]() -> std::optional<platform::WipedString> {
            ++asked;
            if (!r.typed) return std::nullopt;
            return platform::WipedString(*r.typed);
        };
        EXPECT_EQ(b.sync(SyncWhen::Exit, ask).Result, SyncOutcome::Cancelled);
        EXPECT_EQ(asked, 0) << "never at the exit";
        const SyncOutcome out = b.sync(SyncWhen::Login, ask);
        EXPECT_EQ(out.Result, r.result);
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(b.passwordIs(r.bPasswordAfter));
        const Bytes now = bytes(file);
        EXPECT_EQ(sync::ReadSyncFile(std::string(now.begin(), now.end()), r.filePassword).Result, vault::SyncOpen::Opened);
        if (r.result == SyncOutcome::Cancelled) {
            EXPECT_EQ(now, made);
            EXPECT_EQ(b.names(), (Names{"银行"}));
            EXPECT_EQ(out.Message.empty(), !r.typed) << "a Cancel needs no word";
        } else {
            EXPECT_NE(out.Message, "") << "a password that changed is told";
            EXPECT_EQ(b.names(), (Names{"邮箱", "银行"}));
            EXPECT_EQ(a.sync(SyncWhen::Login, [&] { return std::optional<platform::WipedString>(r.bPasswordAfter); })
                          .Result,
                      SyncOutcome::Synced);
            EXPECT_EQ(a.names(), (Names{"邮箱", "银行"}));
            EXPECT_TRUE(a.passwordIs(r.filePassword));
        }
        b.sync(SyncWhen::Now, ask);
        EXPECT_EQ(asked, 1) << "asked once per login";
    }
}

TEST_F(Sync, TheFilesKeyIsDerivedOncePerLogin) {
    Pc a("u", "alpha1", file), b("u", "alpha1", file);
    a.add("邮箱", 'a');
    for (const SyncWhen when : {SyncWhen::Login, SyncWhen::Now, SyncWhen::FileChanged, SyncWhen::Exit}) a.sync(when);
    b.add("银行", 'b');
    b.sync();
    EXPECT_TRUE(app::SyncFileMoved(*a.app));
    a.sync(SyncWhen::FileChanged);
    EXPECT_FALSE(app::SyncFileMoved(*a.app)) << "its own write is no change";
    EXPECT_EQ(a.app->SyncSession.Derivations(), 1) << "none more for the file the other PC wrote";
    EXPECT_EQ(b.app->SyncSession.Derivations(), 1);
    EXPECT_EQ(a.names(), (Names{"邮箱", "银行"}));
    a.app->SyncSession.Forget();
    a.app->SyncSession.LoggedIn("alpha1");
    a.sync();
    a.sync();
    EXPECT_EQ(a.app->SyncSession.Derivations(), 2) << "a new login derives once";

    // A new login password here (the user dialog tells the session): the key at hand
    // opens the file, which is sealed again under the new password without a question.
    a.app->SyncSession.PasswordChanged("alpha2");
    EXPECT_NE(a.sync(SyncWhen::Now, [] { return std::optional<platform::WipedString>(); }).Message, "");
    const Bytes now = bytes(file);
    EXPECT_EQ(sync::ReadSyncFile(std::string(now.begin(), now.end()), "alpha2").Result, vault::SyncOpen::Opened);
}

}  // namespace
}  // namespace qm
