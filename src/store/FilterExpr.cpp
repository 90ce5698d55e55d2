#include "store/FilterExpr.h"

#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "store/StoreError.h"
#include "store/TextRules.h"
#include "text/pinyin_find.h"
#include "text/utf.h"

namespace qm::store {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The end of a number written as SQL writes one, [+-]digits[.digits][e[+-]digits]
// (or [+-].digits...), starting at `pos`; npos where there is none. `real` tells
// whether it has a decimal point or an exponent. No hexadecimal, no "inf", no "nan".
size_t scanNumber(std::string_view s, size_t pos, bool& real) {
    real = false;
    size_t p = pos;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
    size_t digits = 0;
    for (; p < s.size() && isDigit(s[p]); ++p) ++digits;
    if (p < s.size() && s[p] == '.') {
        real = true;
        for (++p; p < s.size() && isDigit(s[p]); ++p) ++digits;
    }
    if (digits == 0) return std::string_view::npos;
    if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
        size_t q = p + 1;
        if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
        if (q >= s.size() || !isDigit(s[q])) return std::string_view::npos;
        real = true;
        for (p = q; p < s.size() && isDigit(s[p]);) ++p;
    }
    return p;
}

// A whole number where it fits in 64 bits, else the nearest real (as SQLite
// reads 9223372036854775808).
Value numberValue(const std::string& number, bool real) {
    if (!real) {
        errno = 0;
        const long long v = std::strtoll(number.c_str(), nullptr, 10);
        if (errno != ERANGE) return Value(static_cast<int64_t>(v));
    }
    return Value(std::strtod(number.c_str(), nullptr));
}

