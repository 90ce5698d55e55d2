#include "text/pinyin.h"

#include <gtest/gtest.h>

#include "text/codepage.h"
#include "text/utf.h"

using namespace qm::text;

TEST(Pinyin, InitialsOfWholeTexts) {
    EXPECT_EQ(PinyinInitials("邮箱"), "YX");
    EXPECT_EQ(PinyinInitials("QQ号码"), "QQHM");
    EXPECT_EQ(PinyinInitials("163邮箱"), "163YX");
    EXPECT_EQ(PinyinInitials("abc"), "ABC");
    EXPECT_EQ(PinyinInitials("工行"), "GX");  // 行 by its place in the table, not its reading
    EXPECT_EQ(PinyinInitials("招商银行 - 网银"), "ZSYX - WY");
    EXPECT_EQ(PinyinInitials(""), "");
}

TEST(Pinyin, SingleCharactersOutsideTheLetterRanges) {
    EXPECT_EQ(GetPYInitial("，"), "0");   // full-width punctuation
    EXPECT_EQ(GetPYInitial(" "), " ");
    EXPECT_EQ(GetPYInitial("-"), "-");
    EXPECT_EQ(GetPYInitial("7"), "7");
    EXPECT_EQ(GetPYInitial("q"), "Q");
    EXPECT_EQ(GetPYInitial(""), "0");
    EXPECT_EQ(GetPYInitial("亍"), "Z");   // GB 2312 second level
    EXPECT_EQ(GetPYInitial("😀"), "😀");  // outside the code page: unchanged like any one-byte code
}

TEST(Pinyin, EachBoundaryOpensItsLetterAndTheCodeBelowBelongsToThePrevious) {
    const std::string_view chars = "啊芭擦搭蛾发噶哈击喀垃妈拿哦啪期然撒塌挖昔压匝";
    const std::string_view letters = "ABCDEFGHJKLMNOPQRSTWXYZ";
    size_t pos = 0;
    for (size_t i = 0; i < letters.size(); ++i) {
        const size_t start = pos;
        const int code = GbkCode(NextCodePoint(chars, pos));
        const std::string boundary(chars.substr(start, pos - start));
        EXPECT_EQ(GetPYInitial(boundary), std::string(1, letters[i])) << boundary;
        const int below = code - 1;
        const std::string previous = FromGb18030(std::string{static_cast<char>(below >> 8), static_cast<char>(below & 0xFF)});
        EXPECT_EQ(GetPYInitial(previous), i == 0 ? "0" : std::string(1, letters[i - 1])) << previous;
    }
}
