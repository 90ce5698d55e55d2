#pragma once
// Keyed digests of secrets, for telling whether two of them are equal
// without holding both in the clear: under one key equal texts give equal
// digests, and a digest tells nothing without its key, which is random,
// made with the object and wiped with it.
#include <string>
#include <string_view>

namespace qm::vault {

class KeyedDigest {
public:
    static constexpr size_t kKeySize = 32, kDigestSize = 32;
    KeyedDigest();
    ~KeyedDigest();
    KeyedDigest(const KeyedDigest&) = delete;
    KeyedDigest& operator=(const KeyedDigest&) = delete;

    std::string Of(std::string_view text) const;
    // Compares two digests in a time that does not depend on where they differ.
    static bool Same(std::string_view a, std::string_view b);

private:
    unsigned char key_[kKeySize];
};

}  // namespace qm::vault
