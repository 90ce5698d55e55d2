#pragma once
// A text kept for a while, such as a login password waiting to have a key
// derived from it: in memory the system is asked not to swap out, behind
// guard pages, and wiped when it is replaced or goes.
#include <cstddef>
#include <string_view>

namespace qm::vault {

class LockedText {
public:
    LockedText() = default;
    ~LockedText() { Wipe(); }
    LockedText(const LockedText&) = delete;
    LockedText& operator=(const LockedText&) = delete;

    // Throws std::bad_alloc when no such memory can be had.
    void Keep(std::string_view text);
    void Wipe();
    bool Held() const { return data_ != nullptr; }
    std::string_view View() const { return {data_, size_}; }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace qm::vault
