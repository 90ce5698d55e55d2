#include "gen/Generator.h"

#include <cmath>

namespace qm::gen {

uint32_t BytesRandom::Uniform(uint32_t bound) {
    if (bound < 2) return 0;
    // 2^32 mod bound: the numbers below it would be drawn once more often than the rest.
    const uint32_t tail = static_cast<uint32_t>(-bound) % bound;
    for (;;) {
        uint8_t b[4];
        fill_(b, sizeof b);
        const uint32_t r = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
        if (r >= tail) return r % bound;
    }
}

namespace {

std::string without(std::string_view all, bool dropLookAlikes) {
    std::string kept;
    for (char c : all)
        if (!dropLookAlikes || kLookAlikes.find(c) == std::string_view::npos) kept += c;
    return kept;
}

std::string join(const std::vector<std::string>& parts) {
    std::string all;
    for (const std::string& p : parts) all += p;
    return all;
}

}  // namespace

std::vector<std::string> CharClasses(const CharChoices& c) {
    static constexpr std::string_view upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ", lower = "abcdefghijklmnopqrstuvwxyz",
                                      digits = "0123456789", symbols = "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
    std::vector<std::string> classes;
    if (c.upper) classes.push_back(without(upper, c.excludeLookAlikes));
    if (c.lower) classes.push_back(without(lower, c.excludeLookAlikes));
    if (c.digits) classes.push_back(without(digits, c.excludeLookAlikes));
    if (c.symbols) classes.push_back(without(symbols, c.excludeLookAlikes));
    return classes;
}

std::string CharRefusal(const CharChoices& c) {
    if (c.length < kMinLength || c.length > kMaxLength)
        return "密码长度应在" + std::to_string(kMinLength) + "到" + std::to_string(kMaxLength) + "位之间!";
    const size_t classes = CharClasses(c).size();
    if (classes == 0) return "请至少选择一类字符!";
    // Every ticked class gets a place of its own: dropping one quietly would
    // give a password that some sign-up form then refuses.
    if (static_cast<size_t>(c.length) < classes)
        return "密码长度为" + std::to_string(c.length) + "位,容不下所选的" + std::to_string(classes) +
               "类字符,请加长密码或少选几类字符!";
    return "";
}

std::string PhraseRefusal(const PhraseChoices& c) {
    if (c.words < kMinWords || c.words > kMaxWords)
        return "单词个数应在" + std::to_string(kMinWords) + "到" + std::to_string(kMaxWords) + "之间!";
    return "";
}

std::string MakePassword(const CharChoices& c, RandomSource& random) {
    return MakePassword(CharClasses(c), c.length, random);
}

std::string MakePassword(const std::vector<std::string>& classes, int length, RandomSource& random) {
    const std::string all = join(classes);
    std::string out;
    for (const std::string& cls : classes) out += cls[random.Uniform(static_cast<uint32_t>(cls.size()))];
    while (out.size() < static_cast<size_t>(length)) out += all[random.Uniform(static_cast<uint32_t>(all.size()))];
    // The guaranteed characters would otherwise always stand first, in class order.
    for (size_t i = out.size() - 1; i > 0; --i) std::swap(out[i], out[random.Uniform(static_cast<uint32_t>(i + 1))]);
    return out;
}

std::string MakePassphrase(const PhraseChoices& c, RandomSource& random) {
    const std::vector<std::string_view>& words = Words();
    const uint32_t digitAfter = c.digit ? random.Uniform(static_cast<uint32_t>(c.words)) : UINT32_MAX;
    std::string out;
    for (int i = 0; i < c.words; ++i) {
        if (i > 0) out += c.separator;
        std::string word(words[random.Uniform(static_cast<uint32_t>(words.size()))]);
        if (c.capitalise) word[0] = static_cast<char>(word[0] - 'a' + 'A');
        out += word;
        if (static_cast<uint32_t>(i) == digitAfter) out += static_cast<char>('0' + random.Uniform(10));
    }
    return out;
}

namespace {

// E[log2(1 + B)] for B binomial: n tries, each a success with chance p.
double meanLog2OnePlusBinomial(int n, double p) {
    if (p >= 1) return std::log2(1.0 + n);
    const double lp = std::log(p), lq = std::log1p(-p), ln = std::lgamma(n + 1.0);
    double mean = 0;
    for (int j = 0; j <= n; ++j)
        mean += std::exp(ln - std::lgamma(j + 1.0) - std::lgamma(n - j + 1.0) + j * lp + (n - j) * lq) * std::log2(1.0 + j);
    return mean;
}

}  // namespace

// Every password of the length with a character of each class can come out
// (the shuffle puts the drawn ones anywhere), but not all alike: with S_c
// characters in class c, N in all, k classes and n = L - k free draws, a
// password holding m_c characters of class c comes from any one of them as
// the class's own draw, so it is made with probability
//     P = m_1 ... m_k n! / (L! S_1 ... S_k N^n),
// and one holding many of each class is likelier. The figure is therefore
// the Shannon entropy, -E[log2 P], not log2 of how many passwords there are
// (which would overstate it, by up to a tenth of a bit here). Since m_c - 1
// counts the free draws that fell in class c, binomial (n, S_c / N):
//     H = log2(L! / n!) + sum log2 S_c + n log2 N - sum E[log2 m_c].
// No count is formed, so nothing overflows at any length.
double PasswordEntropy(const std::vector<size_t>& classSizes, int length) {
    const int n = length - static_cast<int>(classSizes.size());
    if (classSizes.empty() || n < 0) return 0;
    double all = 0;
    for (size_t s : classSizes) all += static_cast<double>(s);
    double bits = n * std::log2(all);
    for (int i = n + 1; i <= length; ++i) bits += std::log2(static_cast<double>(i));
    for (size_t s : classSizes)
        bits += std::log2(static_cast<double>(s)) - meanLog2OnePlusBinomial(n, static_cast<double>(s) / all);
    return bits;
}

int PasswordBits(const CharChoices& c) {
    std::vector<size_t> sizes;
    for (const std::string& cls : CharClasses(c)) sizes.push_back(cls.size());
    // The sums can fall a rounding short of a whole number they equal (one
    // class of 32 symbols: 5 bits a character exactly).
    return static_cast<int>(std::floor(PasswordEntropy(sizes, c.length) + 1e-9));
}

// Every draw is as likely as every other and gives a phrase of its own (the
// words read one way, the digit shows its place whatever the separator), so
// the figure is log2 of how many draws there are.
int PassphraseBits(const PhraseChoices& c) {
    double bits = c.words * std::log2(static_cast<double>(Words().size()));
    if (c.digit) bits += std::log2(10.0 * c.words);
    return static_cast<int>(std::floor(bits));
}

std::string BitsText(int bits) { return "约 " + std::to_string(bits) + " 位"; }

}  // namespace qm::gen
