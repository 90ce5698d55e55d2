#include "store/TextRules.h"

#include "text/utf.h"

namespace qm::store {
namespace {

inline unsigned char fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

inline char32_t foldCp(char32_t c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int d = fold(static_cast<unsigned char>(a[i])) - fold(static_cast<unsigned char>(b[i]));
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool Like(std::string_view text, std::string_view pattern) {
    // Iterative glob match with one backtrack point for the last %: linear for
    // the patterns the quick find builds, and never recursive.
    size_t t = 0, p = 0;
    size_t starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            if (pattern[p] == '%') {
                starP = ++p;
                starT = t;
                continue;
            }
            size_t pNext = p, tNext = t;
            const char32_t pc = text::NextCodePoint(pattern, pNext);
            const char32_t tc = text::NextCodePoint(text, tNext);
            if (pc == '_' || foldCp(pc) == foldCp(tc)) {
                p = pNext;
                t = tNext;
                continue;
            }
        }
        if (starP == std::string_view::npos) return false;
        // Let the last % swallow one more character and try again from there.
        p = starP;
        text::NextCodePoint(text, starT);
        t = starT;
    }
    while (p < pattern.size() && pattern[p] == '%') ++p;
    return p == pattern.size();
}

std::string esc(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

}  // namespace qm::store
