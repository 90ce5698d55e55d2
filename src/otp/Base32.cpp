#include "otp/Base32.h"

namespace qm::otp {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

int Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a';
    if (c >= '2' && c <= '7') return c - '2' + 26;
    return -1;
}

bool Skipped(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '-' || c == '=';
}

}  // namespace

std::optional<platform::WipedBytes> DecodeBase32(std::string_view text) {
    platform::WipedBytes out;
    out.reserve(text.size() * 5 / 8 + 1);
    unsigned buffer = 0;  // the bits read and not yet written, at most 12
    int bits = 0;
    size_t characters = 0;
    for (char c : text) {
        if (Skipped(c)) continue;
        const int v = Value(c);
        if (v < 0) {
            platform::WipeMemory(&buffer, sizeof buffer);
            return std::nullopt;
        }
        ++characters;
        buffer = (buffer << 5) | static_cast<unsigned>(v);
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<unsigned char>(buffer >> bits));
            buffer &= (1u << bits) - 1;
        }
    }
    platform::WipeMemory(&buffer, sizeof buffer);
    // A group of 8 characters holds 5 bytes; a last group of 1, 3 or 6
    // characters would end inside a character's bits, so none ends so.
    const size_t rest = characters % 8;
    if (characters == 0 || rest == 1 || rest == 3 || rest == 6) return std::nullopt;
    return out;
}

platform::WipedString EncodeBase32(const unsigned char* bytes, size_t size) {
    platform::WipedString out;
    out.reserve((size * 8 + 4) / 5);
    unsigned buffer = 0;
    int bits = 0;
    for (size_t i = 0; i < size; ++i) {
        buffer = (buffer << 8) | bytes[i];
        bits += 8;
        while (bits >= 5) {
            bits -= 5;
            out.push_back(kAlphabet[(buffer >> bits) & 31]);
        }
        buffer &= (1u << bits) - 1;
    }
    if (bits > 0) out.push_back(kAlphabet[(buffer << (5 - bits)) & 31]);
    platform::WipeMemory(&buffer, sizeof buffer);
    return out;
}

}  // namespace qm::otp
