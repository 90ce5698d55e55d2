#include "store/Value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace qm::store {

std::string Value::Text() const {
    if (const auto* s = std::get_if<std::string>(&v_)) return *s;
    if (const auto* i = std::get_if<int64_t>(&v_)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v_)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.15g", *d);
        return buf;
    }
    return {};
}

int64_t Value::Int() const {
    if (const auto* i = std::get_if<int64_t>(&v_)) return *i;
    if (const auto* d = std::get_if<double>(&v_)) {
        // Past the whole numbers a real reads as their nearest end; the cast
        // alone would be undefined there.
        const double r = std::nearbyint(*d);
        if (std::isnan(r)) return 0;
        if (r >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
        if (r < -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
        return static_cast<int64_t>(r);
    }
    if (const auto* s = std::get_if<std::string>(&v_)) return std::strtoll(s->c_str(), nullptr, 10);
    return 0;
}

double Value::Real() const {
    if (const auto* i = std::get_if<int64_t>(&v_)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&v_)) return *d;
    if (const auto* s = std::get_if<std::string>(&v_)) return std::strtod(s->c_str(), nullptr);
    return 0;
}

}  // namespace qm::store
