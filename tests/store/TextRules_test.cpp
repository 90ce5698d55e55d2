#include "store/TextRules.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace qm::store;

TEST(TextRules, LikeMatchesAsSqliteDoes) {
    EXPECT_TRUE(Like("邮箱帐号", "%箱%"));
    EXPECT_TRUE(Like("邮箱帐号", "邮_帐号"));     // _ is one character, not one byte
    EXPECT_FALSE(Like("邮箱帐号", "邮_号"));
    EXPECT_TRUE(Like("QQHM", "%qh%"));
    EXPECT_TRUE(Like("", "%"));
    EXPECT_FALSE(Like("", "_"));
    EXPECT_TRUE(Like("abcabd", "%ab_"));          // needs the % to give back text it took
    EXPECT_TRUE(Like("aaa", "a%a%a"));
    EXPECT_FALSE(Like("aa", "a%a%a"));
    EXPECT_FALSE(Like("Ä", "ä"));                 // only ASCII letters ignore case
}

TEST(TextRules, CompareAndEscape) {
    EXPECT_EQ(CompareNoCase("Tom", "tOM"), 0);
    EXPECT_LT(CompareNoCase("a", "B"), 0);
    EXPECT_LT(CompareNoCase("ab", "abc"), 0);
    EXPECT_EQ(esc("O'Neil's"), "O''Neil''s");
    EXPECT_EQ(esc("%_"), "%_");
}

TEST(TextRules, CaseFoldsTheWholeAlphabetAndNothingBeside) {
    // "A" to "Z" fold, ends included; "@", "[", "`" and "{" stand beside them and do not.
    for (const auto& [upper, lower] : {std::pair{"ZOE", "zoe"}, std::pair{"A", "a"}, std::pair{"Z", "z"}, std::pair{"AZ", "az"}}) {
        EXPECT_EQ(CompareNoCase(upper, lower), 0) << upper;
        EXPECT_TRUE(Like(upper, lower)) << upper;
        EXPECT_TRUE(Like(lower, upper)) << upper;
        EXPECT_TRUE(Like(std::string("x") + upper + "y", "%" + std::string(lower) + "%")) << upper;
    }
    for (const auto& [a, b] : {std::pair{"@", "`"}, std::pair{"[", "{"}}) {
        EXPECT_NE(CompareNoCase(a, b), 0) << a;
        EXPECT_FALSE(Like(a, b)) << a;
    }
    EXPECT_GT(CompareNoCase("Zoe", "_"), 0) << "a letter sorts as its lower case, after the underscore";
}
