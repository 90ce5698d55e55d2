#include "platform/Wiped.h"

#include <cstring>

namespace qm::platform {

void WipeMemory(void* data, size_t size) noexcept {
    if (!data || size == 0) return;
    std::memset(data, 0, size);
    // The compiler must assume the zeros are read: the memset stays, even
    // right before the memory is freed.
    __asm__ __volatile__("" : : "r"(data) : "memory");
}

}  // namespace qm::platform
