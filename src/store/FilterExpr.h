#pragma once
// A record-set filter: comparisons of a column with a literal
// (=, <>, <, >, <=, >=, like), joined by and / or / not, with parentheses.
// Comparisons follow the store's text rules, so a filter and a statement
// with the same condition select the same rows.
#include <string>
#include <string_view>
#include <vector>

#include "store/Value.h"

namespace qm::store {

class FilterExpr {
public:
    // An empty or blank text gives a filter that passes every row. Throws
    // StoreError for text that does not parse or names an unknown column.
    static FilterExpr Parse(std::string_view criteria, const std::vector<std::string>& columns);

    bool Matches(const std::vector<Value>& row) const { return root_ < 0 || eval(root_, row); }
    bool PassesAll() const { return root_ < 0; }

private:
    enum class Op { And, Or, Not, Eq, Ne, Lt, Gt, Le, Ge, Like };
    struct Node {
        Op op = Op::Eq;
        int left = -1, right = -1;  // operands of And / Or / Not
        size_t column = 0;          // comparisons
        Value literal;
    };
    bool eval(int node, const std::vector<Value>& row) const;

    std::vector<Node> nodes_;
    int root_ = -1;
    friend class FilterParser;
};

}  // namespace qm::store
