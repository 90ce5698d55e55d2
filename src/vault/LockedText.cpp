#include "vault/LockedText.h"

#include <sodium.h>

#include <cstring>
#include <new>

#include "vault/Sealing.h"

namespace qm::vault {

void LockedText::Keep(std::string_view text) {
    Wipe();
    EnsureSodium();
    // sodium_malloc locks the pages and sodium_free wipes them; one byte more
    // so that an empty text is still held.
    data_ = static_cast<char*>(sodium_malloc(text.size() + 1));
    if (!data_) throw std::bad_alloc();
    std::memcpy(data_, text.data(), text.size());
    size_ = text.size();
}

void LockedText::Wipe() {
    if (!data_) return;
    sodium_free(data_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace qm::vault
