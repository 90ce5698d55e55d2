#include "crypto/SimpleXOR.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/files.h"
#include "support/temp_dir.h"
#include "text/utf.h"

using qm::crypto::CipherError;
using qm::crypto::clsSimpleXOR;
using qm::crypto::kAccountPasswordKey;
using qm::crypto::kDataFileKey;
using qm::crypto::kLoginPasswordKey;

namespace {

std::vector<uint8_t> bytesOf(std::string_view s) { return {s.begin(), s.end()}; }

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(qm::test::PathOf(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(SimpleXOR, AsciiPasswordsGiveTheClassicStoredText) {
    clsSimpleXOR x;
    // 'a'^'q', 'b'^'u', 'c'^'x': every combined byte stays below 128.
    EXPECT_EQ(x.EncryptString("abc", kLoginPasswordKey), std::string("\x10\x17\x1B"));
    // A character equal to the key character at its place gives a character of code 0.
    const std::string stored = x.EncryptString("qwerty", kLoginPasswordKey);
    ASSERT_EQ(stored.size(), 6u);
    EXPECT_EQ(stored[0], '\0');
    EXPECT_EQ(x.DecryptString(stored, kLoginPasswordKey), "qwerty");
    EXPECT_EQ(x.EncryptString("", kLoginPasswordKey), "");
    // Every printable ASCII text round-trips and keeps its byte count.
    std::string all;
    for (char c = 32; c < 127; ++c) all += c;
    for (auto key : {kLoginPasswordKey, kAccountPasswordKey, kDataFileKey}) {
        const std::string enc = x.EncryptString(all, key);
        EXPECT_EQ(enc.size(), all.size());
        EXPECT_EQ(x.DecryptString(enc, key), all);
    }
}

TEST(SimpleXOR, KeyCyclesByItsLengthAndRestartsOnEveryCall) {
    clsSimpleXOR x;
    std::vector<uint8_t> data(10, 0);
    x.EncryptByte(data, kAccountPasswordKey);  // 9 characters: byte 9 uses key byte 0 again
    EXPECT_EQ(data, bytesOf("tamzirkle" "t"));
    std::vector<uint8_t> more(2, 0);
    x.EncryptByte(more, "");  // an empty key keeps the current one, from its first byte
    EXPECT_EQ(more, bytesOf("ta"));
    x.Key("ab");
    x.EncryptByte(more, "");
    EXPECT_EQ(more, bytesOf(std::string{'t' ^ 'a', 'a' ^ 'b'}));
    EXPECT_EQ(x.KeyText(), "ab");
    EXPECT_EQ(x.KeyLength(), 2);
}

TEST(SimpleXOR, NonAsciiKeyCyclesByCharactersIntoItsBytes) {
    clsSimpleXOR x;
    x.Key("密a");  // 2 characters, 3 bytes in code page 936: the cycle is 2 long
    EXPECT_EQ(x.KeyLength(), 2);
    ASSERT_EQ(x.KeyBytes().size(), 3u);
    std::vector<uint8_t> data(3, 0);
    x.EncryptByte(data, "");
    EXPECT_EQ(data[0], x.KeyBytes()[0]);
    EXPECT_EQ(data[1], x.KeyBytes()[1]);
    EXPECT_EQ(data[2], x.KeyBytes()[0]);
}

TEST(SimpleXOR, EveryUnicodePasswordRoundTrips) {
    clsSimpleXOR x;
    const std::vector<std::string> samples = {
        "密码123", "邮箱", "工行网银!@#", "пароль", "contraseña", "€uro", "😀 emoji 𠀀", "\xC2\x80starts with U+0080",
        "８８８８８８", "中", std::string("nul\0inside", 10)};
    for (const auto& p : samples)
        for (auto key : {kLoginPasswordKey, kAccountPasswordKey})
            EXPECT_EQ(x.DecryptString(x.EncryptString(p, key), key), p) << p;

    std::mt19937 rng(20261207);
    std::uniform_int_distribution<uint32_t> bmp(0x80, 0xFFFF), any(0x80, 0x10FFFF), len(1, 12);
    for (int round = 0; round < 3000; ++round) {
        std::string p;
        for (uint32_t i = 0, n = len(rng); i < n; ++i) {
            uint32_t cp = (round % 3 == 0) ? any(rng) : (round % 3 == 1 ? bmp(rng) : 0x20 + rng() % 95);
            if (cp >= 0xD800 && cp <= 0xDFFF) cp = 'x';
            qm::text::AppendUtf8(p, cp);
        }
        ASSERT_EQ(x.DecryptString(x.EncryptString(p, kAccountPasswordKey), kAccountPasswordKey), p);
    }
}

TEST(SimpleXOR, EveryCharacterOfTheBasicPlaneRoundTripsAtEveryKeyPosition) {
    clsSimpleXOR x;
    const size_t cycle = kAccountPasswordKey.size();
    for (char32_t cp = 0; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;  // halves of a pair, no characters of their own
        std::string alone;
        qm::text::AppendUtf8(alone, cp);
        // Alone, then behind 1 to 8 ASCII characters: each key byte meets it once.
        std::string p = alone;
        for (size_t shift = 0; shift < cycle; ++shift, p.insert(0, 1, 'k'))
            ASSERT_EQ(x.DecryptString(x.EncryptString(p, kAccountPasswordKey), kAccountPasswordKey), p)
                << "U+" << std::hex << static_cast<uint32_t>(cp) << " at " << shift;
    }
}

TEST(SimpleXOR, NoKeyAtAllIsAClearErrorNotACrash) {
    clsSimpleXOR x;
    std::vector<uint8_t> data(4, 1);
    try {
        x.EncryptByte(data, "");
        FAIL() << "expected an error";
    } catch (const CipherError& e) {
        EXPECT_EQ(e.Number, qm::crypto::kNoKeyError);
        EXPECT_NE(std::string(e.what()).find("key"), std::string::npos);
    }
    EXPECT_EQ(data, std::vector<uint8_t>(4, 1));
    EXPECT_THROW(x.EncryptString("abc", ""), CipherError);
}

TEST(SimpleXOR, ProgressFollowsTheClassicSchedule) {
    clsSimpleXOR x;
    std::vector<int32_t> seen;
    x.Progress = [&](int32_t p) { seen.push_back(p); };

    std::vector<uint8_t> empty;
    x.EncryptByte(empty, kDataFileKey);
    EXPECT_EQ(seen, (std::vector<int32_t>{100}));

    seen.clear();
    std::vector<uint8_t> three(3);
    x.EncryptByte(three, kDataFileKey);
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 33, 66, 100}));

