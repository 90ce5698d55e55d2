#pragma once
// What every fuzz target shares: a property that does not hold prints what
// was fed and what came out, then aborts, so that libFuzzer saves the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace qm::fuzz {

// The text with every byte outside printable ASCII as \xHH, to read in a log.
inline std::string Printable(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

[[noreturn]] inline void Fail(const char* property, const std::string& detail) {
    std::fprintf(stderr, "\nProperty broken: %s\n%s\n", property, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// Well-formed UTF-8 by the standard's own table, written apart from the
// program's decoder so that each can check the other.
inline bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    while (i < s.size()) {
        const unsigned char b = at(i);
        size_t n;
        unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
        if (b < 0x80) n = 0;
        else if (b >= 0xC2 && b <= 0xDF) n = 1;
        else if (b == 0xE0) n = 2, lo = 0xA0;
        else if (b >= 0xE1 && b <= 0xEC) n = 2;
        else if (b == 0xED) n = 2, hi = 0x9F;
        else if (b >= 0xEE && b <= 0xEF) n = 2;
        else if (b == 0xF0) n = 3, lo = 0x90;
        else if (b >= 0xF1 && b <= 0xF3) n = 3;
        else if (b == 0xF4) n = 3, hi = 0x8F;
        else return false;
        if (n > 0 && i + n >= s.size()) return false;  // cut short
        for (size_t k = 1; k <= n; ++k) {
            const unsigned char c = at(i + k);
            if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) return false;
        }
        i += n + 1;
    }
    return true;
}

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace qm::fuzz

// Checks `cond`; on failure reports `property` with `detail` (a std::string
// expression, built only on failure).
#define QM_FUZZ_CHECK(cond, property, detail)                  \
    do {                                                       \
        if (!(cond)) ::qm::fuzz::Fail(property, (detail));     \
    } while (0)
