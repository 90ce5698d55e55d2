#include "gen/Generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <set>

using namespace qm::gen;

namespace {

// A source that replays: the generator's uniform draws come from its bytes.
struct Replay : BytesRandom {
    explicit Replay(uint32_t seed)
        : BytesRandom([this](uint8_t* b, size_t n) {
              for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(bits(engine));
          }),
          engine(seed) {}
    std::mt19937 engine;
    std::uniform_int_distribution<int> bits{0, 255};
};

CharChoices choices(int length, int classMask, bool exclude) {
    return {length, (classMask & 1) != 0, (classMask & 2) != 0, (classMask & 4) != 0, (classMask & 8) != 0, exclude};
}

// Plays every sequence of draws in turn, as an odometer: Next() moves on to
// the sequence after the one just played, false after the last. A draw of
// `bound` takes only the values below limit(bound), to keep the walk short.
struct EveryDraw : RandomSource {
    uint32_t Uniform(uint32_t bound) override {
        if (at == digits.size()) digits.push_back({0, bound});
        return digits[at++].value;
    }
    bool Next() {
        at = 0;
        while (!digits.empty() && ++digits.back().value >= limit(digits.back().bound)) digits.pop_back();
        return !digits.empty();
    }
    // The chance of the sequence just played.
    double Chance() const {
        double p = 1;
        for (const Digit& d : digits) p /= d.bound;
        return p;
    }
    struct Digit {
        uint32_t value, bound;
    };
    std::vector<Digit> digits;
    size_t at = 0;
    std::function<uint32_t(uint32_t)> limit = [](uint32_t bound) { return bound; };
};

// Pearson's statistic of observed counts against expected ones.
double chiSquare(const std::map<char, double>& expected, const std::map<char, int>& seen) {
    double x = 0;
    for (const auto& [c, e] : expected) {
        const auto it = seen.find(c);
        const double o = it == seen.end() ? 0 : it->second;
        x += (o - e) * (o - e) / e;
    }
    return x;
}

}  // namespace

TEST(Generator, EveryLengthAndClassMixGivesWhatWasTicked) {
    Replay random(1);
    for (int mask = 0; mask < 16; ++mask)
        for (bool exclude : {false, true})
            for (int length = 1; length <= kMaxLength + 1; ++length) {
                const CharChoices c = choices(length, mask, exclude);
                const std::vector<std::string> classes = CharClasses(c);
                const bool possible = mask != 0 && length >= kMinLength && length <= kMaxLength &&
                                      static_cast<size_t>(length) >= classes.size();
                SCOPED_TRACE("mask " + std::to_string(mask) + " length " + std::to_string(length) +
                             (exclude ? " excluding" : ""));
                ASSERT_EQ(CharRefusal(c).empty(), possible) << CharRefusal(c);
                if (!possible) continue;
                for (int draw = 0; draw < 3; ++draw) {
                    const std::string p = MakePassword(c, random);
                    ASSERT_EQ(p.size(), static_cast<size_t>(length));
                    for (const std::string& cls : classes)
                        ASSERT_NE(p.find_first_of(cls), std::string::npos) << p << " lacks one of " << cls;
                    std::string all;
                    for (const std::string& cls : classes) all += cls;
                    ASSERT_EQ(p.find_first_not_of(all), std::string::npos) << p;
                    if (exclude) {
                        ASSERT_EQ(p.find_first_of(kLookAlikes), std::string::npos) << p;
                    }
                }
            }
}

TEST(Generator, RefusalsSayWhy) {
    const struct {
        CharChoices c;
        const char* said;
    } rows[] = {
        {choices(3, 15, false), "密码长度应在4到128位之间!"},
        {choices(129, 15, false), "密码长度应在4到128位之间!"},
        {choices(16, 0, false), "请至少选择一类字符!"},
        {choices(4, 15, false), ""},
    };
    for (const auto& r : rows) EXPECT_EQ(CharRefusal(r.c), r.said);
    EXPECT_EQ(PhraseRefusal({3}), "单词个数应在4到10之间!");
    EXPECT_EQ(PhraseRefusal({11}), "单词个数应在4到10之间!");
    EXPECT_EQ(PhraseRefusal({10}), "");
}

