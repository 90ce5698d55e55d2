#pragma once
// Buffers for deciphered text that leave nothing behind: every block they
// let go of is overwritten first (a string or vector that grows frees its
// old block, which would otherwise keep a copy of what it held), and a
// WipedString wipes its whole capacity, the bytes kept inside the object
// itself too, when it goes.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "text/wipe.h"

namespace qm::platform {

// Overwrites `size` bytes at `data` with zeros in a way the compiler keeps
// (text::WipeBytes, named for the buffers here).
void WipeMemory(void* data, size_t size) noexcept;

template <class T>
struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) noexcept {}
    T* allocate(size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, size_t n) noexcept {
        WipeMemory(p, n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <class U>
    bool operator==(const WipingAllocator<U>&) const noexcept {
        return true;
    }
};

using WipedBytes = std::vector<unsigned char, WipingAllocator<unsigned char>>;

using WipingString = std::basic_string<char, std::char_traits<char>, WipingAllocator<char>>;

class WipedString : public WipingString {
public:
    using WipingString::WipingString;
    WipedString() = default;
    WipedString(const WipedString&) = default;
    WipedString(WipedString&&) noexcept = default;
    WipedString& operator=(const WipedString&) = default;
    WipedString& operator=(WipedString&&) noexcept = default;
    using WipingString::operator=;
    // A short text lives inside the object, where no allocator sees it.
    ~WipedString() { WipeMemory(data(), capacity()); }
};

// Overwrites every byte a string holds, its unused capacity too, and empties it.
inline void Wipe(std::string& s) noexcept { text::WipeString(s); }

}  // namespace qm::platform
