#include "store/FilterExpr.h"

#include <gtest/gtest.h>

#include "store/StoreError.h"
#include "support/store_fixture.h"

using qm::store::FilterExpr;
using qm::store::Recordset;
using qm::store::StoreError;
using qm::store::Value;
using qm::test::StoreTest;

namespace {

class FilterAgainstEngine : public StoreTest {
protected:
    // Adds category rows; a null pointer leaves the field Null.
    void add(const char* user, const char* type, std::optional<int64_t> icon) {
        Recordset rs;
        rs.Open("select * from AccountType", conn);
        rs.AddNew();
        if (user) rs["UserName"] = user;
        if (type) rs["TypeName"] = type;
        if (icon) rs["icoIndex"] = *icon;
        rs.Update();
    }

    static std::vector<std::string> rows(Recordset& r) {
        std::vector<std::string> out;
        for (r.MoveFirst(); !r.Eof(); r.MoveNext())
            out.push_back(r["UserName"].Text() + "|" + r["TypeName"].Text() + "|" + r["icoIndex"].Text());
        return out;
    }

    // The rows the filter selects, after checking that SQLite selects the same.
    std::vector<std::string> selected(const std::string& where) {
        Recordset rs;
        rs.Open("select * from AccountType", conn);
        rs.Filter(where);
        Recordset engine;
        engine.Open("select * from AccountType where " + where, conn);
        const auto mine = rows(rs);
        EXPECT_EQ(mine, rows(engine)) << where;
        return mine;
    }
};

}  // namespace

TEST_F(FilterAgainstEngine, NullIsNeitherTrueNorFalseEvenUnderNot) {
    add("amy", "邮箱", 1);
    add("amy", nullptr, 2);
    add("bob", "x", std::nullopt);
    using Rows = std::vector<std::string>;
    EXPECT_EQ(selected("not TypeName = 'x'"), Rows{"amy|邮箱|1"}) << "a Null category is not 'other than x'";
    EXPECT_EQ(selected("not (TypeName = 'x' or icoIndex = 9)"), Rows{"amy|邮箱|1"});
    EXPECT_EQ(selected("not (TypeName = null and icoIndex = 1)"), Rows{"amy||2"}) << "Null and false is false";
    EXPECT_EQ(selected("not (TypeName = null or icoIndex = 1)"), (Rows{})) << "Null or false is Null";
    EXPECT_EQ(selected("TypeName = null or icoIndex = 1"), Rows{"amy|邮箱|1"}) << "true or Null is true";
    EXPECT_EQ(selected("icoIndex = 2 and TypeName = null"), (Rows{})) << "true and Null is Null";
    EXPECT_EQ(selected("UserName like null or not TypeName like null"), (Rows{})) << "a Null pattern matches nothing";
    EXPECT_EQ(selected("not not icoIndex >= 2"), Rows{"amy||2"});
}

TEST_F(FilterAgainstEngine, NumbersReadAsTheEngineReadsThem) {
    add("a", "100.0", 9223372036854775807);
    add("b", "5.0", 9007199254740993);
    add("c", "5", 9007199254740992);
    add("d", " 5 ", 5);
    using Rows = std::vector<std::string>;
    // Past 64 bits a whole number is a real; whole numbers compare exactly, and with reals too.
    EXPECT_EQ(selected("icoIndex < 9223372036854775808 and icoIndex > 9223372036854775806"),
              Rows{"a|100.0|9223372036854775807"});
    EXPECT_EQ(selected("icoIndex = 9007199254740993"), Rows{"b|5.0|9007199254740993"});
    EXPECT_EQ(selected("icoIndex > 9007199254740992.0 and icoIndex < 9007199254740994"), Rows{"b|5.0|9007199254740993"});
    EXPECT_EQ(selected("icoIndex >= 5.0 and icoIndex < 5.5"), Rows{"d| 5 |5"});
    // Against a text column a number is the engine's text of it: a real keeps its ".0".
    EXPECT_EQ(selected("TypeName = 1e2 or TypeName = 5.0"), (Rows{"a|100.0|9223372036854775807", "b|5.0|9007199254740993"}));
    EXPECT_EQ(selected("TypeName like 5"), Rows{"c|5|9007199254740992"});
    // Against a number column, text that reads wholly as a number is that number; other text sorts after numbers.
    EXPECT_EQ(selected("icoIndex = ' 5 ' or icoIndex = '+5.0e0'"), Rows{"d| 5 |5"});
    EXPECT_EQ(selected("icoIndex < '5abc' and icoIndex >= 'x'"), (Rows{}));
    EXPECT_EQ(selected("icoIndex < '5abc'").size(), 4u);
}

