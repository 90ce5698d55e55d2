#include "text/readings.h"

#include <array>
#include <bit>

namespace qm::text {
namespace {

// A stretch of code points with one bit each in kPresent, from word `word` on.
struct Span {
    uint32_t first, last, word;
};

#include "readings_table.inc"

constexpr size_t kSetCount = std::size(kSetStarts) - 1;

}  // namespace

uint16_t ReadingSetOf(char32_t c) {
    for (const Span& span : kSpans) {
        if (c < span.first || c > span.last) continue;
        const uint32_t bit = c - span.first;
        const uint64_t word = kPresent[span.word + bit / 64];
        const uint64_t mask = uint64_t{1} << (bit % 64);
        if (!(word & mask)) return 0;
        return static_cast<uint16_t>(kSetOf[kRankBefore[span.word + bit / 64] + std::popcount(word & (mask - 1))] + 1);
    }
    return 0;
}

std::span<const uint16_t> ReadingSet(uint16_t set) {
    if (set == 0 || set > kSetCount) return {};
    return {kSetItems + kSetStarts[set - 1], kSetItems + kSetStarts[set]};
}

std::string_view Syllable(uint16_t id) {
    if (id >= std::size(kSyllableEnds)) return {};
    const uint16_t begin = id == 0 ? 0 : kSyllableEnds[id - 1];
    return {kSyllableText + begin, static_cast<size_t>(kSyllableEnds[id] - begin)};
}

namespace {

struct SetLetters {
    uint32_t all = 0, first = 0;
};

const SetLetters& setLetters(uint16_t set) {
    static const auto table = [] {
        std::array<SetLetters, kSetCount + 1> t{};
        for (uint16_t k = 1; k <= kSetCount; ++k) {
            for (const uint16_t id : ReadingSet(k)) {
                const std::string_view s = Syllable(id);
                for (const char c : s) t[k].all |= uint32_t{1} << (c - 'a');
                t[k].first |= uint32_t{1} << (s[0] - 'a');
            }
        }
        return t;
    }();
    return table[set <= kSetCount ? set : 0];
}

}  // namespace

uint32_t ReadingLetters(uint16_t set) { return setLetters(set).all; }

uint32_t ReadingInitials(uint16_t set) { return setLetters(set).first; }

}  // namespace qm::text
