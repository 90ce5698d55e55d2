// One one-time code's computation for each hash, and the QR reader over a
// full-HD screen: with a code on it, and without one (what a scan of a screen
// showing no code costs).
#include <benchmark/benchmark.h>

#include <algorithm>

#include "otp/Code.h"
#include "otp/Qr.h"
#include "qr_matrices.h"  // the tests' QR codes, drawn by qrencode

namespace {

void BM_OtpCode(benchmark::State& state) {
    auto parsed = qm::otp::ParseSecret("otpauth://totp/x?secret=GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ&digits=8");
    qm::otp::Params p = std::move(*parsed.params);
    p.algorithm = static_cast<qm::otp::Algorithm>(state.range(0));
    int64_t t = 1765000000;
    for (auto _ : state) {
        auto code = qm::otp::CodeAt(p, t);
        benchmark::DoNotOptimize(code.data());
        t += 30;
    }
}

qm::platform::GreyImage Screen(bool withCode) {
    qm::platform::GreyImage image{1920, 1080, qm::platform::WipedBytes(1920 * 1080)};
    uint32_t seed = 7;
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        seed = seed * 1664525 + 1013904223;
        const int x = int(i % 1920), y = int(i / 1920);
        image.pixels[i] = uint8_t(std::clamp(70 + x / 16 + y / 20 + int(seed >> 28) - 8 - ((x / 150 + y / 110) % 5 ? 0 : 50), 0, 255));
    }
    if (withCode) {
        const QrMatrix& m = kQrMatrices[0];
        const int scale = 4, side = (m.size + 8) * scale;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const int mx = x / scale - 4, my = y / scale - 4;
                const bool dark = mx >= 0 && my >= 0 && mx < m.size && my < m.size && m.rows[my][mx] == '#';
                image.pixels[size_t(400 + y) * 1920 + size_t(1200 + x)] = dark ? 20 : 235;
            }
    }
    return image;
}

void BM_QrScanFullHd(benchmark::State& state) {
    const qm::platform::GreyImage screen = Screen(state.range(0) != 0);
    size_t found = 0;
    for (auto _ : state) found = qm::otp::ReadQrCodes(screen).size();
    state.counters["codes_found"] = static_cast<double>(found);
}

}  // namespace

BENCHMARK(BM_OtpCode)->Arg(0)->Arg(1)->Arg(2);  // SHA-1, SHA-256, SHA-512
BENCHMARK(BM_QrScanFullHd)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