// Each character's share is what the rule promises: one of each class, the
// rest from all alike. A draw taken modulo the size from too few bits, a pool
// one short, or a class's character favoured would each show here.
TEST(Generator, CharacterFrequenciesPassAChiSquareTest) {
    for (const CharChoices& c : {choices(16, 15, false), choices(12, 15, true), choices(6, 4, false)}) {
        Replay random(7);
        const std::vector<std::string> classes = CharClasses(c);
        std::string all;
        for (const std::string& cls : classes) all += cls;
        const int passwords = 20000;
        std::map<char, double> expected;
        const double rest = c.length - static_cast<double>(classes.size());
        for (const std::string& cls : classes)
            for (char ch : cls) expected[ch] = passwords * (1.0 / cls.size() + rest / all.size());
        std::map<char, int> seen;
        for (int i = 0; i < passwords; ++i)
            for (char ch : MakePassword(c, random)) ++seen[ch];
        // The 99.9999% point of the distribution for as many degrees of
        // freedom, by the Wilson-Hilferty approximation.
        const double df = static_cast<double>(expected.size() - 1), z = 4.753;
        const double limit = df * std::pow(1 - 2 / (9 * df) + z * std::sqrt(2 / (9 * df)), 3);
        EXPECT_LT(chiSquare(expected, seen), limit) << all;
    }
}

TEST(Generator, GuaranteedCharactersLandAnywhere) {
    // Four places, four classes: every class must be as likely in every place.
    Replay random(3);
    const CharChoices c = choices(4, 15, false);
    const std::vector<std::string> classes = CharClasses(c);
    int counts[4][4] = {};
    const int passwords = 40000;
    for (int i = 0; i < passwords; ++i) {
        const std::string p = MakePassword(c, random);
        for (int at = 0; at < 4; ++at)
            for (int k = 0; k < 4; ++k)
                if (classes[k].find(p[at]) != std::string::npos) ++counts[at][k];
    }
    for (int at = 0; at < 4; ++at)
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(counts[at][k], passwords / 4, passwords / 4 * 0.05) << at << "," << k;
}

TEST(Generator, WordListIsLargeUniqueAndReadsOneWayJoined) {
    const auto& words = Words();
    EXPECT_GE(words.size(), 4000u);
    EXPECT_TRUE(std::is_sorted(words.begin(), words.end()));
    EXPECT_EQ(std::adjacent_find(words.begin(), words.end()), words.end());
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string_view w = words[i];
        EXPECT_TRUE(w.size() >= 3 && w.size() <= 9 && w.find_first_not_of("abcdefghijklmnopqrstuvwxyz") == w.npos) << w;
        // Sorted, a word that begins another would stand right before it.
        if (i + 1 < words.size()) {
            EXPECT_NE(words[i + 1].substr(0, w.size()), w) << w << " begins " << words[i + 1];
        }
    }
}

