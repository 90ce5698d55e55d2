#pragma once
// Finding a name by its pinyin as the user types it. A typed text finds a
// name when, from one of the name's characters on, it cuts into pieces, one
// for each character in turn, each of them
//   - a whole reading of the character: "yinhang" and "xinghang" find 银行;
//   - the initial of a reading, its first letter or zh, ch, sh: "yh", "xh";
//   - the character itself, letters in either case: "qqyouxiang", "163yx";
//   - for the last piece only, the start of a reading: "wangy" finds 网易.
// Spaces and apostrophes may part the pieces ("yin'hang"), and the name's
// own spaces need not be typed. Every reading of a character counts (Readings).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::text {

// A name as the find reads it, made once for each name and kept beside it:
// the letters its readings and its own characters hold, and for each
// character its set of readings, or that it has none. At most kMaxSpelled
// bytes: a longer name is found by its start.
std::string SpellForFind(std::string_view name);
inline constexpr size_t kMaxSpelled = 255;

class PinyinQuery {
public:
    // A text of spaces and apostrophes alone, or of more than kMaxTyped
    // characters, finds nothing.
    explicit PinyinQuery(std::string_view typed);
    static constexpr size_t kMaxTyped = 63;

    // `spelled` is SpellForFind(name).
    bool Finds(std::string_view name, std::string_view spelled) const;

    // True when every name this text finds, `wider` finds too: when `wider`
    // is the start of it, as the user types on.
    bool Narrows(const PinyinQuery& wider) const;

private:
    // Tries the readings of `set` from typed position p: adds to `next` the
    // positions where a piece ends; true when the typed text ends within one.
    bool readings(uint16_t set, size_t p, uint64_t& next) const;
    // A piece ending at q: the next may start at q or after the separators there.
    uint64_t ended(size_t q) const { return uint64_t{1} << q | uint64_t{1} << skip_[q]; }

    std::u32string typed_;      // folded: a-z, full-width forms as ASCII
    uint32_t letters_ = 0;      // the letters typed, one bit each, which a name must hold
    bool wide_ = false;         // a character beyond ASCII typed, which only a name's own can match
    std::vector<uint8_t> skip_;  // for each position, the first after the separators from there
    bool active_ = false;       // something to find
};

}  // namespace qm::text
