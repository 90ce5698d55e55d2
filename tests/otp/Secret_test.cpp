#include "otp/Secret.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "otp/Base32.h"

namespace qm::otp {
namespace {

std::string Bytes(const platform::WipedBytes& b) { return std::string(b.begin(), b.end()); }

TEST(OtpBase32, DecodesTheStandardVectorsAsPeopleWriteThem) {
    struct Row { const char *text, *bytes; };  // bytes nullptr: refused
    const Row rows[] = {
        {"MY======", "f"}, {"MZXQ====", "fo"}, {"MZXW6===", "foo"}, {"MZXW6YQ=", "foob"}, {"MZXW6YTB", "fooba"},
        {"MZXW6YTBOI======", "foobar"}, {"MZXW6YTBOI", "foobar"}, {"mzxw6ytboi", "foobar"},
        {"mzxw 6ytb-oi\r\n", "foobar"}, {"MZ=XW6YTBOI", "foobar"},
        {"", nullptr}, {" -= ", nullptr}, {"MZXW6YTB0I", nullptr}, {"MZXW6YTB1I", nullptr}, {"MZXW6YTB8I", nullptr},
        {"MZXW6YTBO", nullptr}, {"MZX", nullptr}, {"MZXW6Y", nullptr}, {"M", nullptr}, {"MZXW_6YTB", nullptr},
        {"MZXW6YTB\xC3\xA9", nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const auto bytes = DecodeBase32(r.text);
        ASSERT_EQ(bytes.has_value(), r.bytes != nullptr);
        if (!r.bytes) continue;
        EXPECT_EQ(Bytes(*bytes), r.bytes);
        const auto again = EncodeBase32(bytes->data(), bytes->size());
        EXPECT_EQ(Bytes(*DecodeBase32(again)), r.bytes) << "written back as " << again;
    }
    EXPECT_EQ(std::string(EncodeBase32(reinterpret_cast<const unsigned char*>("foobar"), 6)), "MZXW6YTBOI");
    EXPECT_EQ(std::string(EncodeBase32(reinterpret_cast<const unsigned char*>("foob"), 4)), "MZXW6YQ");
}

// The key every address below holds.
const std::string kHello = "Hello!\xDE\xAD\xBE\xEF";  // JBSWY3DPEHPK3PXP

TEST(OtpSecret, ReadsTheAddressesAndSecretsFoundInTheWild) {
    struct Row {
        const char* text;
        const char *issuer, *labelIssuer, *account;
        Algorithm algorithm;
        int digits, period;
    };
    const auto S1 = Algorithm::Sha1;
    const Row rows[] = {
        {"JBSWY3DPEHPK3PXP", "", "", "", S1, 6, 30},
        {"  jbsw y3dp ehpk 3pxp\n", "", "", "", S1, 6, 30},
        {"otpauth://totp/ACME:alice@acme.com?secret=JBSWY3DPEHPK3PXP", "ACME", "ACME", "alice@acme.com", S1, 6, 30},
        {"otpauth://totp/alice?secret=JBSWY3DPEHPK3PXP&issuer=ACME", "ACME", "", "alice", S1, 6, 30},
        {"otpauth://totp/Contoso:bob?secret=JBSWY3DPEHPK3PXP&issuer=Microsoft", "Microsoft", "Contoso", "bob", S1, 6, 30},
        {"otpauth://totp/ACME%20Co:%20alice?secret=JBSWY3DPEHPK3PXP", "ACME Co", "ACME Co", "alice", S1, 6, 30},
        {"otpauth://totp/ACME+Co:+alice?secret=JBSWY3DPEHPK3PXP", "ACME Co", "ACME Co", "alice", S1, 6, 30},
        {"otpauth://totp/ACME%3Aalice?secret=JBSWY3DPEHPK3PXP", "ACME", "ACME", "alice", S1, 6, 30},
        {"otpauth://totp/Big%3ACorp:alice?secret=JBSWY3DPEHPK3PXP", "Big:Corp", "Big:Corp", "alice", S1, 6, 30},
        {"otpauth://totp/%E5%B7%A5%E8%A1%8C:%E5%BC%A0?secret=JBSWY3DPEHPK3PXP&issuer=%E5%B7%A5%E8%A1%8C",
         "工行", "工行", "张", S1, 6, 30},
        {"otpauth://totp/%e5%b7%a5:%e5%bc%a0?secret=JBSWY3DPEHPK3PXP", "工", "工", "张", S1, 6, 30},
        {"OTPAUTH://TOTP/x?SECRET=jbswy3dpehpk3pxp&Algorithm=sha256", "", "", "x", Algorithm::Sha256, 6, 30},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP%3D%3D%3D%3D&algorithm=SHA512&digits=8&period=60", "", "", "x",
         Algorithm::Sha512, 8, 60},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP====&digits=7", "", "", "x", S1, 7, 30},
        {"otpauth://totp/x?image=https%3A%2F%2Fa.b%2Fc.png&secret=JBSWY3DPEHPK3PXP&color=red&", "", "", "x", S1, 6, 30},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&secret=AAAA&issuer=A&issuer=B", "A", "", "x", S1, 6, 30},
        {"otpauth://totp?secret=JBSWY3DPEHPK3PXP", "", "", "", S1, 6, 30},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP#frag", "", "", "x", S1, 6, 30},
        {"otpauth://totp/Steam:gabe?secret=JBSWY3DPEHPK3PXP&encoder=steam&digits=8", "Steam", "Steam", "gabe", S1, 5, 30},
        {"steam://JBSWY3DPEHPK3PXP", "", "", "", S1, 5, 30},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const ParsedSecret parsed = ParseSecret(r.text);
        ASSERT_TRUE(parsed) << parsed.refusal;
        const Params& p = *parsed.params;
        EXPECT_EQ(Bytes(p.key), kHello);
        EXPECT_EQ(p.issuer, r.issuer);
        EXPECT_EQ(p.labelIssuer, r.labelIssuer);
        EXPECT_EQ(p.account, r.account);
        EXPECT_EQ(p.algorithm, r.algorithm);
        EXPECT_EQ(p.digits, r.digits);
        EXPECT_EQ(p.period, r.period);
        EXPECT_EQ(p.encoding == Encoding::Steam, r.digits == 5);

        // Written back, it reads as the same parameters.
        const ParsedSecret again = ParseSecret(WriteSecret(p));
        ASSERT_TRUE(again) << again.refusal;
        const Params& q = *again.params;
        EXPECT_EQ(Bytes(q.key), kHello);
        EXPECT_EQ(std::tie(q.issuer, q.labelIssuer, q.account, q.algorithm, q.encoding, q.digits, q.period),
                  std::tie(p.issuer, p.labelIssuer, p.account, p.algorithm, p.encoding, p.digits, p.period));
    }
}

TEST(OtpSecret, RefusesWhatCannotMakeCodesAndSaysWhy) {
    struct Row { const char *text, *why; };
    const Row rows[] = {
        {"", "密钥为空。"},
        {"  \n", "密钥为空。"},
        {"otpauth://totp/x?secret=", "密钥为空。"},
        {"JBSWY3DPEHPK3PX0", "密钥不是有效的Base32编码。"},
        {"JBSWY3DPEHPK3PXPA", "密钥不是有效的Base32编码。"},
        {"otpauth://totp/x?secret=JBSW%2BY3DP", "密钥不是有效的Base32编码。"},
        {"steam://abc!", "密钥不是有效的Base32编码。"},
        {"otpauth://totp/x?issuer=A", "地址中没有密钥(secret)。"},
        {"otpauth://hotp/x?secret=JBSWY3DPEHPK3PXP&counter=1", "不支持按计数器(HOTP)的动态码，只支持按时间(TOTP)的。"},
        {"otpauth://yotp/x?secret=JBSWY3DPEHPK3PXP", "地址不是 otpauth://totp/ 地址。"},
        {"https://example.com/?secret=JBSWY3DPEHPK3PXP", "只能是 otpauth:// 地址、steam:// 密钥或Base32密钥。"},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&digits=5", "位数只能是 6 到 8。"},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&digits=9", "位数只能是 6 到 8。"},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&digits=six", "位数只能是 6 到 8。"},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&period=0", "时间步长只能是 1 到 86400 秒。"},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&period=-30", "时间步长只能是 1 到 86400 秒。"},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&period=86401", "时间步长只能是 1 到 86400 秒。"},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&period=99999999999", "时间步长只能是 1 到 86400 秒。"},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&algorithm=MD5", "算法只能是 SHA1、SHA256 或 SHA512。"},
        {"otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&encoder=yandex", "不认识的编码方式(encoder)。"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const ParsedSecret parsed = ParseSecret(r.text);
        EXPECT_FALSE(parsed);
        EXPECT_EQ(RefusalMessage(parsed), std::string("动态码密钥无效: ") + r.why);
    }
    // The edges that are accepted.
    for (const char* edge : {"&digits=6", "&digits=8", "&period=1", "&period=86400"})
        EXPECT_TRUE(ParseSecret(std::string("otpauth://totp/x?secret=JBSWY3DPEHPK3PXP") + edge)) << edge;
}

}  // namespace
}  // namespace qm::otp
