#include "text/pinyin_find.h"

#include <bit>

#include "text/readings.h"
#include "text/utf.h"

namespace qm::text {
namespace {

bool isSeparator(char32_t c) { return c == ' ' || c == '\''; }

// Letters in either case, and the full-width forms an input method may leave.
char32_t fold(char32_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;
    else if (c == 0x3000) c = ' ';
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

uint32_t letterBit(char32_t c) { return c >= 'a' && c <= 'z' ? uint32_t{1} << (c - 'a') : 0; }

constexpr size_t kLettersBytes = 4;

}  // namespace

// Bytes of the spelling: the letters, 4 bytes with a bit for each of a-z
// that the name's readings or its own characters hold (a text typing any
// other letter is turned down at once); then for each character one byte
// b < 0x80 for b + 1 characters without a reading, or two bytes, 0x80 | the
// high bits and the low byte, for one character's set of readings.
std::string SpellForFind(std::string_view name) {
    std::string out(kLettersBytes, '\0');
    uint32_t letters = 0;
    size_t run = std::string::npos;  // the count byte of the run being made
    for (size_t pos = 0; pos < name.size();) {
        const char32_t c = NextCodePoint(name, pos);
        const uint16_t set = ReadingSetOf(c);
        if (set != 0) {
            if (out.size() + 2 > kMaxSpelled) break;
            out += static_cast<char>(0x80 | set >> 8);
            out += static_cast<char>(set & 0xFF);
            run = std::string::npos;
            letters |= ReadingLetters(set);
            continue;
        }
        if (run != std::string::npos && out[run] < 0x7F) {
            ++out[run];
        } else {
            if (out.size() + 1 > kMaxSpelled) break;
            run = out.size();
            out += '\0';
        }
        letters |= letterBit(fold(c));
    }
    for (size_t k = 0; k < kLettersBytes; ++k) out[k] = static_cast<char>(letters >> (8 * k) & 0xFF);
    return out;
}

PinyinQuery::PinyinQuery(std::string_view typed) {
    for (size_t pos = 0; pos < typed.size();) {
        const char32_t c = fold(NextCodePoint(typed, pos));
        if (typed_.size() == kMaxTyped) {
            active_ = false;
            return;
        }
        typed_ += c;
        letters_ |= letterBit(c);
        if (c >= 0x80) wide_ = true;
        if (!isSeparator(c)) active_ = true;
    }
    skip_.resize(typed_.size() + 1);
    for (size_t q = typed_.size() + 1; q-- > 0;)
        skip_[q] = static_cast<uint8_t>(q < typed_.size() && isSeparator(typed_[q]) ? skip_[q + 1] : q);
}

bool PinyinQuery::Narrows(const PinyinQuery& wider) const {
    return !active_ || (wider.active_ && typed_.starts_with(wider.typed_));
}

// One pass over the name's characters, keeping as bits the typed positions
// that pieces reach up to the character at hand; a match may start at any
// character, so position 0 joins at each.
bool PinyinQuery::Finds(std::string_view name, std::string_view spelled) const {
    if (!active_ || spelled.size() < kLettersBytes) return false;
    uint32_t held = 0;
    for (size_t k = 0; k < kLettersBytes; ++k) held |= uint32_t{static_cast<uint8_t>(spelled[k])} << (8 * k);
    if ((letters_ & ~held) != 0) return false;
    const uint64_t done = uint64_t{1} << typed_.size();
    uint64_t live = 0;
    size_t at = 0;
    for (size_t i = kLettersBytes; i < spelled.size();) {
        const auto b = static_cast<uint8_t>(spelled[i++]);
        uint16_t set = 0;
        size_t count = 1;
        if (b < 0x80) count = b + 1u;
        else if (i < spelled.size()) set = static_cast<uint16_t>((b & 0x7F) << 8 | static_cast<uint8_t>(spelled[i++]));
        for (; count > 0 && at < name.size(); --count) {
            // A character with readings is a CJK ideograph of three or four
            // bytes, which only a typed character beyond ASCII can equal;
            // unread, it stands as a number no typed character has.
            char32_t c = 0x110000;
            if (set == 0 || wide_) c = fold(NextCodePoint(name, at));
            else at += static_cast<uint8_t>(name[at]) >= 0xF0 ? 4 : 3;
            live |= ended(0);
            uint64_t next = isSeparator(c) ? live : 0;
            for (uint64_t rest = live; rest != 0; rest &= rest - 1) {
                const auto p = static_cast<size_t>(std::countr_zero(rest));
                if (typed_[p] == c) next |= ended(p + 1);
                if (set != 0 && readings(set, p, next)) return true;
            }
            if (next & done) return true;
            live = next;
        }
    }
    return false;
}

bool PinyinQuery::readings(uint16_t set, size_t p, uint64_t& next) const {
    if ((ReadingInitials(set) & letterBit(typed_[p])) == 0) return false;
    const size_t left = typed_.size() - p;
    for (const uint16_t id : ReadingSet(set)) {
        const std::string_view s = Syllable(id);
        if (static_cast<char32_t>(s[0]) != typed_[p]) continue;
        next |= ended(p + 1);
        size_t k = 1;
        while (k < s.size() && k < left && typed_[p + k] == static_cast<char32_t>(s[k])) ++k;
        if (k == left) return true;
        if (k == s.size()) next |= ended(p + k);
        if (k >= 2 && s[1] == 'h' && (s[0] == 'z' || s[0] == 'c' || s[0] == 's')) next |= ended(p + 2);
    }
    return false;
}

}  // namespace qm::text
