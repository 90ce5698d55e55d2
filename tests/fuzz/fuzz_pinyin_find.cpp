// The pinyin find over any name and any typed text (the input: the name, a
// 0 byte, the text). A run of the name's own characters finds the name; and
// a text finds no name that the start of it misses, which the record set's
// narrowing as the user types on relies on.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "text/pinyin_find.h"
#include "text/utf.h"

using qm::fuzz::AsText;
using qm::fuzz::Printable;
using namespace qm::text;

namespace {

bool blank(std::string_view s) { return s.find_first_not_of(" '") == std::string_view::npos; }

// Whether the text is spaces, apostrophes and their full-width forms alone, as the find folds them.
bool blankWhenFolded(std::string_view s) {
    for (size_t pos = 0; pos < s.size();) {
        const char32_t c = NextCodePoint(s, pos);
        if (c != ' ' && c != '\'' && c != 0x3000 && c != 0xFF07) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input = AsText(data, size);
    const size_t zero = std::min(input.find('\0'), input.size());
    // Short enough that its whole spelling is kept.
    const std::string_view name = input.substr(0, std::min<size_t>(zero, 100));
    const std::string_view typed = zero < input.size() ? input.substr(zero + 1) : std::string_view();
    const std::string spelled = SpellForFind(name);

    std::vector<size_t> starts;  // where the name's characters start, and its end
    for (size_t pos = 0; pos < name.size(); NextCodePoint(name, pos)) starts.push_back(pos);
    starts.push_back(name.size());
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        for (size_t j = i + 1; j < starts.size() && j <= i + 8; ++j) {
            const std::string_view run = name.substr(starts[i], starts[j] - starts[i]);
            if (blankWhenFolded(run)) continue;
            QM_FUZZ_CHECK(PinyinQuery(run).Finds(name, spelled), "a run of the name's characters finds it",
                          Printable(run) + " in " + Printable(name));
        }
    }

    const PinyinQuery longer(typed);
    if (!longer.Finds(name, spelled)) return 0;
    for (size_t pos = 0; pos < typed.size();) {
        NextCodePoint(typed, pos);
        const std::string_view start = typed.substr(0, pos);
        if (pos == typed.size() || blank(start) || blankWhenFolded(start)) continue;
        const PinyinQuery shorter(start);
        QM_FUZZ_CHECK(longer.Narrows(shorter), "a text narrows its start",
                      Printable(typed) + " after " + Printable(start));
        QM_FUZZ_CHECK(shorter.Finds(name, spelled), "the start of a text finds what the text finds",
                      Printable(start) + " of " + Printable(typed) + " in " + Printable(name));
    }
    return 0;
}