TEST(Generator, PhrasesFollowTheChoices) {
    Replay random(5);
    const std::set<std::string_view> known(Words().begin(), Words().end());
    const PhraseChoices rows[] = {{4, "-", false, false}, {10, " ", true, false}, {6, "", false, true},
                                  {5, "", true, true},   {7, "_.", false, true}};
    for (const PhraseChoices& c : rows)
        for (int draw = 0; draw < 50; ++draw) {
            const std::string p = MakePassphrase(c, random);
            SCOPED_TRACE(p);
            EXPECT_EQ(std::count_if(p.begin(), p.end(), [](char ch) { return ch >= '0' && ch <= '9'; }), c.digit ? 1 : 0);
            // Read it back: the words one by one, the digit dropped, the case undone.
            std::string rest;
            for (char ch : p)
                if (ch < '0' || ch > '9') rest += ch;
            int words = 0;
            while (!rest.empty()) {
                if (words > 0) {
                    ASSERT_EQ(rest.substr(0, c.separator.size()), c.separator);
                    rest.erase(0, c.separator.size());
                }
                ASSERT_EQ(rest[0] >= 'A' && rest[0] <= 'Z', c.capitalise);
                if (c.capitalise) rest[0] = static_cast<char>(rest[0] - 'A' + 'a');
                size_t len = 3;
                while (len <= rest.size() && !known.count(std::string_view(rest).substr(0, len))) ++len;
                ASSERT_LE(len, rest.size()) << "no word at " << rest;
                rest.erase(0, len);
                ++words;
            }
            EXPECT_EQ(words, c.words);
        }
}

TEST(Generator, BitsAreShownRoundedDown) {
    EXPECT_EQ(BitsText(PasswordBits({})), "约 104 位");  // 16 of 94 characters
    EXPECT_EQ(PasswordBits(choices(16, 15, true)), 102);
    // One of each class in some order: every such password alike, 26*26*10*32*4! of them, 22.3 bits.
    EXPECT_EQ(PasswordBits(choices(4, 15, false)), 22);
    EXPECT_NEAR(PasswordEntropy({26, 26, 10, 32}, 4), std::log2(26.0 * 26 * 10 * 32 * 24), 1e-9);
    EXPECT_EQ(PasswordBits(choices(5, 8, false)), 25);  // 5 bits a symbol exactly
    EXPECT_EQ(PasswordEntropy({}, 16), 0);  // no class, or more classes than places: no password
    EXPECT_EQ(PasswordEntropy({26, 26, 10, 32}, 3), 0);
    EXPECT_EQ(PasswordBits(choices(4, 4, false)), 13);
    EXPECT_EQ(PasswordBits(choices(128, 15, false)), 838);
    const double perWord = std::log2(static_cast<double>(Words().size()));
    EXPECT_EQ(PassphraseBits({5}), static_cast<int>(5 * perWord));
    EXPECT_EQ(PassphraseBits({5, "", true, true}), static_cast<int>(5 * perWord + std::log2(50.0)));
}

// The figure against brute force: every sequence of draws the generator can
// make, each with its chance, for classes small enough to walk through. What
// comes out must be every password of the length holding each class, and
// nothing else, and the figure its Shannon entropy.
TEST(Generator, PasswordFigureIsTheEntropyOfWhatTheDrawsGive) {
    const struct {
        std::vector<std::string> classes;
        int length;
    } rows[] = {{{"abc"}, 3},           {{"ab", "c"}, 3},          {{"ab", "cde"}, 4},     {{"a", "b", "cd"}, 4},
                {{"ab", "cd"}, 5},      {{"a", "b", "c", "d"}, 4}, {{"ab", "c", "de"}, 5}, {{"abc", "d"}, 2}};
    for (const auto& r : rows) {
        std::string all;
        std::vector<size_t> sizes;
        for (const std::string& cls : r.classes) all += cls, sizes.push_back(cls.size());
        SCOPED_TRACE(all + " length " + std::to_string(r.length));
        std::map<std::string, double> chance;
        EveryDraw draws;
        do {
            const std::string p = MakePassword(r.classes, r.length, draws);
            chance[p] += draws.Chance();
        } while (draws.Next());
        std::set<std::string> made, possible;
        for (const auto& [p, c] : chance) made.insert(p);
        std::string p(static_cast<size_t>(r.length), ' ');
        for (size_t n = 0; n < static_cast<size_t>(std::pow(all.size(), r.length)); ++n) {
            for (size_t i = 0, k = n; i < p.size(); ++i, k /= all.size()) p[i] = all[k % all.size()];
            if (std::all_of(r.classes.begin(), r.classes.end(), [&](const std::string& cls) { return p.find_first_of(cls) != p.npos; }))
                possible.insert(p);
        }
        EXPECT_EQ(made, possible);
        double bits = 0;
        for (const auto& [p, c] : chance) bits -= c * std::log2(c);
        EXPECT_NEAR(PasswordEntropy(sizes, r.length), bits, 1e-9);
    }
}

