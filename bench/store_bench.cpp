// The store over a large book: the whole-book check of the start, and the
// quick find's record-set filter and walk beside SQLite running the same
// condition itself, at 10,000 and 100,000 accounts.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>

#include "store/Connection.h"
#include "store/DataFile.h"
#include "store/Recordset.h"
#include "bench_support.h"
#include "text/pinyin.h"

namespace {

constexpr const char* kQuickFind = "AccountPY like '%yx%' or AccountName like '%yx%'";
constexpr const char* kQuickFindPinyin = "AccountPY like '%yx%' or AccountName like '%yx%' or AccountName pinyin 'yx'";

struct Book {
    std::string path;
    qm::store::Connection conn;
};

// One database per size, built once for all the benchmarks that use it.
Book& book(int64_t rows) {
    static std::map<int64_t, std::unique_ptr<Book>> books;
    auto& b = books[rows];
    if (b) return *b;
    b = std::make_unique<Book>();
    b->path = (std::filesystem::temp_directory_path() / ("qm_bench_" + std::to_string(rows) + ".dat")).string();
    std::filesystem::remove(b->path);
    sqlite3* db = nullptr;
    sqlite3_open(b->path.c_str(), &db);
    sqlite3_exec(db, qm::store::SchemaSql(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into AccountData(UserName, TypeName, AccountName, AccountPY, AccountID, AccountPassword, RegDate, URL, Remarks) values('amy', ?, ?, ?, ?, 'x', '2026-12-07', 'http://example.com', '')",
                       -1, &st, nullptr);
    std::mt19937 rng(1);
    const char* types[] = {"邮箱帐号", "论坛帐号", "游戏帐号", "银行帐号"};
    for (int64_t i = 0; i < rows; ++i) {
        const std::string name = qm::bench::RandomChineseName(rng) + (i % 50 == 0 ? "邮箱" : "");
        const std::string py = qm::text::PinyinInitials(name);
        const std::string id = "user" + std::to_string(i);
        sqlite3_bind_text(st, 1, types[i % 4], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, py.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    b->conn.Open(b->path);
    return *b;
}

void BM_OpenRecordset(benchmark::State& state) {
    Book& b = book(state.range(0));
    for (auto _ : state) {
        qm::store::Recordset rs;
        rs.Open("select * from AccountData where UserName = 'amy'", b.conn);
        benchmark::DoNotOptimize(rs.RecordCount());
    }
}

void BM_Requery(benchmark::State& state) {
    Book& b = book(state.range(0));
    qm::store::Recordset rs;
    rs.Open("select * from AccountData where UserName = 'amy'", b.conn);
    for (auto _ : state) {
        rs.Requery();
        benchmark::DoNotOptimize(rs.RecordCount());
    }
}

// What a keystroke in the quick-find box costs: set the filter, walk the rows.
void BM_QuickFindFilterAndWalk(benchmark::State& state) {
    Book& b = book(state.range(0));
    qm::store::Recordset rs;
    rs.Open("select * from AccountData where UserName = 'amy'", b.conn);
    size_t found = 0;
    for (auto _ : state) {
        rs.Filter(kQuickFind);
        found = 0;
        for (; !rs.Eof(); rs.MoveNext()) found += rs["AccountName"].Text().size() > 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["rows_found"] = static_cast<double>(found);
}

// The same with the pinyin comparison the quick find adds, over the
// spellings kept when the rows were read.
void BM_QuickFindPinyinFilterAndWalk(benchmark::State& state) {
    Book& b = book(state.range(0));
    qm::store::Recordset rs;
    rs.KeepSpelling("AccountName");
    rs.Open("select * from AccountData where UserName = 'amy'", b.conn);
    size_t found = 0;
    for (auto _ : state) {
        rs.Filter(kQuickFindPinyin);
        found = 0;
        for (; !rs.Eof(); rs.MoveNext()) found += rs["AccountName"].Text().size() > 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["rows_found"] = static_cast<double>(found);
}

// Reading the rows with their spellings made, beside BM_OpenRecordset.
void BM_OpenRecordsetSpelled(benchmark::State& state) {
    Book& b = book(state.range(0));
    for (auto _ : state) {
        qm::store::Recordset rs;
        rs.KeepSpelling("AccountName");
        rs.Open("select * from AccountData where UserName = 'amy'", b.conn);
        benchmark::DoNotOptimize(rs.RecordCount());
    }
}

void BM_SqliteWhereDirect(benchmark::State& state) {
    Book& b = book(state.range(0));
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(b.conn.Handle(),
                       (std::string("select * from AccountData where UserName = 'amy' and (") + kQuickFind + ")").c_str(),
                       -1, &st, nullptr);
    size_t found = 0;
    for (auto _ : state) {
        found = 0;
        while (sqlite3_step(st) == SQLITE_ROW) found += sqlite3_column_bytes(st, 2) > 0;
        sqlite3_reset(st);
        benchmark::DoNotOptimize(found);
    }
    sqlite3_finalize(st);
    state.counters["rows_found"] = static_cast<double>(found);
}

// What proving the book whole costs the start: the file's size against its
// header and SQLite's quick check, beside opening the record set of every
// account, which the start does anyway.
void BM_CheckWhole(benchmark::State& state) {
    Book& b = book(state.range(0));
    for (auto _ : state) b.conn.CheckWhole();
}

}  // namespace

BENCHMARK(BM_CheckWhole)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRecordset)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRecordsetSpelled)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Requery)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickFindFilterAndWalk)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickFindPinyinFilterAndWalk)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteWhereDirect)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
