#pragma once
// A record-set filter: comparisons of a column with a literal
// (=, <>, <, >, <=, >=, like), joined by and / or / not, with parentheses.
// Comparisons follow the store's text rules and SQLite's rules for Null and
// numbers, so a filter and a statement with the same condition select the
// same rows.
#include <string>
#include <string_view>
#include <vector>

#include "store/RowData.h"
#include "store/Value.h"

namespace qm::store {

class FilterExpr {
public:
    // An empty or blank text gives a filter that passes every row. Throws
    // StoreError for text that does not parse, names an unknown column or
    // nests parentheses and "not" more than kMaxDepth deep.
    static FilterExpr Parse(std::string_view criteria, const std::vector<std::string>& columns);
    static constexpr int kMaxDepth = 200;

    bool Matches(const std::vector<Value>& row) const;
    bool Matches(const RowData& row) const;
    bool PassesAll() const { return root_ < 0; }

    // True when every row this filter selects is sure to be selected by
    // `wider` too, so that a view already narrowed by `wider` need only be
    // looked through again. It holds for a filter of the same shape whose
    // "like '%text%'" patterns hold the wider one's texts, where no "not"
    // turns them round: what the quick find builds as the user types on.
    bool Narrows(const FilterExpr& wider) const;

private:
    // A comparison with Null is neither true nor false, and "not" keeps it
    // so: a row is selected only where the whole condition is true.
    enum class Truth { False, True, Unknown };
    enum class Op { And, Or, Not, Eq, Ne, Lt, Gt, Le, Ge, Like };
    struct Node {
        Op op = Op::Eq;
        std::vector<int> operands;  // of And / Or (two or more, in order) and Not (one)
        size_t column = 0;          // comparisons
        Value literal;
        // "like '%text%'" with a plain text: looked for as bytes, `needle`
        // with A-Z folded, which finds what the character-wise match finds.
        bool contains = false;
        std::string needle;
    };
    template <class Row>
    Truth eval(int node, const Row& row) const;
    bool narrows(int node, const FilterExpr& wider, int widerNode, bool turned) const;

    std::vector<Node> nodes_;
    int root_ = -1;
    friend class FilterParser;
};

}  // namespace qm::store
