#include "vault/KeyedDigest.h"

#include <sodium.h>

#include "vault/Sealing.h"

namespace qm::vault {

static_assert(KeyedDigest::kKeySize == crypto_generichash_KEYBYTES);
static_assert(KeyedDigest::kDigestSize >= crypto_generichash_BYTES_MIN &&
              KeyedDigest::kDigestSize <= crypto_generichash_BYTES_MAX);

KeyedDigest::KeyedDigest() {
    EnsureSodium();
    randombytes_buf(key_, sizeof key_);
}

KeyedDigest::~KeyedDigest() { sodium_memzero(key_, sizeof key_); }

std::string KeyedDigest::Of(std::string_view text) const {
    std::string digest(kDigestSize, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(digest.data()), digest.size(),
                       reinterpret_cast<const unsigned char*>(text.data()), text.size(), key_, sizeof key_);
    return digest;
}

bool KeyedDigest::Same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace qm::vault
