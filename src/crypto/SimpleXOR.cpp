#include "crypto/SimpleXOR.h"

#include <cmath>
#include <cstring>

#include "platform/files.h"
#include "text/codepage.h"
#include "text/utf.h"

namespace qm::crypto {
namespace {

// A stored text that starts with this character holds the combined bytes in
// hexadecimal. Only texts with characters beyond ASCII take this form: their
// combined bytes need not form valid characters, and a text conversion would
// lose them. ASCII texts keep the plain form, whose bytes are all below 128.
constexpr std::string_view kHexMark = "\xC2\x80";  // U+0080, never produced by the plain form

// Plain byte loops over non-overlapping buffers, which the compiler turns
// into vector instructions; the AVX2 copy runs where the processor has it.
// Together they keep the cipher near memcpy's speed.
void xorRangeBaseline(uint8_t* __restrict data, const uint8_t* __restrict key, size_t n) {
    for (size_t i = 0; i < n; ++i) data[i] ^= key[i];
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void xorRangeAvx2(uint8_t* __restrict data, const uint8_t* __restrict key, size_t n) {
    for (size_t i = 0; i < n; ++i) data[i] ^= key[i];
}
#endif

using XorRange = void (*)(uint8_t*, const uint8_t*, size_t);

XorRange pickXorRange() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return xorRangeAvx2;
#endif
    return xorRangeBaseline;
}

const XorRange xorRange = pickXorRange();

std::string toHex(std::span<const uint8_t> bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool fromHex(std::string_view hex, std::string& bytes) {
    if (hex.size() % 2 != 0) return false;
    const auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    bytes.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

std::span<uint8_t> asBytes(std::string& s) { return {reinterpret_cast<uint8_t*>(s.data()), s.size()}; }

}  // namespace

void clsSimpleXOR::Key(std::string_view New_Value) {
    if (New_Value == keyText_) return;
    keyText_ = New_Value;
    keyLength_ = static_cast<int32_t>(text::Utf16Length(keyText_));
    const std::string bytes = text::ToGbk(keyText_);
    keyBytes_.assign(bytes.begin(), bytes.end());
    // A character beyond the BMP counts two in the length but converts to one '?'.
    if (keyBytes_.size() < static_cast<size_t>(keyLength_)) keyBytes_.resize(keyLength_, '?');
    // The cycle is KeyLength long even where a character takes two bytes.
    constexpr size_t kStreamTarget = 4096;
    const size_t cycle = static_cast<size_t>(keyLength_);
    keyStream_.clear();
    if (cycle == 0) return;
    const size_t cycles = (kStreamTarget + cycle - 1) / cycle + 1;
    keyStream_.reserve(cycles * cycle);
    for (size_t c = 0; c < cycles; ++c) keyStream_.insert(keyStream_.end(), keyBytes_.begin(), keyBytes_.begin() + cycle);
}

void clsSimpleXOR::EncryptByte(std::span<uint8_t> ByteArray, std::string_view Key) {
    if (!Key.empty()) this->Key(Key);
    if (keyLength_ == 0) throw CipherError(kNoKeyError, "The cipher has no key: pass a key or set one first.");

    const size_t n = ByteArray.size();
    const size_t cycle = static_cast<size_t>(keyLength_);
    const size_t window = keyStream_.size() - cycle;  // any phase can read this many key bytes
    uint8_t* data = ByteArray.data();
    const auto combine = [&](size_t from, size_t to) {
        while (from < to) {
            const size_t len = std::min(to - from, window);
            xorRange(data + from, keyStream_.data() + from % cycle, len);
            from += len;
        }
    };

    int64_t next = 0;
    int32_t percent = 0;
    const double total = static_cast<double>(n);
    for (size_t i = 0; i < n;) {
        data[i] ^= keyBytes_[i % cycle];
        if (static_cast<int64_t>(i) >= next) {
            percent = static_cast<int32_t>(std::floor(static_cast<double>(i) / total * 100.0));
            next = static_cast<int64_t>(std::nearbyint((percent + 1) / 100.0 * total + 1.0));  // ties to even
            raiseProgress(percent);
        }
        ++i;
        // Bytes before `next` raise no progress: combine them in one run.
        const size_t stop = next > static_cast<int64_t>(i) ? std::min(n, static_cast<size_t>(next)) : i;
        combine(i, stop);
        i = stop;
    }
    if (percent != 100) raiseProgress(100);
}

std::string clsSimpleXOR::EncryptString(std::string_view Text, std::string_view Key) {
    std::string bytes = text::ToGb18030(Text);
    EncryptByte(asBytes(bytes), Key);
    for (unsigned char b : bytes)
        if (b >= 0x80) return std::string(kHexMark) + toHex(asBytes(bytes));
    return bytes;
}

std::string clsSimpleXOR::DecryptString(std::string_view Text, std::string_view Key) {
    std::string bytes;
    if (!(Text.starts_with(kHexMark) && fromHex(Text.substr(kHexMark.size()), bytes))) bytes = text::ToGb18030(Text);
    DecryptByte(asBytes(bytes), Key);
    return text::FromGb18030(bytes);
}

void clsSimpleXOR::EncryptFile(const std::string& SourceFile, const std::string& DestFile, std::string_view Key) {
    if (!platform::FileExists(SourceFile))
        throw CipherError(kSourceMissingError, "Error in Skipjack EncryptFile procedure (Source file does not exist).");
    std::vector<unsigned char> bytes;
    try {
        bytes = platform::ReadWholeFile(SourceFile);
    } catch (const platform::FileError& e) {
        throw CipherError(kFileWriteError, e.what());
    }
    if (bytes.empty()) throw CipherError(kSubscriptOutOfRange, "Subscript out of range");
    EncryptByte(bytes, Key);
    try {
        platform::ReplaceFileContents(DestFile, bytes);
    } catch (const platform::FileError& e) {
        throw CipherError(kFileWriteError, e.what());
    }
}

}  // namespace qm::crypto
