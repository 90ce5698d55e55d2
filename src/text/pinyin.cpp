#include "text/pinyin.h"

#include <array>

#include "text/codepage.h"
#include "text/utf.h"

namespace qm::text {
namespace {

// Each character opens the range of its letter in GB 2312's pinyin order;
// the codes are read from the characters, never written as numbers.
constexpr std::string_view kBoundaryChars = "啊芭擦搭蛾发噶哈击喀垃妈拿哦啪期然撒塌挖昔压匝";
constexpr std::string_view kBoundaryLetters = "ABCDEFGHJKLMNOPQRSTWXYZ";

struct Boundary {
    int code;
    char letter;
};

const std::array<Boundary, kBoundaryLetters.size()>& boundaries() {
    static const auto table = [] {
        std::array<Boundary, kBoundaryLetters.size()> t{};
        size_t pos = 0;
        for (size_t i = 0; i < t.size(); ++i) t[i] = {GbkCode(NextCodePoint(kBoundaryChars, pos)), kBoundaryLetters[i]};
        return t;
    }();
    return table;
}

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string GetPYInitial(std::string_view s) {
    if (s.empty()) return "0";
    size_t pos = 0;
    int code = GbkCode(NextCodePoint(s, pos));
    if (code < 0) code = '?';  // what the ANSI conversion makes of a character outside the code page
    if (code <= 0xFF) {
        std::string upper(s);
        for (char& c : upper) c = asciiUpper(c);
        if (upper >= "A" && upper <= "Z") return std::string(1, upper[0]);
        return std::string(s);
    }
    const auto& table = boundaries();
    if (code < table[0].code) return "0";
    char letter = table[0].letter;
    for (const Boundary& b : table) {
        if (code < b.code) break;
        letter = b.letter;
    }
    return std::string(1, letter);
}

std::string PinyinInitials(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const size_t start = pos;
        NextCodePoint(text, pos);
        out += GetPYInitial(text.substr(start, pos - start));
    }
    return out;
}

}  // namespace qm::text
