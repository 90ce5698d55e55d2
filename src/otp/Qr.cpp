#include "otp/Qr.h"

#include <zbar.h>

#include <cstring>
#include <string_view>

#include "text/utf.h"

namespace qm::otp {

namespace {

// Every byte is UTF-8 as written, nothing read as U+FFFD but U+FFFD itself.
bool IsUtf8(std::string_view s) {
    for (size_t pos = 0; pos < s.size();) {
        const size_t start = pos;
        if (text::NextCodePoint(s, pos) == text::kReplacementChar && s.compare(start, 3, "\xEF\xBF\xBD") != 0)
            return false;
    }
    return true;
}

struct Scanner {
    zbar::zbar_image_scanner_t* scanner = zbar::zbar_image_scanner_create();
    zbar::zbar_image_t* image = zbar::zbar_image_create();
    ~Scanner() {
        zbar::zbar_image_destroy(image);
        zbar::zbar_image_scanner_destroy(scanner);
    }
};

}  // namespace

std::vector<platform::WipedString> ReadQrCodes(const uint8_t* pixels, int width, int height, size_t stride) {
    std::vector<platform::WipedString> found;
    if (!pixels || width <= 0 || height <= 0 || stride < static_cast<size_t>(width)) return found;
    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    // ZBar reads rows packed one after the other.
    platform::WipedBytes packed;
    const uint8_t* data = pixels;
    if (stride != w) {
        packed.resize(w * h);
        for (size_t y = 0; y < h; ++y) std::memcpy(&packed[y * w], pixels + y * stride, w);
        data = packed.data();
    }

    Scanner s;
    if (!s.scanner || !s.image) return found;
    zbar::zbar_image_scanner_set_config(s.scanner, zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(s.scanner, zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    // Raw bytes: ZBar's guessing of character sets mangles UTF-8, and on
    // Windows (win_iconv lacks one of its sets) crashes on Chinese text.
    zbar::zbar_image_scanner_set_config(s.scanner, zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_BINARY, 1);
    zbar::zbar_image_set_format(s.image, zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(s.image, static_cast<unsigned>(width), static_cast<unsigned>(height));
    zbar::zbar_image_set_data(s.image, data, w * h, nullptr);
    if (zbar::zbar_scan_image(s.scanner, s.image) <= 0) return found;

    for (const zbar::zbar_symbol_t* sym = zbar::zbar_image_first_symbol(s.image); sym;
         sym = zbar::zbar_symbol_next(sym)) {
        if (zbar::zbar_symbol_get_type(sym) != zbar::ZBAR_QRCODE) continue;
        // The text may be a secret: our copy wipes itself, ZBar's is wiped here.
        char* text = const_cast<char*>(zbar::zbar_symbol_get_data(sym));
        const size_t length = zbar::zbar_symbol_get_data_length(sym);
        if (!text) continue;
        const std::string_view bytes(text, length);
        if (IsUtf8(bytes)) found.emplace_back(bytes);
        platform::WipeMemory(text, length);
    }
    return found;
}

std::vector<platform::WipedString> ReadQrCodes(const platform::GreyImage& image) {
    if (image.pixels.size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) return {};
    return ReadQrCodes(image.pixels.data(), image.width, image.height, static_cast<size_t>(image.width));
}

std::optional<platform::WipedString> FindOtpAuthQr(const platform::GreyImage& image) {
    std::optional<platform::WipedString> first;
    for (platform::WipedString& text : ReadQrCodes(image)) {
        static constexpr std::string_view kScheme = "otpauth://";
        bool match = text.size() >= kScheme.size();
        for (size_t i = 0; match && i < kScheme.size(); ++i)
            match = (text[i] | 0x20) == kScheme[i];  // ':' and '/' keep their bit
        if (match) {
            first = std::move(text);
            break;
        }
    }
    return first;
}

}  // namespace qm::otp
