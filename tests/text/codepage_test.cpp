#include "text/codepage.h"

#include <gtest/gtest.h>

#include "support/heap_watch.h"
#include "text/utf.h"
#include "text/wipe.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace qm::text;

namespace {
std::string hex(std::string_view bytes) {
    static const char* d = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) out += {d[b >> 4], d[b & 15]};
    return out;
}
std::string utf8(char32_t cp) {
    std::string s;
    AppendUtf8(s, cp);
    return s;
}
}  // namespace

TEST(CodePage, KnownCodesOfCodePage936) {
    EXPECT_EQ(GbkCode(U'邮'), 0xD3CA);
    EXPECT_EQ(GbkCode(U'箱'), 0xCFE4);
    EXPECT_EQ(GbkCode(U'啊'), 0xB0A1);
    EXPECT_EQ(GbkCode(U'匝'), 0xD4D1);
    EXPECT_EQ(GbkCode(U'行'), 0xD0D0);
    EXPECT_EQ(GbkCode(U'，'), 0xA3AC);
    EXPECT_EQ(GbkCode(U'·'), 0xA1A4);
    EXPECT_EQ(GbkCode(U'€'), 0x80);
    EXPECT_EQ(GbkCode(U'A'), 0x41);
    EXPECT_EQ(GbkCode(U'😀'), -1);
    EXPECT_EQ(hex(ToGbk("中文abc")), "D6D0CEC4616263");
    EXPECT_EQ(ToGbk("a😀b"), "a?b");
}

TEST(CodePage, Gb18030IsGbkPlusLosslessFourByteCodes) {
    EXPECT_EQ(hex(ToGb18030("中文abc€")), "D6D0CEC461626380");
    EXPECT_EQ(hex(ToGb18030(utf8(0x80))), "81308130");
    EXPECT_EQ(hex(ToGb18030(utf8(0xA5))), "81308436");
    EXPECT_EQ(hex(ToGb18030(utf8(0xFFFF))), "8431A439");
    EXPECT_EQ(hex(ToGb18030(utf8(0x10000))), "90308130");
    EXPECT_EQ(hex(ToGb18030(utf8(0x10FFFF))), "E3329A35");

    std::string everything;
    for (char32_t cp = 1; cp <= 0xFFFF; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF) AppendUtf8(everything, cp);
    for (char32_t cp = 0x10000; cp <= 0x10FFFF; cp += 97) AppendUtf8(everything, cp);
    EXPECT_EQ(FromGb18030(ToGb18030(everything)), everything);
}

TEST(CodePage, UndefinedBytesDecodeAsReplacementWithoutSwallowingText) {
    EXPECT_EQ(FromGb18030("\xFF" "a"), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(FromGb18030("a\xD6"), "a\xEF\xBF\xBD");      // a lead byte cut off at the end
    EXPECT_EQ(FromGb18030("\x81 "), "\xEF\xBF\xBD ");        // a lead byte before a space keeps the space
    EXPECT_EQ(FromGb18030("\x81" "0z"), "\xEF\xBF\xBD" "0z");  // a four-byte code cut short
    EXPECT_EQ(FromGb18030("\x84\x31\xA5\x30"), "\xEF\xBF\xBD");  // past the last BMP four-byte code
}

TEST(Utf, MalformedUtf8ReadsAsReplacementCharacters) {
    EXPECT_EQ(Utf16Length("a😀中"), 4u);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("a😀中")), "a😀中");
    size_t pos = 0;
    EXPECT_EQ(NextCodePoint("\xE4\xB8", pos), kReplacementChar);  // truncated
    EXPECT_EQ(pos, 1u);
    pos = 0;
    EXPECT_EQ(NextCodePoint("\xC0\xAF", pos), kReplacementChar);  // overlong '/'
    pos = 0;
    EXPECT_EQ(NextCodePoint("\xED\xA0\x80", pos), kReplacementChar);  // a surrogate
}

#ifdef _WIN32
// The program carries its own table so that bytes do not depend on the
// machine's ANSI code page; it must agree with Windows' own code page 936.
TEST(CodePage, AgreesWithTheSystemsCodePage936) {
    int compared = 0, differing = 0;
    std::string firstDifferences;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            wchar_t wc[2];
            if (MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, pair, 2, wc, 2) != 1) continue;
            if (wc[0] >= 0xE000 && wc[0] <= 0xF8FF) continue;  // user-defined areas differ by design
            ++compared;
            if (GbkCode(wc[0]) != lead * 256 + trail) {
                if (++differing <= 8) firstDifferences += hex(std::string(pair, 2)) + " ";
            }
        }
    }
    EXPECT_GT(compared, 21000);
    EXPECT_EQ(differing, 0) << "first differences: " << firstDifferences;
}
#endif

TEST(CodePage, TheCiphersConversionsGiveNoCopyOfAPasswordBackToTheHeap) {
    // Texts whose result outgrows their input the most: what the cipher
    // converts is a login or account password, and a growth of the result
    // would give back a block holding the start of it.
    const std::pair<bool, std::string> rows[] = {
        {true, "äöüß-pässwörd-ÄÖÜ"},                                      // two UTF-8 bytes, four of GB18030
        {false, std::string(12, '\xFF') + "pass\x81word\xFE\xFF\x80\xFF"},  // stray bytes, three of UTF-8 each
    };
    for (const auto& [toGb, in] : rows) {
        SCOPED_TRACE(in);
        const auto convert = [toGb = toGb](const std::string& s) { return toGb ? ToGb18030(s) : FromGb18030(s); };
        const std::string out = convert(in);
        qm::test::HeapWatch watch(std::string_view(out).substr(0, 16));
        std::string again = convert(in);
        WipeString(again);
        EXPECT_EQ(watch.FreedCopies(), 0);
    }
}
