#pragma once
// A picture as the QR reader wants it: one byte of brightness per pixel,
// rows top to bottom, each `width` bytes.
#include <cstdint>
#include <vector>

namespace qm::platform {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height
};

}  // namespace qm::platform
