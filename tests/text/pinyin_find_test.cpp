// The pinyin find, checked against readings written here from a dictionary,
// never against what the table itself gives.
#include "text/pinyin_find.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "text/readings.h"
#include "text/utf.h"

using namespace qm::text;

namespace {

bool finds(std::string_view name, std::string_view typed) { return PinyinQuery(typed).Finds(name, SpellForFind(name)); }

}  // namespace

TEST(PinyinFind, CharactersHaveEveryReadingWithoutItsTone) {
    struct Row {
        const char* character;
        std::vector<std::string> readings;  // among its readings; none at all where empty
    };
    const Row rows[] = {{"行", {"hang", "xing"}}, {"重", {"zhong", "chong"}}, {"乐", {"le", "yue"}},
                        {"单", {"dan", "shan"}},  {"长", {"chang", "zhang"}}, {"鑫", {"xin"}},
                        {"琪", {"qi"}},           {"昊", {"hao"}},            {"啰", {"luo"}},
                        {"𠮷", {"ji"}},           {"绿", {"lv", "lu"}},       {"女", {"nv"}},
                        {"Q", {}},                {"，", {}},                 {"😀", {}}};
    for (const Row& r : rows) {
        size_t pos = 0;
        std::vector<std::string> got;
        for (const uint16_t id : ReadingSet(ReadingSetOf(NextCodePoint(r.character, pos)))) got.emplace_back(Syllable(id));
        for (const std::string& reading : r.readings)
            EXPECT_NE(std::find(got.begin(), got.end(), reading), got.end()) << r.character << " " << reading;
        if (r.readings.empty()) {
            EXPECT_TRUE(got.empty()) << r.character;
        }
    }
}

TEST(PinyinFind, TypedTextsFindNamesByAnyReadingOfEachCharacter) {
    struct Row {
        const char* name;
        const char* typed;
        bool found;
    };
    const Row rows[] = {
        // A character of several readings at the start, in the middle, at the end.
        {"重庆", "zhongqing", true}, {"重庆", "chongqing", true}, {"重庆", "zq", true}, {"重庆", "CQ", true},
        {"快乐音乐", "kuaileyinyue", true}, {"快乐音乐", "kuaiyueyinle", true}, {"快乐音乐", "klyy", true},
        {"银行", "yinhang", true}, {"银行", "yinxing", true}, {"银行", "yh", true}, {"银行", "yx", true},
        // Initials of two letters, and pieces of every kind in one text.
        {"招商银行", "zhshyh", true}, {"招商银行", "zsyinh", true}, {"招商银行", "shangyin", true},
        // Outside GB 2312, and a match after a character of four bytes.
        {"鑫鑫理财", "xinxinlc", true}, {"安琪", "anqi", true}, {"昊天", "ht", true},
        {"𠮷野家", "jiyejia", true}, {"𠮷野家", "yejia", true}, {"𠮷野家", "𠮷yj", true},
        // Latin letters, digits and Chinese in one name.
        {"QQ邮箱", "qqyouxiang", true}, {"QQ邮箱", "Qqyx", true}, {"163邮箱", "163yx", true},
        {"163邮箱", "3you", true}, {"ＱＱ邮箱", "qqyx", true}, {"邮箱2", "yx2", true},
        // The start of a syllable at the end; separators between syllables.
        {"网易", "wangy", true}, {"网易", "wy", true}, {"网易", "wang'yi", true}, {"网易", "wang yi", true},
        {"中国 银行", "guoyinhang", true}, {"中国 银行", "guo yin", true},
        // The ideographic space an input method types in full-width mode, typed or in the name.
        {"网易", "wang\u3000yi", true}, {"中国 银行", "guo\u3000\u3000yin", true}, {"中国\u3000银行", "zhongguoyh", true},
        {"中国\u3000银行", "guo yin", true}, {"网易", "wang\u3000'yi", true},
        // Only across the boundary of two syllables.
        {"西安", "xian", true}, {"中国银行", "gyinh", true}, {"中国", "zhg", true},
        // Texts that must find nothing.
        {"银行", "yhx", false}, {"银行", "hy", false}, {"银行", "yinhangx", false}, {"网易", "angyi", false},
        {"网易", "wangyy", false}, {"银行", "yinh ang", false}, {"银行", "yi nhang", false}, {"银行", " ' ", false},
        {"银行", "yinh\u3000ang", false}, {"中国\u3000银行", "\u3000", false},
        {"邮箱", "yxq", false}, {"QQ邮箱", "qyq", false}, {"中国", "zgh", false}, {"网易", "ngyi", false},
    };
    for (const Row& r : rows) EXPECT_EQ(finds(r.name, r.typed), r.found) << r.name << " / " << r.typed;
}

// The record set looks only through what the last text found while the
// user types on; that holds only if a longer text finds no name the
// shorter one missed. Every text here is cut at every character.
TEST(PinyinFind, WhatALongerTextFindsItsStartFindsToo) {
    const char* const names[] = {"中国 银行", "招商银行", "网易邮箱", "QQ邮箱", "𠮷野家", "重庆长沙", "a'b c"};
    const char* const typed[] = {"zhongguo yinhang", "zhshyh", "wangyi'youx", "qq you", "jiyej", "chongqingzhangsha",
                                 "a'b c", "  yin", "gyinh"};
    for (const char* name : names) {
        const std::string spelled = SpellForFind(name);
        for (const std::string_view text : typed) {
            for (size_t cut = 1; cut < text.size(); ++cut) {
                const PinyinQuery shorter(text.substr(0, cut)), longer(text);
                const bool blank = text.substr(0, cut).find_first_not_of(" '") == std::string_view::npos;
                EXPECT_EQ(longer.Narrows(shorter), !blank) << text << " / " << cut;  // a blank text finds nothing
                if (!blank && longer.Finds(name, spelled)) {
                    EXPECT_TRUE(shorter.Finds(name, spelled)) << name << " / " << text.substr(0, cut);
                }
            }
        }
    }
    EXPECT_FALSE(PinyinQuery("yx").Narrows(PinyinQuery("x")));
}
