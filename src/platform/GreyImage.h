#pragma once
// A picture as the QR reader wants it: one byte of brightness per pixel,
// rows top to bottom, each `width` bytes. A picture of a QR code is as good
// as the secret it shows, so its bytes are wiped when they go.
#include "platform/Wiped.h"

namespace qm::platform {

struct GreyImage {
    int width = 0;
    int height = 0;
    WipedBytes pixels;  // width * height
};

}  // namespace qm::platform
