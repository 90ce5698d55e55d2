#pragma once
// Overwriting what held a secret before its memory goes back to the heap:
// a freed block keeps its bytes until something else takes it, and a
// string's growth frees its old block as it stands.
#include <cstring>
#include <string>

namespace qm::text {

// Zeroes `size` bytes at `p`; the compiler may not drop the writes, though
// nothing reads them afterwards.
inline void WipeBytes(void* p, size_t size) noexcept {
    if (!p || size == 0) return;
    std::memset(p, 0, size);
    asm volatile("" : : "r"(p) : "memory");
}

// Overwrites every unit `s` holds, its unused capacity too, and empties it.
template <class Char>
void WipeString(std::basic_string<Char>& s) noexcept {
    WipeBytes(s.data(), s.capacity() * sizeof(Char));
    s.clear();
}

// Makes `s` hold `v`, wiping what it held: a longer text moves into a fresh
// block only after the old one (or the string's own small buffer) is wiped,
// so no copy of either text stays behind unwiped.
template <class Char>
void AssignWiping(std::basic_string<Char>& s, std::basic_string_view<Char> v) {
    if (v.size() > s.capacity()) {
        std::basic_string<Char> bigger;
        bigger.reserve(v.size());
        WipeString(s);
        s.swap(bigger);  // the old block, wiped, goes with `bigger`
    } else {
        WipeString(s);
    }
    s.assign(v);
}

}  // namespace qm::text
