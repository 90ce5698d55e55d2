// Import and export at 10,000 accounts: reading a browser's export (bytes to
// records to the plan), writing the plan into a fresh book in one
// transaction, and the export of that book.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <random>

#include "bench_support.h"
#include "crypto/SimpleXOR.h"
#include "store/Connection.h"
#include "store/DataFile.h"
#include "transfer/Export.h"
#include "transfer/Import.h"

using namespace qm::transfer;

namespace {

std::string browserExport(size_t rows) {
    std::mt19937 rng(7);
    std::string text = "name,url,username,password,note\r\n";
    for (size_t i = 0; i < rows; ++i) {
        const std::string name = qm::bench::RandomChineseName(rng);
        AppendCsvField(text, name);
        text += ",https://www.site" + std::to_string(i) + ".example.com/login,user" + std::to_string(i) + ",";
        AppendCsvField(text, "p,\"w" + std::to_string(rng()));
        text += ",\r\n";
    }
    return text;
}

std::string freshBook() {
    const std::string path = (std::filesystem::temp_directory_path() / "qm_bench_import.dat").string();
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, qm::store::SchemaSql(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

SecretSeal cipherSeal(qm::crypto::clsSimpleXOR& cipher) {
    return {[&cipher](SecretField f, std::string_view s, std::string_view) {
                return f == SecretField::AccountPassword
                           ? cipher.EncryptString(std::string(s), qm::crypto::kAccountPasswordKey)
                           : std::string(s);
            },
            [&cipher](SecretField f, std::string_view s, std::string_view) -> std::optional<std::string> {
                return f == SecretField::AccountPassword
                           ? cipher.DecryptString(std::string(s), qm::crypto::kAccountPasswordKey)
                           : std::string(s);
            }};
}

void BM_ImportParseAndPlan(benchmark::State& state) {
    const std::string file = browserExport(static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(MakePlan(ReadSource(file), {}, DuplicateChoice::Skip));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportParseAndPlan)->Arg(10000)->Unit(benchmark::kMillisecond);

// The preview's plan of a file already read, as each choice in it makes it
// again: rows all different; all the same account, imported as copies
// ("导入为副本"); each row in a category of its own. Four times the rows
// should take about four times as long.
enum PlanKind { kDistinct, kIdenticalCopies, kManyCategories };

SourceFile planSource(size_t rows, PlanKind kind) {
    std::string text = "Group,Title,Username,Password,URL,Notes\r\n";
    for (size_t i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        switch (kind) {
            case kDistinct: text += "Root/邮箱,name" + n + ",user" + n + ",pw" + n + ",https://site" + n + ".cn,\r\n"; break;
            case kIdenticalCopies: text += "Root/邮箱,QQ,amy,pw,https://qq.com,\r\n"; break;
            case kManyCategories: text += "Root/分类" + n + ",name" + n + ",user,pw,,\r\n"; break;
        }
    }
    return ReadSource(text);
}

void BM_ImportPlan(benchmark::State& state) {
    const auto rows = static_cast<size_t>(state.range(0));
    const auto kind = static_cast<PlanKind>(state.range(1));
    const SourceFile source = planSource(rows, kind);
    const DuplicateChoice choice = kind == kIdenticalCopies ? DuplicateChoice::Copy : DuplicateChoice::Skip;
    for (auto _ : state) benchmark::DoNotOptimize(MakePlan(source, {}, choice));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel(kind == kDistinct ? "distinct" : kind == kIdenticalCopies ? "identical, copies" : "many categories");
}
BENCHMARK(BM_ImportPlan)
    ->ArgsProduct({{2500, 10000, 40000}, {kDistinct, kIdenticalCopies, kManyCategories}})
    ->Unit(benchmark::kMillisecond);

// Parse, map and write, as the preview's "开始导入(&S)" does it.
void BM_ImportWhole(benchmark::State& state) {
    const std::string file = browserExport(static_cast<size_t>(state.range(0)));
    qm::crypto::clsSimpleXOR cipher;
    const SecretSeal seal = cipherSeal(cipher);
    for (auto _ : state) {
        state.PauseTiming();
        qm::store::Connection conn;
        conn.Open(freshBook());
        state.ResumeTiming();
        const Plan plan = MakePlan(ReadSource(file), ReadBook(conn, "amy"), DuplicateChoice::Skip);
        benchmark::DoNotOptimize(WriteImport(conn, "amy", plan, seal, 0));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImportWhole)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Export(benchmark::State& state) {
    qm::crypto::clsSimpleXOR cipher;
    const SecretSeal seal = cipherSeal(cipher);
    qm::store::Connection conn;
    conn.Open(freshBook());
    WriteImport(conn, "amy", MakePlan(ReadSource(browserExport(static_cast<size_t>(state.range(0)))), {},
                                      DuplicateChoice::Skip), seal, 0);
    for (auto _ : state) {
        ExportResult result;
        benchmark::DoNotOptimize(ExportBytes(conn, "amy", seal, result));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Export)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
