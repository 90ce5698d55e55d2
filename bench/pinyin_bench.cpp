// Initials of 100,000 Chinese account names, as a large book would need
// them, and their spellings for the pinyin find, which reading the rows makes.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "text/pinyin.h"
#include "text/pinyin_find.h"

namespace {

std::vector<std::string> chineseNames(size_t count) {
    std::mt19937 rng(7);
    std::vector<std::string> names;
    names.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        names.push_back(qm::bench::RandomChineseName(rng, 2, 6) + "帐号");
    }
    return names;
}

void BM_PinyinInitials100k(benchmark::State& state) {
    const auto names = chineseNames(100000);
    for (auto _ : state) {
        size_t total = 0;
        for (const auto& name : names) total += qm::text::PinyinInitials(name).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}

void BM_SpellForFind100k(benchmark::State& state) {
    const auto names = chineseNames(100000);
    size_t total = 0;
    for (auto _ : state) {
        total = 0;
        for (const auto& name : names) total += qm::text::SpellForFind(name).size();
        benchmark::DoNotOptimize(total);
    }
    state.counters["bytes_per_name"] = static_cast<double>(total) / static_cast<double>(names.size());
}

}  // namespace

BENCHMARK(BM_PinyinInitials100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpellForFind100k)->Unit(benchmark::kMillisecond);