// At every length the figure stays a fraction of a bit under log2 of how
// many passwords there are, counted over the classes by inclusion and
// exclusion: a slip that grows with the length, or a sum that overflows, shows.
TEST(Generator, PasswordFigureStaysJustUnderTheCountAtEveryLength) {
    for (int mask = 1; mask < 16; ++mask)
        for (bool exclude : {false, true}) {
            std::vector<size_t> sizes;
            for (const std::string& cls : CharClasses(choices(kMaxLength, mask, exclude))) sizes.push_back(cls.size());
            double all = 0;
            for (size_t s : sizes) all += static_cast<double>(s);
            for (int length = std::max<int>(kMinLength, static_cast<int>(sizes.size())); length <= kMaxLength; ++length) {
                double share = 0;  // of all strings of the length, those holding every class
                for (unsigned left = 0; left < 1u << sizes.size(); ++left) {
                    double kept = all;
                    for (size_t k = 0; k < sizes.size(); ++k)
                        if (left >> k & 1) kept -= static_cast<double>(sizes[k]);
                    share += (std::popcount(left) % 2 ? -1 : 1) * std::pow(kept / all, length);
                }
                const double count = length * std::log2(all) + std::log2(share), bits = PasswordEntropy(sizes, length);
                EXPECT_LE(bits, count + 1e-9) << mask << " " << exclude << " " << length;
                EXPECT_GT(bits, count - 0.2) << mask << " " << exclude << " " << length;
            }
        }
}

// A phrase is told by its words, the digit and its place, so every sequence
// of draws gives a phrase of its own and the figure is log2 of how many
// sequences there are. Separators of digits and letters try to blur that.
TEST(Generator, EveryDrawMakesItsOwnPhraseAndTheFigureCountsThem) {
    const uint32_t wordCount = static_cast<uint32_t>(Words().size());
    const PhraseChoices rows[] = {{4, "-", false, true}, {4, "", true, true},  {4, "1", false, true},
                                  {4, "11", false, true}, {4, "a1", false, true}, {5, "x", false, false}};
    for (const PhraseChoices& c : rows) {
        SCOPED_TRACE("separator '" + c.separator + "'" + (c.digit ? " with a digit" : ""));
        EveryDraw draws;
        draws.limit = [&](uint32_t bound) { return bound == wordCount ? 3 : bound; };  // three words only
        std::set<std::string> phrases;
        size_t sequences = 0;
        double bits = 0;
        do {
            phrases.insert(MakePassphrase(c, draws));
            ++sequences;
            bits = 0;
            for (const EveryDraw::Digit& d : draws.digits) bits += std::log2(static_cast<double>(d.bound));
        } while (draws.Next());
        EXPECT_EQ(phrases.size(), sequences);
        EXPECT_EQ(PassphraseBits(c), static_cast<int>(bits));
    }
}

// The program's own source, which no other test draws from: every value
// below the bound comes, and none at or above it. A bound one short would
// never give Z, z, 9 or ~, nor the last word.
TEST(Generator, TheSystemSourceGivesEveryValueBelowTheBoundAndNoOther) {
    SystemRandom random;
    for (const uint32_t bound : {1u, 2u, 10u, 94u, static_cast<uint32_t>(Words().size())}) {
        std::vector<int> seen(bound);
        int outside = 0;
        // 30 draws a value: a value missed by chance about once in 10^13.
        for (uint32_t i = 0; i < 30 * bound; ++i) {
            const uint32_t v = random.Uniform(bound);
            v < bound ? ++seen[v] : ++outside;
        }
        EXPECT_EQ(outside, 0) << bound;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 0), 0) << bound;
    }
}
