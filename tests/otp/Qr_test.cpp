#include "otp/Qr.h"

#include <gtest/gtest.h>

#include <string>

#include "qr_matrices.h"  // drawn by qrencode at build time

namespace qm::otp {
namespace {

const QrMatrix& Matrix(const std::string& name) {
    for (const QrMatrix& m : kQrMatrices)
        if (name == m.name) return m;
    throw std::runtime_error("no QR matrix " + name);
}

// A busy desktop: a gradient, a few dark and light blocks, noise of +-8.
platform::GreyImage Desktop(int width, int height) {
    platform::GreyImage image{width, height, platform::WipedBytes(size_t(width) * size_t(height))};
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525 + 1013904223;
            int v = 60 + 120 * x / width + 40 * y / height + int(seed >> 28) - 8;
            if ((x / 150 + y / 110) % 5 == 0) v -= 50;
            image.pixels[size_t(y) * size_t(width) + size_t(x)] = uint8_t(std::clamp(v, 0, 255));
        }
    return image;
}

// Draws `m` at (left, top), `scale` pixels a module, with its light margin of four modules.
void Draw(platform::GreyImage& image, const QrMatrix& m, int left, int top, int scale) {
    const int quiet = 4, side = (m.size + 2 * quiet) * scale;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int mx = x / scale - quiet, my = y / scale - quiet;
            const bool dark = mx >= 0 && my >= 0 && mx < m.size && my < m.size && m.rows[my][mx] == '#';
            image.pixels[size_t(top + y) * size_t(image.width) + size_t(left + x)] = dark ? 20 : 235;
        }
}

std::vector<std::string> Texts(const std::vector<platform::WipedString>& found) {
    return std::vector<std::string>(found.begin(), found.end());
}

TEST(OtpQr, ReadsEachCodeOnABusyScreenByteForByte) {
    struct Row { const char* name; int scale; bool read; };
    // cjk, umlaut: UTF-8 without a character-set marker, which ZBar's own
    // guessing mangles (and on Windows crashes in); latin1: not UTF-8, left out.
    const Row rows[] = {{"otpauth", 4, true}, {"otpauth", 2, true}, {"web", 3, true}, {"cjk", 4, true},
                        {"umlaut", 4, true}, {"latin1", 4, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.name) + " at " + std::to_string(r.scale));
        platform::GreyImage screen = Desktop(1920, 1080);
        Draw(screen, Matrix(r.name), 1203, 377, r.scale);
        const auto found = Texts(ReadQrCodes(screen));
        EXPECT_EQ(found, r.read ? std::vector<std::string>{Matrix(r.name).payload} : std::vector<std::string>{});
    }
}

TEST(OtpQr, FindsTheAuthenticatorAddressAmongOtherCodes) {
    platform::GreyImage screen = Desktop(1280, 720);
    EXPECT_TRUE(ReadQrCodes(screen).empty());
    EXPECT_FALSE(FindOtpAuthQr(screen));
    Draw(screen, Matrix("web"), 40, 40, 4);
    EXPECT_FALSE(FindOtpAuthQr(screen)) << "a web address is no secret";
    Draw(screen, Matrix("otpauth"), 700, 300, 3);
    const auto found = FindOtpAuthQr(screen);
    ASSERT_TRUE(found);
    EXPECT_EQ(std::string(*found), Matrix("otpauth").payload);
    EXPECT_EQ(ReadQrCodes(screen).size(), 2u);
}

TEST(OtpQr, ReadsRowsThatLieFurtherApartThanTheirWidth) {
    platform::GreyImage inner = Desktop(400, 300);
    Draw(inner, Matrix("otpauth"), 100, 50, 3);
    // The same picture inside wider rows, the bytes beyond each row black.
    const size_t stride = 433;
    std::vector<uint8_t> wide(stride * 300, 0);
    for (size_t y = 0; y < 300; ++y) std::copy_n(&inner.pixels[y * 400], 400, &wide[y * stride]);
    EXPECT_EQ(Texts(ReadQrCodes(wide.data(), 400, 300, stride)), std::vector<std::string>{Matrix("otpauth").payload});
    EXPECT_TRUE(ReadQrCodes(wide.data(), 400, 300, 399).empty()) << "rows overlapping";
    EXPECT_TRUE(ReadQrCodes(nullptr, 400, 300, stride).empty());
}

}  // namespace
}  // namespace qm::otp
