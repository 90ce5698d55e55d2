// Pinyin initials: each character of a text gives its own initial, decided by
// its code page 936 code against the published table of boundary codes
// (written here as numbers, while the program reads them from characters);
// letters become upper case and every other one-byte character stays itself.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "text/codepage.h"
#include "text/pinyin.h"
#include "text/utf.h"

using qm::fuzz::AsText;
using qm::fuzz::Printable;
using namespace qm::text;

namespace {

struct Range {
    int from;
    char letter;
};
constexpr Range kRanges[] = {
    {0xB0A1, 'A'}, {0xB0C5, 'B'}, {0xB2C1, 'C'}, {0xB4EE, 'D'}, {0xB6EA, 'E'}, {0xB7A2, 'F'},
    {0xB8C1, 'G'}, {0xB9FE, 'H'}, {0xBBF7, 'J'}, {0xBFA6, 'K'}, {0xC0AC, 'L'}, {0xC2E8, 'M'},
    {0xC4C3, 'N'}, {0xC5B6, 'O'}, {0xC5BE, 'P'}, {0xC6DA, 'Q'}, {0xC8BB, 'R'}, {0xC8F6, 'S'},
    {0xCBFA, 'T'}, {0xCDDA, 'W'}, {0xCEF4, 'X'}, {0xD1B9, 'Y'}, {0xD4D1, 'Z'},
};

std::string Expected(std::string_view character) {
    size_t pos = 0;
    const int code = GbkCode(NextCodePoint(character, pos));
    if (code < 0 || code <= 0xFF) {
        if (character.size() == 1 && character[0] >= 'a' && character[0] <= 'z')
            return std::string(1, static_cast<char>(character[0] - 'a' + 'A'));
        return std::string(character);
    }
    char letter = '0';
    for (const Range& r : kRanges)
        if (code >= r.from) letter = r.letter;
    return std::string(1, letter);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = AsText(data, size);
    std::string expected;
    for (size_t pos = 0; pos < text.size();) {
        const size_t start = pos;
        NextCodePoint(text, pos);
        const std::string_view character = text.substr(start, pos - start);
        const std::string one = Expected(character);
        QM_FUZZ_CHECK(GetPYInitial(character) == one, "a character's initial follows the table",
                      Printable(character) + " -> " + Printable(GetPYInitial(character)) + ", expected " +
                          Printable(one));
        expected += one;
    }
    const std::string initials = PinyinInitials(text);
    QM_FUZZ_CHECK(initials == expected, "a text's initials are its characters' initials in order",
                  Printable(text) + " -> " + Printable(initials) + ", expected " + Printable(expected));
    QM_FUZZ_CHECK(!GetPYInitial(text).empty(), "every text has an initial", Printable(text));
    return 0;
}
