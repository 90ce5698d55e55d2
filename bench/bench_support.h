#pragma once
// Test data for the benchmarks: Chinese names from the first level of
// GB 2312, as account names mostly are.
#include <random>
#include <string>

#include "text/codepage.h"

namespace qm::bench {

inline std::string RandomChineseName(std::mt19937& rng, int minChars = 2, int maxChars = 5) {
    std::uniform_int_distribution<int> lead(0xB0, 0xD7), trail(0xA1, 0xF9), length(minChars, maxChars);
    std::string gbk;
    for (int n = length(rng); n > 0; --n) gbk += {static_cast<char>(lead(rng)), static_cast<char>(trail(rng))};
    return text::FromGb18030(gbk);
}

}  // namespace qm::bench
