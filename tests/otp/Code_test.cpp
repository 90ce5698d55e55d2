#include "otp/Code.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "otp/Base32.h"

namespace qm::otp {
namespace {

Params WithSeed(const std::string& seed, Algorithm algorithm, int digits) {
    Params p;
    p.key.assign(seed.begin(), seed.end());
    p.algorithm = algorithm;
    p.digits = digits;
    return p;
}

TEST(OtpCode, TheReferenceCodesOfEveryHashAtEveryListedTime) {
    // Each hash has a seed of its own length: "1234567890" repeated.
    const Params sha1 = WithSeed("12345678901234567890", Algorithm::Sha1, 8);
    const Params sha256 = WithSeed("12345678901234567890123456789012", Algorithm::Sha256, 8);
    const Params sha512 = WithSeed(
        "1234567890123456789012345678901234567890123456789012345678901234", Algorithm::Sha512, 8);
    struct Row { int64_t time; const char *sha1, *sha256, *sha512; };
    const Row rows[] = {
        {59, "94287082", "46119246", "90693936"},
        {1111111109, "07081804", "68084774", "25091201"},
        {1111111111, "14050471", "67062674", "99943326"},
        {1234567890, "89005924", "91819424", "93441116"},
        {2000000000, "69279037", "90698825", "38618901"},
        {20000000000, "65353130", "77737706", "47863826"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.time);
        EXPECT_EQ(CodeAt(sha1, r.time), r.sha1);
        EXPECT_EQ(CodeAt(sha256, r.time), r.sha256);
        EXPECT_EQ(CodeAt(sha512, r.time), r.sha512);
    }
    // Six and seven digits are the same number's last digits.
    Params six = sha1, seven = sha1;
    six.digits = 6;
    seven.digits = 7;
    EXPECT_EQ(CodeAt(six, 1111111109), "081804");
    EXPECT_EQ(CodeAt(seven, 1111111109), "7081804");
}

TEST(OtpCode, SteamCodesAreFiveLettersOfItsAlphabet) {
    const ParsedSecret steam = ParseSecret("steam://63BEDWCQZKTQWPESARIERL5DTTQFCJTK");
    ASSERT_TRUE(steam) << steam.refusal;
    EXPECT_EQ(CodeAt(*steam.params, 1511200518), "FR8RV");
    EXPECT_EQ(CodeAt(*steam.params, 1511200714), "9P3VP");
}

TEST(OtpCode, ACodeLastsItsWholeStepAndChangesAtItsEdge) {
    Params p = WithSeed("12345678901234567890", Algorithm::Sha1, 8);
    struct Row { int period; int64_t time; int left; int64_t sameAs; };
    const Row rows[] = {
        {30, 0, 30, 29}, {30, 29, 1, 0}, {30, 30, 30, 59}, {30, 59, 1, 30}, {30, 1111111109, 1, 1111111080},
        {60, 59, 1, 0}, {60, 60, 60, 119}, {-1, -5, 30, 0},  // -1: the default step; a time before 1970 is 1970
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.period) + "s at " + std::to_string(r.time));
        p.period = r.period < 0 ? 30 : r.period;
        EXPECT_EQ(SecondsLeft(p, r.time), r.left);
        EXPECT_EQ(CodeAt(p, r.time), CodeAt(p, r.sameAs));
        const int64_t before = r.time - (p.period - r.left) - 1;  // the last second of the step before
        if (before >= 0) {
            EXPECT_NE(CodeAt(p, r.time), CodeAt(p, before));
        }
        EXPECT_NE(CodeAt(p, r.time), CodeAt(p, std::max<int64_t>(r.time, 0) + r.left)) << "the step after";
    }
}

}  // namespace
}  // namespace qm::otp
