#include "text/strength.h"

#include <gtest/gtest.h>

#include <string>

using qm::text::PasswordStrength;
using qm::text::StrengthAppearance;

TEST(Strength, LevelsByLengthAndCharacterClasses) {
    struct Case {
        const char* password;
        int level;
    };
    const Case cases[] = {
        {"12345", 1},                  // short, whatever it holds
        {"Ab1!", 1},
        {"123456", 1},                 // six characters of one class
        {"abcdef", 1},
        {"abc123", 2},
        {"abc12!", 3},
        {"abc12 ", 3},                 // a space is a symbol
        {"abcdefghij", 2},             // ten of one class count as medium
        {"abcdefghij1", 2},
        {"abcdefghi1!", 3},
        {"aaaaaaaaaaaaaaaa", 3},       // sixteen of anything
        {"[]^_`{", 0},                 // none of these characters is in a class
        {"密码密码密码", 0},           // nor are Chinese characters
        {"密码密码密码1", 1},
        {"密码密码密码密码密码", 0},   // ten characters, no class
    };
    for (const Case& c : cases) EXPECT_EQ(PasswordStrength(c.password), c.level) << c.password;
}

TEST(Strength, LengthBoundariesOfEachRule) {
    struct Case {
        const char* password;
        int level;
    };
    const Case cases[] = {
        {"ab1!x", 1},             // 5: short, though it has all three classes
        {"ab1!xy", 3},            // 6
        {"abcdefghi", 1},         // 9 of one class are still weak
        {"123456789", 1},
        {"abcdefgh1", 2},
        {"abcdefghij", 2},        // 10 of one class are medium
        {"abcdefghijklmno", 2},   // 15
        {"abcdefghijklmn1", 2},
        {"abcdefghijklmnop", 3},  // 16
        {"[]^_`{|}~[]^_`{|", 3},  // 16 without any class
    };
    for (const Case& c : cases) EXPECT_EQ(PasswordStrength(c.password), c.level) << c.password;
}

TEST(Strength, CharactersAtTheEdgesOfEachClass) {
    // Five underscores (no class) and one character: one class gives level 1.
    for (const char* one : {"A", "Z", "a", "z", "0", "9", " ", "/", ":", "@"})
        EXPECT_EQ(PasswordStrength(std::string("_____") + one), 1) << one;
    for (const char* none : {"[", "`", "{", "~", "\x7f"})
        EXPECT_EQ(PasswordStrength(std::string("_____") + none), 0) << none;
}

TEST(Strength, AppearanceOfEachLevel) {
    EXPECT_FALSE(StrengthAppearance(0).has_value());
    EXPECT_EQ(StrengthAppearance(1)->fillColour, 255u);
    EXPECT_STREQ(StrengthAppearance(1)->word, "弱");
    EXPECT_EQ(StrengthAppearance(2)->fillColour, 65535u);
    EXPECT_STREQ(StrengthAppearance(2)->word, "中");
    EXPECT_EQ(StrengthAppearance(3)->fillColour, 65280u);
    EXPECT_STREQ(StrengthAppearance(3)->word, "强");
}
