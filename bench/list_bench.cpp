// A keystroke in the quick-find box of a large book: from the change of the
// box to a refilled list (filter, walk, decipher, fill the list model that
// the virtual list view draws from).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>

#include "app/Startup.h"
#include "forms/Forms.h"
#include "forms/FrmData.h"
#include "forms/FrmHealth.h"
#include "forms/FrmMain.h"
#include "store/Accounts.h"
#include "store/History.h"
#include "store/TextRules.h"
#include "bench_support.h"
#include "text/pinyin.h"
#include "ui/test/TestHost.h"

namespace {

struct Book {
    qm::ui::TestHost host;
    qm::app::AppContext app;
    std::unique_ptr<qm::forms::Forms> forms;
};

Book& book(int64_t rows) {
    static std::map<int64_t, std::unique_ptr<Book>> books;
    auto& b = books[rows];
    if (b) return *b;
    b = std::make_unique<Book>();
    const auto folder = std::filesystem::temp_directory_path() / ("qm_listbench_" + std::to_string(rows));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    b->app.AppPath = folder.string();
    qm::app::StartUp(b->app, b->host.os);
    sqlite3* db = b->app.DbConn.Handle();
    sqlite3_exec(db,
                 "BEGIN; insert into sysuser(UserName, ShowPassword, TypeNameWidth, AccountNameWidth, AccountIDWidth,"
                 " AccountPasswordWidth, URLWidth, AutoBackup) values('amy', -1, 1440, 1440, 1440, 1440, 1440, 0);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "insert into AccountData(UserName, TypeName, AccountName, AccountPY, AccountID, AccountPassword, RegDate, URL, Remarks) values('amy', ?, ?, ?, ?, ?, '2026-12-07', 'http://example.com', '')",
                       -1, &st, nullptr);
    std::mt19937 rng(3);
    const char* types[] = {"邮箱帐号", "论坛帐号", "游戏帐号", "银行帐号"};
    for (int64_t i = 0; i < rows; ++i) {
        const std::string name = qm::bench::RandomChineseName(rng) + (i % 50 == 0 ? "邮箱" : "");
        const std::string py = qm::text::PinyinInitials(name);
        const std::string id = "user" + std::to_string(i);
        const std::string pw = b->app.Cipher.EncryptString("pw" + std::to_string(i), qm::crypto::kAccountPasswordKey);
        sqlite3_bind_text(st, 1, types[i % 4], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, py.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, pw.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    qm::store::GiveIdentities(b->app.DbConn, b->host.os.nowUtc);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    b->app.RsUser.Requery();
    b->app.RsUser.Filter("UserName = 'amy'");
    b->app.CurrentUser = "amy";
    b->forms = std::make_unique<qm::forms::Forms>(b->app, b->host);
    b->forms->Main().Show();
    return *b;
}

// Typing "yx": a few hundred rows (one in fifty names holds 邮箱) out of all.
void BM_QuickFindKeystroke(benchmark::State& state) {
    auto& main = book(state.range(0)).forms->Main();
    for (auto _ : state) {
        main.TxtFindData.SetText("yx");
        benchmark::DoNotOptimize(main.ListViewUser.Count());
        state.PauseTiming();
        main.TxtFindData.SetText("");
        state.ResumeTiming();
    }
    state.counters["rows_shown"] = static_cast<double>((main.TxtFindData.SetText("yx"), main.ListViewUser.Count()));
}

// The same keystroke with the filter of the stored initials and the name
// alone, as the box had it before it read pinyin: what the pinyin adds.
void BM_QuickFindKeystrokeWithoutPinyin(benchmark::State& state) {
    Book& b = book(state.range(0));
    auto& main = b.forms->Main();
    main.TxtFindData.SetText("");
    const auto keystroke = [&] {
        b.app.RsData.Filter("AccountPY like '%yx%' or AccountName like '%yx%'");
        main.ListViewShowData(b.app.RsData);
    };
    for (auto _ : state) {
        keystroke();
        benchmark::DoNotOptimize(main.ListViewUser.Count());
        state.PauseTiming();
        main.TxtFindData_Change();  // the box is empty: every row again
        state.ResumeTiming();
    }
    keystroke();
    state.counters["rows_shown"] = static_cast<double>(main.ListViewUser.Count());
    main.TxtFindData_Change();
}

// Typing on: "yx" after "y", which looks only through the rows "y" found.
void BM_QuickFindNextKeystroke(benchmark::State& state) {
    auto& main = book(state.range(0)).forms->Main();
    for (auto _ : state) {
        state.PauseTiming();
        main.TxtFindData.SetText("");
        main.TxtFindData.SetText("y");
        state.ResumeTiming();
        main.TxtFindData.SetText("yx");
        benchmark::DoNotOptimize(main.ListViewUser.Count());
    }
    state.counters["rows_shown"] = static_cast<double>(main.ListViewUser.Count());
}

// Full pinyin in an empty box at once (pasted, or typed faster than the
// list refills): every name looked through with each of its characters'
// readings. One name in fifty holds 邮箱.
void BM_QuickFindPinyinKeystroke(benchmark::State& state) {
    auto& main = book(state.range(0)).forms->Main();
    for (auto _ : state) {
        main.TxtFindData.SetText("youxiang");
        benchmark::DoNotOptimize(main.ListViewUser.Count());
        state.PauseTiming();
        main.TxtFindData.SetText("");
        state.ResumeTiming();
    }
    state.counters["rows_shown"] = static_cast<double>((main.TxtFindData.SetText("youxiang"), main.ListViewUser.Count()));
}

// Typing on in full pinyin: the "g" of "youxiang", which looks only through
// the rows "youxian" found.
void BM_QuickFindPinyinNextKeystroke(benchmark::State& state) {
    auto& main = book(state.range(0)).forms->Main();
    for (auto _ : state) {
        state.PauseTiming();
        main.TxtFindData.SetText("");
        main.TxtFindData.SetText("youxian");
        state.ResumeTiming();
        main.TxtFindData.SetText("youxiang");
        benchmark::DoNotOptimize(main.ListViewUser.Count());
    }
    state.counters["rows_shown"] = static_cast<double>(main.ListViewUser.Count());
}

// Clearing the box again: every account back in the list.
void BM_QuickFindClearedShowsAll(benchmark::State& state) {
    auto& main = book(state.range(0)).forms->Main();
    for (auto _ : state) {
        state.PauseTiming();
        main.TxtFindData.SetText("yx");
        state.ResumeTiming();
        main.TxtFindData.SetText("");
        benchmark::DoNotOptimize(main.ListViewUser.Count());
    }
    state.counters["rows_shown"] = static_cast<double>(main.ListViewUser.Count());
}

// What the main window's load does with the accounts: the user's rows read
// afresh and every one of them put into the list.
void BM_MainWindowFill(benchmark::State& state) {
    Book& b = book(state.range(0));
    auto& main = b.forms->Main();
    for (auto _ : state) {
        b.app.RsData.Close();
        b.app.RsData.Open("select * from AccountData where UserName = 'amy'", b.app.DbConn);
        main.ListViewShowData(b.app.RsData);
        benchmark::DoNotOptimize(main.ListViewUser.Count());
    }
    state.counters["rows_shown"] = static_cast<double>(main.ListViewUser.Count());
}

// The fill alone, split from reading the rows: the list handed the rows in view.
void BM_ListFillOnly(benchmark::State& state) {
    Book& b = book(state.range(0));
    auto& main = b.forms->Main();
    for (auto _ : state) {
        b.app.RsData.MoveFirst();
        main.ListViewShowData(b.app.RsData);
        benchmark::DoNotOptimize(main.ListViewUser.Count());
    }
    state.counters["rows_shown"] = static_cast<double>(main.ListViewUser.Count());
}

// The password health check from the user's click to a filled report: the
// accounts read afresh, every password deciphered, judged and wiped, and the
// list filled. Every password here is short and weak and every address
// insecure: three findings an account, the most rows the list can get.
void BM_HealthCheck(benchmark::State& state) {
    Book& b = book(state.range(0));
    auto& health = b.forms->Health();
    for (auto _ : state) {
        health.Refresh();
        benchmark::DoNotOptimize(health.ListViewHealth.Count());
    }
    state.counters["rows_shown"] = static_cast<double>(health.ListViewHealth.Count());
}

// A save in the record dialog that changes the password: the version it
// replaces kept and the oldest beyond ten let go, the row written, all in
// one transaction. The account is found as the main window's edit finds it
// (not timed); the click on "保存(&S)" is.
void BM_SaveWithHistory(benchmark::State& state) {
    Book& b = book(state.range(0));
    b.app.RecordMode = "edit";
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        b.app.RsData.Requery();
        b.app.RsData.Filter("AccountID = 'user" + std::to_string(n % 50) + "'");
        b.host.OnModal<qm::forms::FrmData>("FrmData", [&](qm::forms::FrmData& d) {
            d.TxtAccountPassword.SetText("new password " + std::to_string(++n));
            state.ResumeTiming();
            d.CmdSave.RaiseClick();
            state.PauseTiming();
        });
        b.forms->Data().Show(true, &b.forms->Main());
        state.ResumeTiming();
    }
}

// What one kept version adds to the data file, in bytes: 2,000 versions of
// as many accounts, the file's pages before and after.
void BM_HistoryBytesPerVersion(benchmark::State& state) {
    Book& b = book(state.range(0));
    sqlite3* db = b.app.DbConn.Handle();
    const auto bytes = [db] {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "select page_count * page_size from pragma_page_count, pragma_page_size", -1, &st, nullptr);
        sqlite3_step(st);
        const int64_t size = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return size;
    };
    constexpr int kVersions = 2000;
    double perVersion = 0;
    for (auto _ : state) {
        b.app.DbConn.Execute("delete from AccountHistory; vacuum");
        const int64_t before = bytes();
        qm::store::Recordset rs;
        rs.Open("select * from AccountData where rowid <= " + std::to_string(kVersions), b.app.DbConn);
        qm::store::AllOrNothing(b.app.DbConn, "bench_versions", [&] {
            for (; !rs.Eof(); rs.MoveNext())
                qm::store::KeepVersion(b.app.DbConn, "amy", rs["AccountGuid"].Text(), qm::store::VersionOf(rs),
                                       b.host.os.nowUtc);
        });
        perVersion = static_cast<double>(bytes() - before) / kVersions;
    }
    state.counters["bytes_per_version"] = perVersion;
}

}  // namespace

BENCHMARK(BM_SaveWithHistory)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryBytesPerVersion)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HealthCheck)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFillOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindowFill)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickFindKeystroke)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickFindKeystrokeWithoutPinyin)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickFindNextKeystroke)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickFindPinyinKeystroke)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickFindPinyinNextKeystroke)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickFindClearedShowsAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