TEST(FilterExpr, OnlyNumbersAsSqlWritesThemAreNumbers) {
    const std::vector<std::string> columns{"a"};
    for (const char* text : {"a = 0x10", "a = nan", "a = inf", "a = infinity", "a = 1e", "a = 1e+", "a = 5abc", "a = 1.2.3",
                             "a = .", "a = -", "a = 5_000", "a = 5邮", "a = 5or a = 6"})
        EXPECT_THROW(FilterExpr::Parse(text, columns), StoreError) << text;
    const FilterExpr f = FilterExpr::Parse("a = -.5e1 or a = 5. or a = +7", columns);
    for (const Value& v : {Value(-5), Value(5), Value(7), Value(5.0)}) EXPECT_TRUE(f.Matches({v})) << v.Text();
    EXPECT_FALSE(f.Matches({Value(6)}));
}

TEST(FilterExpr, DeepNestingIsRefusedAndLongRunsEvaluate) {
    const std::vector<std::string> columns{"a"};
    const auto nested = [](const std::string& open, const std::string& close, int depth) {
        std::string s;
        for (int i = 0; i < depth; ++i) s += open;
        s += "a = 1";
        for (int i = 0; i < depth; ++i) s += close;
        return s;
    };
    const int limit = FilterExpr::kMaxDepth;
    EXPECT_TRUE(FilterExpr::Parse(nested("(", ")", limit), columns).Matches({Value(1)}));
    EXPECT_TRUE(FilterExpr::Parse(nested("not not (", ")", limit / 3), columns).Matches({Value(1)}));
    EXPECT_THROW(FilterExpr::Parse(nested("(", ")", limit + 1), columns), StoreError);
    // Far past any stack: refused, not a crash.
    EXPECT_THROW(FilterExpr::Parse(nested("(", ")", 1000000), columns), StoreError);
    EXPECT_THROW(FilterExpr::Parse(nested("not ", "", 1000000), columns), StoreError);

    std::string run;
    for (int i = 0; i < 300000; ++i) run += "a = " + std::to_string(i) + " or ";
    run += "a = 'last'";
    const FilterExpr f = FilterExpr::Parse(run, columns);
    EXPECT_TRUE(f.Matches({Value(299999)}));
    EXPECT_TRUE(f.Matches({Value("last")}));
    EXPECT_FALSE(f.Matches({Value(-1)}));
}

// Which filters may be applied to the rows a wider one let through.
TEST(FilterExpr, NarrowsOnlyWherePatternsGrowAndNoNotTurnsThemRound) {
    const std::vector<std::string> columns{"UserName", "TypeName", "icoIndex"};
    const auto narrows = [&](const std::string& narrower, const std::string& wider) {
        return FilterExpr::Parse(narrower, columns).Narrows(FilterExpr::Parse(wider, columns));
    };
    EXPECT_TRUE(narrows("TypeName like '%yx%' or UserName like '%yx%'", "TypeName like '%y%' or UserName like '%y%'"));
    EXPECT_TRUE(narrows("TypeName like '%网易邮%'", "TypeName like '%易%'"));
    EXPECT_TRUE(narrows("TypeName like '%Yx%'", "TypeName like '%y%'"));  // case is ignored by both
    EXPECT_TRUE(narrows("TypeName like '%y%'", ""));
    EXPECT_TRUE(narrows("icoIndex = 3 and TypeName like '%ab%'", "icoIndex = 3 and TypeName like '%a%'"));
    EXPECT_TRUE(narrows("not TypeName like '%a%'", "not TypeName like '%ab%'"));

    EXPECT_FALSE(narrows("TypeName like '%y%'", "TypeName like '%yx%'"));  // a key taken back
    EXPECT_FALSE(narrows("", "TypeName like '%y%'"));
    EXPECT_FALSE(narrows("not TypeName like '%ab%'", "not TypeName like '%a%'"));
    EXPECT_FALSE(narrows("UserName like '%yx%'", "TypeName like '%y%'"));
    EXPECT_FALSE(narrows("TypeName like '%a_b%'", "TypeName like '%a%'"));  // _ is any character, not itself
    EXPECT_FALSE(narrows("TypeName like '%a%b%'", "TypeName like '%a%'"));
    EXPECT_FALSE(narrows("TypeName like 'ab%'", "TypeName like 'a%'"));
    EXPECT_FALSE(narrows("icoIndex = 4 and TypeName like '%ab%'", "icoIndex = 3 and TypeName like '%a%'"));
    EXPECT_FALSE(narrows("TypeName like '%ab%' and icoIndex = 3", "TypeName like '%a%'"));
}
