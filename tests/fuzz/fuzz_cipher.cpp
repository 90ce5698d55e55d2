// The byte cipher. For any key and any text:
// - a text enciphered and deciphered with the same key comes back (malformed
//   UTF-8 read as U+FFFD), and the stored form is well-formed UTF-8;
// - ASCII with an ASCII key is stored in the at-rest form the data files
//   already hold: byte i combined with key byte i mod the key's length;
// - bytes of any length combine exactly as that rule says, whatever runs the
//   fast path takes, with progress rising to 100;
// - deciphering any stored text at all gives well-formed UTF-8;
// - an instance that has used other keys gives what a fresh one gives.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/SimpleXOR.h"
#include "fuzz/fuzz_check.h"
#include "text/codepage.h"
#include "text/utf.h"

using qm::crypto::CipherError;
using qm::crypto::clsSimpleXOR;
using qm::fuzz::IsValidUtf8;
using qm::fuzz::Printable;
using namespace qm::text;

namespace {

std::string Normal(std::string_view s) {
    std::string out;
    for (size_t pos = 0; pos < s.size();) AppendUtf8(out, NextCodePoint(s, pos));
    return out;
}

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

std::string What(std::string_view text, std::string_view key) {
    return "text " + Printable(text) + ", key " + Printable(key);
}

void CheckKey(const clsSimpleXOR& x, std::string_view key) {
    QM_FUZZ_CHECK(x.KeyText() == key && x.KeyLength() == static_cast<int32_t>(Utf16Length(key)),
                  "the key's length counts its UTF-16 units", Printable(key));
    // A cycle of KeyLength reads that many key bytes, whatever the characters.
    const std::string bytes = ToGbk(key);
    const std::string keyBytes(x.KeyBytes().begin(), x.KeyBytes().end());
    QM_FUZZ_CHECK(keyBytes.size() >= static_cast<size_t>(x.KeyLength()) && keyBytes.starts_with(bytes),
                  "the key's bytes are its code page 936 bytes, at least one per UTF-16 unit", Printable(key));
}

void CheckStrings(clsSimpleXOR& x, std::string_view text, std::string_view key) {
    const std::string stored = x.EncryptString(text, key);
    CheckKey(x, key);
    QM_FUZZ_CHECK(IsValidUtf8(stored), "the stored form is well-formed UTF-8",
                  What(text, key) + " -> " + Printable(stored));
    const std::string back = x.DecryptString(stored, key);
    QM_FUZZ_CHECK(back == Normal(text), "a text comes back through its stored form",
                  What(text, key) + " -> " + Printable(stored) + " -> " + Printable(back));
    if (IsAscii(text) && IsAscii(key)) {
        std::string expected(text);
        for (size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<char>(expected[i] ^ key[i % key.size()]);
        QM_FUZZ_CHECK(stored == expected, "ASCII is stored as the data files hold it",
                      What(text, key) + " -> " + Printable(stored));
    }
    const std::string read = x.DecryptString(text, key);
    QM_FUZZ_CHECK(IsValidUtf8(read), "any stored text deciphers to well-formed UTF-8",
                  What(text, key) + " -> " + Printable(read));
}

// `length` bytes of the pattern repeated, against the rule byte by byte.
// The plain loops here need no coverage feedback, which would slow them down.
__attribute__((no_sanitize("coverage"))) void CheckBytes(clsSimpleXOR& x, std::string_view pattern, size_t length,
                                                        std::string_view key) {
    std::vector<uint8_t> bytes(length);
    uint8_t* b = bytes.data();
    for (size_t i = 0; i < length && !pattern.empty(); ++i)
        b[i] = static_cast<uint8_t>(pattern.data()[i % pattern.size()]);
    std::vector<uint8_t> expected = bytes;
    uint8_t* e = expected.data();

    std::vector<int32_t> percents;
    x.Progress = [&](int32_t p) { percents.push_back(p); };
    x.EncryptByte(bytes, key);
    x.Progress = nullptr;
    const uint8_t* k = x.KeyBytes().data();
    const size_t cycle = static_cast<size_t>(x.KeyLength());
    for (size_t i = 0; i < length; ++i) e[i] ^= k[i % cycle];
    size_t firstWrong = 0;
    while (firstWrong < length && b[firstWrong] == e[firstWrong]) ++firstWrong;
    QM_FUZZ_CHECK(firstWrong == length, "byte i is combined with key byte i mod the key's length",
                  What(pattern, key) + " to " + std::to_string(length) + " bytes: first wrong byte " +
                      std::to_string(firstWrong));

    bool rising = !percents.empty() && percents.back() == 100 && percents.size() <= 102;
    for (size_t i = 1; i < percents.size(); ++i) rising = rising && percents[i] > percents[i - 1];
    for (int32_t p : percents) rising = rising && p >= 0 && p <= 100;
    QM_FUZZ_CHECK(rising, "progress rises, at most once per percent, to 100",
                  std::to_string(bytes.size()) + " bytes, " + std::to_string(percents.size()) + " reports");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string otherKey = in.ConsumeRandomLengthString(24);
    std::string key;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: key = qm::crypto::kLoginPasswordKey; break;
        case 1: key = qm::crypto::kAccountPasswordKey; break;
        case 2: key = qm::crypto::kDataFileKey; break;
        default: key = in.ConsumeRandomLengthString(24); break;
    }
    // Mostly short runs, which keep the fuzzer quick, and now and then one long
    // enough that the stretches between progress reports outgrow the key stream.
    const bool longRun = in.ConsumeIntegralInRange<int>(0, 15) == 15;
    const size_t length = longRun ? in.ConsumeIntegralInRange<size_t>(400000, 1 << 19)
                                  : in.ConsumeIntegralInRange<size_t>(0, 9000);
    const std::string text = in.ConsumeRemainingBytesAsString();

    clsSimpleXOR fresh;
    try {
        fresh.EncryptString(text, "");
        QM_FUZZ_CHECK(false, "a cipher with no key refuses to work", Printable(text));
    } catch (const CipherError& e) {
        QM_FUZZ_CHECK(e.Number == qm::crypto::kNoKeyError, "a cipher with no key says so", e.what());
    }
    if (key.empty()) return 0;

    CheckStrings(fresh, text, key);
    CheckBytes(fresh, text, length, key);

    // The shared instance moves between keys; each call passes its own.
    clsSimpleXOR shared;
    if (!otherKey.empty()) shared.EncryptString(text, otherKey);
    shared.Key(key);
    shared.EncryptString("x", otherKey.empty() ? std::string_view(key) : std::string_view(otherKey));
    QM_FUZZ_CHECK(shared.EncryptString(text, key) == fresh.EncryptString(text, key),
                  "an instance that used other keys enciphers as a fresh one",
                  What(text, key) + ", other key " + Printable(otherKey));
    return 0;
}
