// The cipher against memcpy of the same buffer, at the data file's usual size
// and at a large one; the counter shows how often Progress was raised.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "crypto/SimpleXOR.h"

namespace {

void BM_EncryptByte(benchmark::State& state) {
    std::vector<uint8_t> data(static_cast<size_t>(state.range(0)), 0x5A);
    qm::crypto::clsSimpleXOR x;
    int64_t notices = 0;
    x.Progress = [&](int32_t) { ++notices; };
    for (auto _ : state) {
        x.EncryptByte(data, qm::crypto::kDataFileKey);
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.counters["progress_per_call"] = static_cast<double>(notices) / static_cast<double>(state.iterations());
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint8_t> src(static_cast<size_t>(state.range(0)), 0x5A), dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_EncryptByte)->Arg(300 << 10)->Arg(64 << 20);
BENCHMARK(BM_Memcpy)->Arg(300 << 10)->Arg(64 << 20);