    // At 150 bytes the first step lands on 2.5, which rounds to even: the
    // second notice comes at byte 2 with 1 percent (half-up would give 2).
    seen.clear();
    std::vector<uint8_t> n150(150);
    x.EncryptByte(n150, kDataFileKey);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[1], 1);

    seen.clear();
    std::vector<uint8_t> big(300 * 1024);
    x.EncryptByte(big, kDataFileKey);
    EXPECT_GE(seen.size(), 100u);
    EXPECT_LE(seen.size(), 102u);
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    // The bulk path and the byte path must agree on every position.
    for (size_t i = 0; i < big.size(); ++i)
        ASSERT_EQ(big[i], static_cast<uint8_t>(kDataFileKey[i % kDataFileKey.size()])) << i;
}

TEST(SimpleXOR, FileInPlaceTwiceRestoresItAndLeavesNoTemporaryFile) {
    qm::test::TempDir dir;
    const std::string path = dir.file("数据.dat");
    std::vector<unsigned char> original(70000);
    for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<unsigned char>(i * 7 + 3);
    writeFile(path, original);

    clsSimpleXOR x;
    x.EncryptFile(path, path, kDataFileKey);
    const auto enciphered = qm::platform::ReadWholeFile(path);
    ASSERT_EQ(enciphered.size(), original.size());
    EXPECT_NE(enciphered, original);
    x.DecryptFile(path, path, kDataFileKey);
    EXPECT_EQ(qm::platform::ReadWholeFile(path), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SimpleXOR, FileErrorsCarryTheirNumbersAndTouchNothing) {
    qm::test::TempDir dir;
    clsSimpleXOR x;
    const std::string dest = dir.file("dest.dat");
    writeFile(dest, {1, 2, 3});

    try {
        x.EncryptFile(dir.file("missing.dat"), dest, kDataFileKey);
        FAIL() << "expected an error";
    } catch (const CipherError& e) {
        EXPECT_EQ(e.Number, -2147221504);
        EXPECT_STREQ(e.what(), "Error in Skipjack EncryptFile procedure (Source file does not exist).");
    }
    EXPECT_THROW(x.DecryptFile(qm::test::Utf8(dir.path()), dest, kDataFileKey), CipherError)
        << "a folder is not a file";

    const std::string empty = dir.file("empty.dat");
    writeFile(empty, {});
    try {
        x.EncryptFile(empty, dest, kDataFileKey);
        FAIL() << "expected an error";
    } catch (const CipherError& e) {
        EXPECT_EQ(e.Number, qm::crypto::kSubscriptOutOfRange);
    }
    EXPECT_EQ(qm::platform::ReadWholeFile(dest), (std::vector<unsigned char>{1, 2, 3}));
}

TEST(SimpleXOR, FailedRewriteKeepsTheOriginalIntact) {
    qm::test::TempDir dir;
    clsSimpleXOR x;
    const std::string source = dir.file("source.dat");
    writeFile(source, {9, 8, 7});
    // A destination that cannot be replaced (a non-empty folder) must stay as it was.
    const auto blocked = dir.path() / "blocked";
    std::filesystem::create_directories(blocked / "inside");
    EXPECT_THROW(x.EncryptFile(source, qm::test::Utf8(blocked), kDataFileKey), CipherError);
    EXPECT_TRUE(std::filesystem::is_directory(blocked / "inside"));
    // A destination in a folder that does not exist: an error, and nothing left behind.
    EXPECT_THROW(x.EncryptFile(source, dir.file("no/such/folder.dat"), kDataFileKey), CipherError);
    EXPECT_EQ(qm::platform::ReadWholeFile(source), (std::vector<unsigned char>{9, 8, 7}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}
