// Initials of 100,000 Chinese account names, as a large book would need them.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "text/pinyin.h"

namespace {

std::vector<std::string> chineseNames(size_t count) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> lead(0xB0, 0xD7), trail(0xA1, 0xF9), length(2, 6);
    std::vector<std::string> names;
    names.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        std::string gbk;
        for (int n = length(rng); n > 0; --n) gbk += {static_cast<char>(lead(rng)), static_cast<char>(trail(rng))};
        names.push_back(qm::text::FromGb18030(gbk) + "帐号");
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

}  // namespace

BENCHMARK(BM_PinyinInitials100k)->Unit(benchmark::kMillisecond);
