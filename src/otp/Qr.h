#pragma once
// QR codes read from a grey picture (ZBar), such as a capture of the screen
// showing a site's authenticator set-up page.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/GreyImage.h"
#include "platform/Wiped.h"

namespace qm::otp {

// The texts of every QR code found in `height` rows of `width` pixels, one
// byte each, rows `stride` bytes apart. The codes' bytes are taken as they
// are, never guessed into another character set; a code whose bytes are not
// UTF-8 is left out.
std::vector<platform::WipedString> ReadQrCodes(const uint8_t* pixels, int width, int height, size_t stride);
std::vector<platform::WipedString> ReadQrCodes(const platform::GreyImage& image);

// The first code found that is an otpauth:// address (any case of the scheme).
std::optional<platform::WipedString> FindOtpAuthQr(const platform::GreyImage& image);

}  // namespace qm::otp
