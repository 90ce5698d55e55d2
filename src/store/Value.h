#pragma once
// A field's value as the forms see it: empty (Null), a whole number, a real
// number or text. Yes/no columns hold -1 for true and 0 for false, as the
// original engine stored them; any non-zero number reads as true.
#include <cstdint>
#include <string>
#include <variant>

namespace qm::store {

class Value {
public:
    Value() = default;
    Value(std::nullptr_t) {}
    Value(int v) : v_(int64_t{v}) {}
    Value(int64_t v) : v_(v) {}
    Value(bool v) : v_(int64_t{v ? -1 : 0}) {}
    Value(double v) : v_(v) {}
    Value(std::string v) : v_(std::move(v)) {}
    Value(std::string_view v) : v_(std::string(v)) {}
    Value(const char* v) : v_(std::string(v)) {}

    bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool IsInteger() const { return std::holds_alternative<int64_t>(v_); }
    bool IsReal() const { return std::holds_alternative<double>(v_); }
    bool IsText() const { return std::holds_alternative<std::string>(v_); }

    // Conversions as the forms use them: Null reads as "" or 0; numbers as
    // their decimal text; text as its leading number.
    std::string Text() const;
    // The text itself, without a copy; nullptr unless the value is text.
    const std::string* TextPtr() const { return std::get_if<std::string>(&v_); }
    int64_t Int() const;
    double Real() const;
    bool Bool() const { return Real() != 0; }

    bool operator==(const Value&) const = default;

private:
    std::variant<std::monostate, int64_t, double, std::string> v_;
    friend class Recordset;
    friend class Connection;
    friend struct ValueAccess;
};

}  // namespace qm::store
