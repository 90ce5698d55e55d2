#include "otp/Code.h"

#include <mbedtls/md.h>
#include <sodium.h>

#include <array>

namespace qm::otp {

namespace {

constexpr char kSteamAlphabet[] = "23456789BCDFGHJKMNPQRTVWXY";

// HMAC of the 8-byte counter under the key; the length of the hash written.
// SHA-1 comes from Mbed TLS (libsodium has none), the SHA-2 ones from libsodium.
size_t Hmac(const Params& p, const unsigned char (&message)[8], std::array<unsigned char, 64>& out) {
    switch (p.algorithm) {
    case Algorithm::Sha256: {
        crypto_auth_hmacsha256_state state;
        crypto_auth_hmacsha256_init(&state, p.key.data(), p.key.size());
        crypto_auth_hmacsha256_update(&state, message, sizeof message);
        crypto_auth_hmacsha256_final(&state, out.data());
        sodium_memzero(&state, sizeof state);
        return crypto_auth_hmacsha256_BYTES;
    }
    case Algorithm::Sha512: {
        crypto_auth_hmacsha512_state state;
        crypto_auth_hmacsha512_init(&state, p.key.data(), p.key.size());
        crypto_auth_hmacsha512_update(&state, message, sizeof message);
        crypto_auth_hmacsha512_final(&state, out.data());
        sodium_memzero(&state, sizeof state);
        return crypto_auth_hmacsha512_BYTES;
    }
    case Algorithm::Sha1:
        break;
    }
    // mbedtls_md_hmac wipes its own key pads when it frees its context.
    mbedtls_md_hmac(mbedtls_md_info_from_type(MBEDTLS_MD_SHA1), p.key.data(), p.key.size(), message, sizeof message,
                    out.data());
    return 20;
}

uint64_t Step(const Params& p, int64_t unixTime) {
    return unixTime < 0 ? 0 : static_cast<uint64_t>(unixTime) / static_cast<uint64_t>(p.period);
}

}  // namespace

std::string CodeAt(const Params& params, int64_t unixTime) {
    const uint64_t step = Step(params, unixTime);
    unsigned char message[8];
    for (int i = 0; i < 8; ++i) message[i] = static_cast<unsigned char>(step >> (56 - 8 * i));
    std::array<unsigned char, 64> hash{};
    const size_t length = Hmac(params, message, hash);
    // Dynamic truncation: four bytes from where the hash's own last byte says.
    const unsigned offset = hash[length - 1] & 0x0f;
    uint32_t value = (static_cast<uint32_t>(hash[offset] & 0x7f) << 24) |
                     (static_cast<uint32_t>(hash[offset + 1]) << 16) |
                     (static_cast<uint32_t>(hash[offset + 2]) << 8) | hash[offset + 3];
    sodium_memzero(hash.data(), hash.size());

    std::string code(static_cast<size_t>(params.digits), '0');
    if (params.encoding == Encoding::Steam) {
        for (char& c : code) {
            c = kSteamAlphabet[value % 26];
            value /= 26;
        }
    } else {
        for (auto c = code.rbegin(); c != code.rend(); ++c) {
            *c = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    }
    sodium_memzero(&value, sizeof value);
    return code;
}

int SecondsLeft(const Params& params, int64_t unixTime) {
    if (unixTime < 0) unixTime = 0;
    return params.period - static_cast<int>(unixTime % params.period);
}

}  // namespace qm::otp
