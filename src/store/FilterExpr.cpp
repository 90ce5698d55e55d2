#include "store/FilterExpr.h"

#include <cctype>
#include <cstdlib>
#include <optional>

#include "store/StoreError.h"
#include "store/TextRules.h"

namespace qm::store {

class FilterParser {
public:
    FilterParser(std::string_view text, const std::vector<std::string>& columns, FilterExpr& out)
        : text_(text), columns_(columns), out_(out) {}

    void run() {
        skipSpace();
        if (pos_ == text_.size()) return;
        out_.root_ = orExpr();
        skipSpace();
        if (pos_ != text_.size()) fail("unexpected text");
    }

private:
    using Op = FilterExpr::Op;

    [[noreturn]] void fail(const std::string& why) const {
        throw StoreError("Filter \"" + std::string(text_) + "\": " + why + " at position " + std::to_string(pos_));
    }

    void skipSpace() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }

    // Matches a keyword as a whole word, ignoring case.
    bool keyword(std::string_view word) {
        skipSpace();
        if (text_.size() - pos_ < word.size() || CompareNoCase(text_.substr(pos_, word.size()), word) != 0) return false;
        const size_t end = pos_ + word.size();
        if (end < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '_')) return false;
        pos_ = end;
        return true;
    }

    bool symbol(std::string_view s) {
        skipSpace();
        if (text_.substr(pos_, s.size()) != s) return false;
        pos_ += s.size();
        return true;
    }

    int add(FilterExpr::Node n) {
        out_.nodes_.push_back(std::move(n));
        return static_cast<int>(out_.nodes_.size() - 1);
    }

    int join(Op op, int left, int right = -1) {
        FilterExpr::Node n;
        n.op = op;
        n.left = left;
        n.right = right;
        return add(std::move(n));
    }

    int orExpr() {
        int left = andExpr();
        while (keyword("or")) left = join(Op::Or, left, andExpr());
        return left;
    }

    int andExpr() {
        int left = unary();
        while (keyword("and")) left = join(Op::And, left, unary());
        return left;
    }

    int unary() {
        if (keyword("not")) return join(Op::Not, unary());
        if (symbol("(")) {
            const int inner = orExpr();
            if (!symbol(")")) fail("missing )");
            return inner;
        }
        return comparison();
    }

    int comparison() {
        FilterExpr::Node n;
        n.column = column();
        if (keyword("like")) n.op = Op::Like;
        else if (symbol("<>") || symbol("!=")) n.op = Op::Ne;
        else if (symbol("<=")) n.op = Op::Le;
        else if (symbol(">=")) n.op = Op::Ge;
        else if (symbol("<")) n.op = Op::Lt;
        else if (symbol(">")) n.op = Op::Gt;
        else if (symbol("=")) n.op = Op::Eq;
        else fail("expected a comparison");
        n.literal = literal();
        if (n.op == Op::Like) n.literal = Value(n.literal.Text());  // a pattern is always text
        return add(std::move(n));
    }

    size_t column() {
        skipSpace();
        std::string_view name;
        if (symbol("[")) {
            const size_t close = text_.find(']', pos_);
            if (close == std::string_view::npos) fail("missing ]");
            name = text_.substr(pos_, close - pos_);
            pos_ = close + 1;
        } else {
            const size_t start = pos_;
            while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
                ++pos_;
            name = text_.substr(start, pos_ - start);
        }
        if (name.empty()) fail("expected a column name");
        for (size_t i = 0; i < columns_.size(); ++i)
            if (CompareNoCase(columns_[i], name) == 0) return i;
        fail("no column " + std::string(name));
    }

    Value literal() {
        skipSpace();
        if (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) {
            const char quote = text_[pos_++];
            std::string s;
            for (;;) {
                if (pos_ >= text_.size()) fail("unterminated text");
                if (text_[pos_] == quote) {
                    if (quote == '\'' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        s += '\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    return Value(std::move(s));
                }
                s += text_[pos_++];
            }
        }
        if (keyword("null")) return Value();
        char* end = nullptr;
        const std::string number(text_.substr(pos_));
        const double d = std::strtod(number.c_str(), &end);
        const size_t used = static_cast<size_t>(end - number.c_str());
        if (used == 0) fail("expected a value");
        pos_ += used;
        const std::string_view digits(number.data(), used);
        if (digits.find_first_of(".eEnN") == std::string_view::npos)
            return Value(static_cast<int64_t>(std::strtoll(number.c_str(), nullptr, 10)));
        return Value(d);
    }

    std::string_view text_;
    const std::vector<std::string>& columns_;
    FilterExpr& out_;
    size_t pos_ = 0;
};

FilterExpr FilterExpr::Parse(std::string_view criteria, const std::vector<std::string>& columns) {
    FilterExpr e;
    FilterParser(criteria, columns, e).run();
    return e;
}

namespace {

// Text that reads wholly as a number, as SQLite's numeric affinity takes it.
std::optional<double> asNumber(const std::string& s) {
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    const double d = std::strtod(s.c_str(), &end);
    if (end == s.c_str()) return std::nullopt;
    while (*end && std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (*end) return std::nullopt;
    return d;
}

// Compares a field with a literal the way SQLite compares a column with a
// literal: numbers as numbers (text literals that read as numbers count as
// numbers against a numeric field), text by the NOCASE rule. Null never compares.
std::optional<int> compare(const Value& field, const Value& literal) {
    if (field.IsNull() || literal.IsNull()) return std::nullopt;
    if (!field.IsText()) {
        std::optional<double> rhs;
        if (!literal.IsText()) rhs = literal.Real();
        else rhs = asNumber(literal.Text());
        if (rhs) {
            const double lhs = field.Real();
            return lhs < *rhs ? -1 : (lhs > *rhs ? 1 : 0);
        }
        return -1;  // a number sorts before any text
    }
    if (const std::string* lit = literal.TextPtr()) return CompareNoCase(*field.TextPtr(), *lit);
    return CompareNoCase(*field.TextPtr(), literal.Text());
}

}  // namespace

bool FilterExpr::eval(int index, const std::vector<Value>& row) const {
    const Node& n = nodes_[index];
    switch (n.op) {
        case Op::And: return eval(n.left, row) && eval(n.right, row);
        case Op::Or: return eval(n.left, row) || eval(n.right, row);
        case Op::Not: return !eval(n.left, row);
        case Op::Like: {
            const Value& v = row[n.column];
            if (const std::string* text = v.TextPtr()) return Like(*text, *n.literal.TextPtr());
            return !v.IsNull() && Like(v.Text(), *n.literal.TextPtr());
        }
        default: break;
    }
    const auto c = compare(row[n.column], n.literal);
    if (!c) return false;
    switch (n.op) {
        case Op::Eq: return *c == 0;
        case Op::Ne: return *c != 0;
        case Op::Lt: return *c < 0;
        case Op::Gt: return *c > 0;
        case Op::Le: return *c <= 0;
        case Op::Ge: return *c >= 0;
        default: return false;
    }
}

}  // namespace qm::store
