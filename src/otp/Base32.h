#pragma once
// Base32 (RFC 4648) as authenticator secrets are written by hand and by web
// pages: spaces, line breaks, dashes and padding anywhere, any case.
#include <optional>
#include <string_view>

#include "platform/Wiped.h"

namespace qm::otp {

// The bytes `text` encodes, or nothing when it is empty or not Base32: a
// character outside A-Z and 2-7 (0, 1 and 8 are not taken for O, L and B: a
// guess would make codes that never work), or a length no Base32 has. Only
// whitespace, '-' and '=' are skipped.
std::optional<platform::WipedBytes> DecodeBase32(std::string_view text);

// `bytes` in upper-case Base32 without padding, as the authenticator
// addresses carry it.
platform::WipedString EncodeBase32(const unsigned char* bytes, size_t size);

}  // namespace qm::otp