// Text that reads wholly as a number, spaces around it allowed: what SQLite's
// numeric affinity turns into a number before comparing with a number column.
std::optional<Value> numberInText(const std::string& s) {
    size_t first = 0, last = s.size();
    while (first < last && std::isspace(static_cast<unsigned char>(s[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(s[last - 1]))) --last;
    bool real = false;
    if (first == last || scanNumber(s, first, real) != last) return std::nullopt;
    return numberValue(s.substr(first, last - first), real);
}

// A number as SQLite spells it when it needs it as text (a real keeps a ".0").
std::string engineText(const Value& v) {
    if (v.IsReal()) {
        char buf[64];
        sqlite3_snprintf(sizeof buf, buf, "%!.15g", v.Real());
        return buf;
    }
    return v.Text();
}

// A whole number against a real, exactly (no rounding of either to the other).
int compareIntReal(int64_t i, double r) {
    if (r < -9223372036854775808.0) return 1;
    if (r >= 9223372036854775808.0) return -1;
    const auto y = static_cast<int64_t>(r);
    if (i != y) return i < y ? -1 : 1;
    const auto s = static_cast<double>(i);
    return s < r ? -1 : (s > r ? 1 : 0);
}

int compareNumbers(const Value& a, const Value& b) {
    if (a.IsInteger() && b.IsInteger()) return a.Int() < b.Int() ? -1 : (a.Int() > b.Int() ? 1 : 0);
    if (a.IsInteger()) return compareIntReal(a.Int(), b.Real());
    if (b.IsInteger()) return -compareIntReal(b.Int(), a.Real());
    return a.Real() < b.Real() ? -1 : (a.Real() > b.Real() ? 1 : 0);
}

// Compares a field with a literal the way SQLite compares a column with a
// literal: against a text column the literal counts as text; against a number
// column a literal text that reads as a number counts as that number, and any
// other text sorts after every number. Null compares with nothing.
std::optional<int> compare(const CellView& field, const Value& literal) {
    if (field.kind == CellView::Null || literal.IsNull()) return std::nullopt;
    if (field.kind == CellView::Text) {
        if (const std::string* lit = literal.TextPtr()) return CompareNoCase(field.text, *lit);
        return CompareNoCase(field.text, engineText(literal));
    }
    const Value number = field.ToValue();
    if (const std::string* lit = literal.TextPtr()) {
        const std::optional<Value> parsed = numberInText(*lit);
        return parsed ? compareNumbers(number, *parsed) : -1;
    }
    return compareNumbers(number, literal);
}

inline unsigned char foldByte(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

std::string folded(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(foldByte(static_cast<unsigned char>(c)));
    return out;
}

// The inner text of "%text%" when it is plain: valid UTF-8 with no wildcard
// and no replacement character. Such a text, found byte for byte (A-Z folded)
// in any text, starts and ends on the character boundaries that the
// character-wise match reads, so both find the same texts.
std::optional<std::string_view> plainContains(std::string_view pattern) {
    if (pattern.size() < 2 || pattern.front() != '%' || pattern.back() != '%') return std::nullopt;
    const std::string_view inner = pattern.substr(1, pattern.size() - 2);
    for (size_t pos = 0; pos < inner.size();) {
        if (inner[pos] == '%' || inner[pos] == '_') return std::nullopt;
        if (text::NextCodePoint(inner, pos) == text::kReplacementChar) return std::nullopt;
    }
    return inner;
}

// Whether `text` holds `needle` (folded), A-Z folded.
bool containsFolded(std::string_view text, std::string_view needle) {
    if (needle.empty()) return true;
    if (needle.size() > text.size()) return false;
    const unsigned char first = static_cast<unsigned char>(needle[0]);
    const unsigned char firstUpper = (first >= 'a' && first <= 'z') ? static_cast<unsigned char>(first - 32) : first;
    const size_t last = text.size() - needle.size();
    for (size_t i = 0; i <= last; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c != first && c != firstUpper) continue;
        size_t k = 1;
        while (k < needle.size() && foldByte(static_cast<unsigned char>(text[i + k])) == static_cast<unsigned char>(needle[k])) ++k;
        if (k == needle.size()) return true;
    }
    return false;
}

struct ValueCells {
    const std::vector<Value>& row;
    CellView Cell(size_t c) const { return CellView::Of(row[c]); }
};

}  // namespace

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

    static bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

    // Matches a keyword as a whole word, ignoring case.
    bool keyword(std::string_view word) {
        skipSpace();
        if (text_.size() - pos_ < word.size() || CompareNoCase(text_.substr(pos_, word.size()), word) != 0) return false;
        const size_t end = pos_ + word.size();
        if (end < text_.size() && isWordChar(text_[end])) return false;
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

    // A run of operands joined by "and" (or by "or") is one node, so that a
    // long "a or b or c ..." costs no depth when it is evaluated.
    int join(Op op, std::vector<int> operands) {
        if (operands.size() == 1) return operands.front();
        FilterExpr::Node n;
        n.op = op;
        n.operands = std::move(operands);
        return add(std::move(n));
    }

    int orExpr() {
        std::vector<int> operands{andExpr()};
        while (keyword("or")) operands.push_back(andExpr());
        return join(Op::Or, std::move(operands));
    }

    int andExpr() {
        std::vector<int> operands{unary()};
        while (keyword("and")) operands.push_back(unary());
        return join(Op::And, std::move(operands));
    }

    // Parentheses and "not" are the only ways to nest; each level costs stack
    // here and when the filter is evaluated, so the depth is bounded.
    int unary() {
        if (keyword("not")) {
            const Nesting nested(*this);
            FilterExpr::Node n;
            n.op = Op::Not;
            n.operands = {unary()};
            return add(std::move(n));
        }
        if (symbol("(")) {
            const Nesting nested(*this);
            const int inner = orExpr();
            if (!symbol(")")) fail("missing )");
            return inner;
        }
        return comparison();
    }

    struct Nesting {
        explicit Nesting(FilterParser& p) : parser(p) {
            if (++parser.depth_ > FilterExpr::kMaxDepth) parser.fail("nested too deeply");
        }
        ~Nesting() { --parser.depth_; }
        FilterParser& parser;
    };

    int comparison() {
        FilterExpr::Node n;
        n.column = column();
        if (keyword("like")) n.op = Op::Like;
        else if (keyword("pinyin")) n.op = Op::Pinyin;
        else if (symbol("<>") || symbol("!=")) n.op = Op::Ne;
        else if (symbol("<=")) n.op = Op::Le;
        else if (symbol(">=")) n.op = Op::Ge;
        else if (symbol("<")) n.op = Op::Lt;
        else if (symbol(">")) n.op = Op::Gt;
        else if (symbol("=")) n.op = Op::Eq;
        else fail("expected a comparison");
        n.literal = literal();
        // A pattern is always text; a Null pattern matches nothing.
        if (n.op == Op::Like && !n.literal.IsNull()) {
            n.literal = Value(engineText(n.literal));
            if (const auto inner = plainContains(*n.literal.TextPtr())) {
                n.contains = true;
                n.needle = folded(*inner);
            }
        }
        if (n.op == Op::Pinyin && !n.literal.IsNull())
            n.pinyin = std::make_shared<const text::PinyinQuery>(engineText(n.literal));
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
            while (pos_ < text_.size() && isWordChar(text_[pos_])) ++pos_;
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
        bool real = false;
        const size_t end = scanNumber(text_, pos_, real);
        if (end == std::string_view::npos) fail("expected a value");
        // "5abc" or "0x10" is no number, and no number followed by a word either.
        if (end < text_.size() && (isWordChar(text_[end]) || static_cast<unsigned char>(text_[end]) >= 0x80))
            fail("expected a value");
        const std::string number(text_.substr(pos_, end - pos_));
        pos_ = end;
        return numberValue(number, real);
    }

    std::string_view text_;
    const std::vector<std::string>& columns_;
    FilterExpr& out_;
    size_t pos_ = 0;
    int depth_ = 0;
};

FilterExpr FilterExpr::Parse(std::string_view criteria, const std::vector<std::string>& columns) {
    FilterExpr e;
    FilterParser(criteria, columns, e).run();
    return e;
}

bool FilterExpr::Matches(const std::vector<Value>& row) const {
    return root_ < 0 || eval(root_, ValueCells{row}, nullptr) == Truth::True;
}

bool FilterExpr::Matches(const RowData& row, const Spelled* spelled) const {
    return root_ < 0 || eval(root_, row, spelled) == Truth::True;
}

template <class Row>
FilterExpr::Truth FilterExpr::eval(int index, const Row& row, const Spelled* spelled) const {
    const Node& n = nodes_[index];
    switch (n.op) {
        case Op::And: {
            Truth all = Truth::True;
            for (int operand : n.operands) {
                const Truth t = eval(operand, row, spelled);
                if (t == Truth::False) return Truth::False;
                if (t == Truth::Unknown) all = Truth::Unknown;
            }
            return all;
        }
        case Op::Or: {
            Truth any = Truth::False;
            for (int operand : n.operands) {
                const Truth t = eval(operand, row, spelled);
                if (t == Truth::True) return Truth::True;
                if (t == Truth::Unknown) any = Truth::Unknown;
            }
            return any;
        }
        case Op::Not: {
            const Truth t = eval(n.operands.front(), row, spelled);
            return t == Truth::Unknown ? t : (t == Truth::True ? Truth::False : Truth::True);
        }
        case Op::Like: {
            const CellView v = row.Cell(n.column);
            if (v.kind == CellView::Null || n.literal.IsNull()) return Truth::Unknown;
            const std::string& pattern = *n.literal.TextPtr();
            bool like;
            if (v.kind == CellView::Text) like = n.contains ? containsFolded(v.text, n.needle) : Like(v.text, pattern);
            else like = Like(engineText(v.ToValue()), pattern);
            return like ? Truth::True : Truth::False;
        }
        case Op::Pinyin: {
            const CellView v = row.Cell(n.column);
            if (v.kind == CellView::Null || !n.pinyin) return Truth::Unknown;
            bool found;
            if (v.kind != CellView::Text) {
                const std::string text = engineText(v.ToValue());
                found = n.pinyin->Finds(text, text::SpellForFind(text));
            } else if (spelled && spelled->column == n.column) {
                found = n.pinyin->Finds(v.text, spelled->spelling);
            } else {
                found = n.pinyin->Finds(v.text, text::SpellForFind(v.text));
            }
            return found ? Truth::True : Truth::False;
        }
        default: break;
    }
    const auto c = compare(row.Cell(n.column), n.literal);
    if (!c) return Truth::Unknown;
    bool holds = false;
    switch (n.op) {
        case Op::Eq: holds = *c == 0; break;
        case Op::Ne: holds = *c != 0; break;
        case Op::Lt: holds = *c < 0; break;
        case Op::Gt: holds = *c > 0; break;
        case Op::Le: holds = *c <= 0; break;
        case Op::Ge: holds = *c >= 0; break;
        default: break;
    }
    return holds ? Truth::True : Truth::False;
}

bool FilterExpr::Narrows(const FilterExpr& wider) const {
    if (wider.PassesAll()) return true;
    if (PassesAll()) return false;
    return narrows(root_, wider, wider.root_, false);
}

// Node by node: the same shape, the same columns and literals, except that a
// "like" may hold a longer text than the wider one's. A "not" reverses which
// of the two must be the longer; Null reaches both alike, since the columns
// are the same.
bool FilterExpr::narrows(int index, const FilterExpr& wider, int widerIndex, bool turned) const {
    const Node& n = nodes_[index];
    const Node& w = wider.nodes_[widerIndex];
    if (n.op != w.op || n.operands.size() != w.operands.size()) return false;
    if (n.op == Op::And || n.op == Op::Or || n.op == Op::Not) {
        for (size_t k = 0; k < n.operands.size(); ++k)
            if (!narrows(n.operands[k], wider, w.operands[k], turned != (n.op == Op::Not))) return false;
        return true;
    }
    if (n.column != w.column) return false;
    if (n.literal == w.literal) return true;
    if (n.op == Op::Pinyin && n.pinyin && w.pinyin)
        return turned ? w.pinyin->Narrows(*n.pinyin) : n.pinyin->Narrows(*w.pinyin);
    if (n.op != Op::Like || !n.contains || !w.contains) return false;
    const std::string& longer = turned ? w.needle : n.needle;
    const std::string& shorter = turned ? n.needle : w.needle;
    return longer.find(shorter) != std::string::npos;
}

}  // namespace qm::store
