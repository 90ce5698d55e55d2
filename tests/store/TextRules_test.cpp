#include "store/TextRules.h"

#include <gtest/gtest.h>

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
