#include "text/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "text/utf.h"

namespace qm::text {
namespace {

#include "gbk_table.inc"

constexpr char32_t kEuro = 0x20AC;
constexpr int kTrails = 191;

// Reverse of the pair table, plus the BMP code points that have no one- or
// two-byte code, in order: GB18030's four-byte codes number exactly those.
struct Tables {
    std::array<uint16_t, 0x10000> pairOf{};
    std::vector<uint16_t> fourByteBmp;

    Tables() {
        for (int i = 0; i < 126 * kTrails; ++i) {
            const uint16_t cp = kGbkPairs[i];
            if (cp != 0 && cp != kEuro && pairOf[cp] == 0)
                pairOf[cp] = static_cast<uint16_t>(((0x81 + i / kTrails) << 8) | (0x40 + i % kTrails));
        }
        fourByteBmp.reserve(40000);
        for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
            if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == kEuro || pairOf[cp] != 0) continue;
            fourByteBmp.push_back(static_cast<uint16_t>(cp));
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// GB18030's four-byte codes run b1 0x81-0xFE, b2 0x30-0x39, b3 0x81-0xFE, b4 0x30-0x39.
constexpr uint32_t kSupplementaryBase = ((0x90 - 0x81) * 10 + 0) * 1260 + 0 * 10 + 0;  // 0x90308130

void appendFourByte(std::string& out, uint32_t linear) {
    const uint32_t b4 = linear % 10;
    linear /= 10;
    const uint32_t b3 = linear % 126;
    linear /= 126;
    const uint32_t b2 = linear % 10;
    const uint32_t b1 = linear / 10;
    out += static_cast<char>(0x81 + b1);
    out += static_cast<char>(0x30 + b2);
    out += static_cast<char>(0x81 + b3);
    out += static_cast<char>(0x30 + b4);
}

template <bool Lossless>
std::string encode(std::string_view utf8) {
    const Tables& t = tables();
    std::string out;
    // Room for the longest result at once: a growth would leave the old
    // block, a copy of a password on its way to the cipher, unwiped.
    out.reserve(Lossless ? utf8.size() * 2 : utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, pos);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp == kEuro) {
            out += '\x80';
        } else if (cp <= 0xFFFF && t.pairOf[cp] != 0) {
            out += static_cast<char>(t.pairOf[cp] >> 8);
            out += static_cast<char>(t.pairOf[cp] & 0xFF);
        } else if (!Lossless) {
            out += '?';
        } else if (cp <= 0xFFFF) {
            const auto it = std::lower_bound(t.fourByteBmp.begin(), t.fourByteBmp.end(), cp);
            appendFourByte(out, static_cast<uint32_t>(it - t.fourByteBmp.begin()));
        } else {
            appendFourByte(out, kSupplementaryBase + (cp - 0x10000));
        }
    }
    return out;
}

}  // namespace

int GbkCode(char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    if (cp == kEuro) return 0x80;
    if (cp <= 0xFFFF && tables().pairOf[cp] != 0) return tables().pairOf[cp];
    return -1;
}

std::string ToGbk(std::string_view utf8) { return encode<false>(utf8); }

std::string ToGb18030(std::string_view utf8) { return encode<true>(utf8); }

std::string FromGb18030(std::string_view bytes) {
    const Tables& t = tables();
    const auto at = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u; };
    std::string out;
    out.reserve(bytes.size() * 3);  // a stray byte reads as three; no growth leaves a copy
    for (size_t i = 0; i < bytes.size();) {
        const unsigned b1 = at(i);
        char32_t cp = kReplacementChar;
        size_t used = 1;
        if (b1 < 0x80) {
            cp = b1;
        } else if (b1 == 0x80) {
            cp = kEuro;
        } else if (b1 <= 0xFE) {
            const unsigned b2 = at(i + 1);
            if (b2 >= 0x40 && b2 <= 0xFE && b2 != 0x7F) {
                used = 2;
                if (const uint16_t mapped = kGbkPairs[(b1 - 0x81) * kTrails + (b2 - 0x40)]) cp = mapped;
            } else if (b2 >= 0x30 && b2 <= 0x39 && at(i + 2) >= 0x81 && at(i + 2) <= 0xFE && at(i + 3) >= 0x30 &&
                       at(i + 3) <= 0x39) {
                used = 4;
                const uint32_t linear = (((b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (at(i + 2) - 0x81)) * 10 + (at(i + 3) - 0x30);
                if (linear < t.fourByteBmp.size())
                    cp = t.fourByteBmp[linear];
                else if (linear >= kSupplementaryBase && linear - kSupplementaryBase <= 0x10FFFF - 0x10000)
                    cp = 0x10000 + (linear - kSupplementaryBase);
            }
        }
        AppendUtf8(out, cp);
        i += used;
    }
    return out;
}

}  // namespace qm::text
