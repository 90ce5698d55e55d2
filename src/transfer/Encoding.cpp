#include "transfer/Encoding.h"

#include "platform/Wiped.h"
#include "text/codepage.h"
#include "text/utf.h"

namespace qm::transfer {

namespace {

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEBom = "\xFF\xFE";
constexpr std::string_view kUtf16BEBom = "\xFE\xFF";

bool validGb18030(std::string_view bytes) {
    size_t i = 0;
    const auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    bool any = false;
    while (i < bytes.size()) {
        const unsigned char b = at(i);
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b == 0x80 || b == 0xFF || i + 1 >= bytes.size()) return false;
        const unsigned char b2 = at(i + 1);
        if (b2 >= 0x30 && b2 <= 0x39) {
            if (i + 3 >= bytes.size() || at(i + 2) < 0x81 || at(i + 2) > 0xFE || at(i + 3) < 0x30 || at(i + 3) > 0x39)
                return false;
            i += 4;
        } else if (b2 >= 0x40 && b2 <= 0xFE && b2 != 0x7F) {
            i += 2;
        } else {
            return false;
        }
        any = true;
    }
    if (!any) return true;
    // The structure fits; the code page must also know every character.
    std::string text = text::FromGb18030(bytes);
    const bool known = text.find("\xEF\xBF\xBD") == std::string::npos;
    platform::Wipe(text);  // the whole file, passwords and all
    return known;
}

// UTF-16 without a mark: ASCII characters leave a zero in every other byte.
bool looksUtf16(std::string_view bytes, bool& littleEndian) {
    if (bytes.size() < 4 || bytes.size() % 2 != 0) return false;
    size_t zeroEven = 0, zeroOdd = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0') ++(i % 2 ? zeroOdd : zeroEven);
    const size_t half = bytes.size() / 2;
    if (zeroOdd * 2 > half && zeroEven == 0) return littleEndian = true;
    if (zeroEven * 2 > half && zeroOdd == 0) return !(littleEndian = false);
    return false;
}

std::string fromUtf16(std::string_view bytes, bool littleEndian) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[2 * i + (littleEndian ? 0 : 1)]);
        const auto hi = static_cast<unsigned char>(bytes[2 * i + (littleEndian ? 1 : 0)]);
        units[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    std::string out = text::Utf16ToUtf8(units);
    platform::WipeMemory(units.data(), units.capacity() * sizeof(char16_t));
    if (bytes.size() % 2) text::AppendUtf8(out, text::kReplacementChar);
    return out;
}

}  // namespace

const char* EncodingName(Encoding e) {
    switch (e) {
        case Encoding::Utf8: return "UTF-8";
        case Encoding::Utf16LE: return "UTF-16 LE";
        case Encoding::Utf16BE: return "UTF-16 BE";
        case Encoding::Gb18030: return "GB18030 (GBK)";
    }
    return "";
}

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t at = i;
        const char32_t cp = text::NextCodePoint(bytes, i);
        if (cp == text::kReplacementChar && bytes.substr(at, 3) != "\xEF\xBF\xBD") return false;
    }
    return true;
}

Encoding DetectEncoding(std::string_view bytes) {
    if (startsWith(bytes, kUtf8Bom)) return Encoding::Utf8;
    if (startsWith(bytes, kUtf16LEBom)) return Encoding::Utf16LE;
    if (startsWith(bytes, kUtf16BEBom)) return Encoding::Utf16BE;
    bool little = true;
    if (looksUtf16(bytes, little)) return little ? Encoding::Utf16LE : Encoding::Utf16BE;
    if (IsValidUtf8(bytes)) return Encoding::Utf8;
    if (validGb18030(bytes)) return Encoding::Gb18030;
    return Encoding::Utf8;
}

std::string DecodeText(std::string_view bytes, Encoding e) {
    switch (e) {
        case Encoding::Utf8: {
            if (startsWith(bytes, kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
            if (IsValidUtf8(bytes)) return std::string(bytes);
            std::string out;
            // Room for a replacement character per byte: the text never grows
            // out of a block, which would be freed holding its passwords.
            out.reserve(bytes.size() * 3);
            for (size_t i = 0; i < bytes.size();) text::AppendUtf8(out, text::NextCodePoint(bytes, i));
            return out;
        }
        case Encoding::Utf16LE:
            if (startsWith(bytes, kUtf16LEBom)) bytes.remove_prefix(2);
            return fromUtf16(bytes, true);
        case Encoding::Utf16BE:
            if (startsWith(bytes, kUtf16BEBom)) bytes.remove_prefix(2);
            return fromUtf16(bytes, false);
        case Encoding::Gb18030: return text::FromGb18030(bytes);
    }
    return {};
}

}  // namespace qm::transfer
