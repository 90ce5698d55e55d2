#include "book.h"

#include <sqlite3.h>

#include <random>

#include "app/Startup.h"
#include "bench_support.h"
#include "forms/Forms.h"
#include "forms/FrmLogin.h"
#include "forms/FrmNewUser.h"
#include "store/Accounts.h"
#include "store/StoreError.h"
#include "store/TextRules.h"
#include "text/pinyin.h"
#include "text/pinyin_find.h"
#include "ui/test/TestHost.h"

namespace qm::bench {

namespace {

const char* const kCategories[] = {"FTP帐号", "博客帐号", "聊天帐号", "论坛帐号", "网站帐号",
                                   "银行帐号", "邮箱帐号", "游戏帐号", "其它"};

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) throw store::StoreError(sqlite3_errmsg(db), rc);
}

}  // namespace

std::vector<size_t> WriteBook(const std::string& folder, size_t accounts, const std::vector<std::string>& finds) {
    ui::TestHost host;
    app::AppContext app;
    app.AppPath = folder;
    if (app::StartUp(app, host.os) != app::StartResult::Ready) throw store::StoreError("cannot start in " + folder);
    {
        forms::Forms forms(app, host);
        host.OnModal<forms::FrmNewUser>("FrmNewUser", [](forms::FrmNewUser& f) {
            f.TxtUser.SetText(kBookUser);
            f.TxtPass.SetText(kBookPassword);
            f.TxtVerifyPass.SetText(kBookPassword);
            f.CmdOK.RaiseClick();
        });
        forms.Login().Show();
        forms.Login().CmdRegNewUser.RaiseClick();
        // Destroyed without unloading: the login dialog's end would close the store.
    }

    std::vector<std::string> patterns;
    std::vector<text::PinyinQuery> pinyin;
    for (const std::string& f : finds) {
        patterns.push_back("%" + f + "%");
        pinyin.emplace_back(f);
    }
    std::vector<size_t> found(finds.size(), 0);
    sqlite3* db = app.DbConn.Handle();
    check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, "insert into AccountData(UserName, TypeName, AccountName, AccountPY, AccountID, AccountPassword, RegDate, "
                                "URL, Remarks, AccountGuid, CreatedTime, ChangedTime) "
                                "values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1796644800, 1796644800)", -1, &st, nullptr), db);
    std::mt19937 rng(11);
    for (size_t i = 0; i < accounts; ++i) {
        // Names as users give them: mostly Chinese, one in fifty a mail box.
        const std::string name = RandomChineseName(rng) + (i % 50 == 0 ? "邮箱" : "");
        const std::string py = text::PinyinInitials(name);
        const std::string id = "user" + std::to_string(i) + "@example.com";
        const std::string password =
            app.Cipher.EncryptString("Pw-" + std::to_string(i * 7919 % 100003), crypto::kAccountPasswordKey);
        const std::string date = "20" + std::to_string(10 + i % 15) + "-0" + std::to_string(1 + i % 9) + "-1" +
                                 std::to_string(i % 10);
        const std::string url = "http://www.example.com/" + std::to_string(i % 1000);
        const std::string remarks = i % 10 == 0 ? "备注" + std::to_string(i) : "";
        const std::string fields[] = {kBookUser, kCategories[i % 9], name, py, id, password, date, url, remarks,
                                      store::NewAccountIdentity()};
        for (int c = 0; c < 10; ++c)
            sqlite3_bind_text(st, c + 1, fields[c].data(), static_cast<int>(fields[c].size()), SQLITE_TRANSIENT);
        check(sqlite3_step(st), db);
        sqlite3_reset(st);
        const std::string spelled = text::SpellForFind(name);
        for (size_t f = 0; f < patterns.size(); ++f)
            if (store::Like(py, patterns[f]) || store::Like(name, patterns[f]) || pinyin[f].Finds(name, spelled)) ++found[f];
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    app::CloseDataFile(app);
    return found;
}

}  // namespace qm::bench
