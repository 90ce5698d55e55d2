#pragma once
// A record-set filter: comparisons of a column with a literal
// (=, <>, <, >, <=, >=, like), joined by and / or / not, with parentheses.
// Comparisons follow the store's text rules and SQLite's rules for Null and
// numbers, so a filter and a statement with the same condition select the
// same rows. One comparison is the quick find's own and no statement's:
// "AccountName pinyin 'yinhang'", the column found by the text typed in
// pinyin (text::PinyinQuery).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/RowData.h"
#include "store/Value.h"

namespace qm::text {
class PinyinQuery;
}

namespace qm::store {

class FilterExpr {
public:
    // An empty or blank text gives a filter that passes every row. Throws
    // StoreError for text that does not parse, names an unknown column or
    // nests parentheses and "not" more than kMaxDepth deep.
    static FilterExpr Parse(std::string_view criteria, const std::vector<std::string>& columns);
    static constexpr int kMaxDepth = 200;

    // A column's spelling for the pinyin comparison (text::SpellForFind),
    // kept beside the row so that it is not made again at every key.
    struct Spelled {
        size_t column;
        std::string_view spelling;
    };
    bool Matches(const std::vector<Value>& row) const;
    bool Matches(const RowData& row, const Spelled* spelled = nullptr) const;
    bool PassesAll() const { return root_ < 0; }

    // True when every row this filter selects is sure to be selected by
    // `wider` too, so that a view already narrowed by `wider` need only be
    // looked through again. It holds for a filter of the same shape whose
    // "like '%text%'" patterns hold the wider one's texts and whose pinyin
    // texts start with the wider one's, where no "not" turns them round:
    // what the quick find builds as the user types on.
    bool Narrows(const FilterExpr& wider) const;

private:
    // A comparison with Null is neither true nor false, and "not" keeps it
    // so: a row is selected only where the whole condition is true.
    enum class Truth { False, True, Unknown };
    enum class Op { And, Or, Not, Eq, Ne, Lt, Gt, Le, Ge, Like, Pinyin };
    struct Node {
        Op op = Op::Eq;
        std::vector<int> operands;  // of And / Or (two or more, in order) and Not (one)
        size_t column = 0;          // comparisons
        Value literal;
        // "like '%text%'" with a plain text: looked for as bytes, `needle`
        // with A-Z folded, which finds what the character-wise match finds.
        bool contains = false;
        std::string needle;
        std::shared_ptr<const text::PinyinQuery> pinyin;
    };
    template <class Row>
    Truth eval(int node, const Row& row, const Spelled* spelled) const;
    bool narrows(int node, const FilterExpr& wider, int widerNode, bool turned) const;

    std::vector<Node> nodes_;
    int root_ = -1;
    friend class FilterParser;
};

}  // namespace qm::store
