#pragma once
// An account's authenticator secret: what the user pasted (an otpauth://
// address, a bare Base32 secret or a steam:// secret) read into the
// parameters that make its one-time codes, and written back as an address.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Wiped.h"

namespace qm::otp {

enum class Algorithm { Sha1, Sha256, Sha512 };
enum class Encoding { Decimal, Steam };  // Steam: 5 characters of its own alphabet

struct Params {
    platform::WipedBytes key;  // the decoded secret
    Algorithm algorithm = Algorithm::Sha1;
    Encoding encoding = Encoding::Decimal;
    int digits = 6;  // 6 to 8; 5 for Steam
    int period = 30;  // seconds a code lasts
    // The issuer: the address's issuer parameter, else the label's part
    // before the colon. The label's own part is kept as written there: the
    // two differ in the wild (a company in the label, its provider in the
    // parameter).
    std::string issuer;
    std::string labelIssuer;
    std::string account;
};

// Either the parameters or, when the text cannot make codes, why not in a
// short sentence (Simplified Chinese) to follow kInvalidSecret.
struct ParsedSecret {
    std::optional<Params> params;
    std::string refusal;
    explicit operator bool() const { return params.has_value(); }
};

// What the user is told before the refusal: "动态码密钥无效: " + refusal.
inline constexpr std::string_view kInvalidSecret = "动态码密钥无效";
std::string RefusalMessage(const ParsedSecret& parsed);

// Reads an authenticator secret as users paste it; surrounding whitespace is
// ignored, and parameters the program does not know are passed over.
ParsedSecret ParseSecret(std::string_view text);

// The parameters as an otpauth://totp/ address that ParseSecret reads back to
// the same parameters; every parameter is written, defaults too.
platform::WipedString WriteSecret(const Params& params);

}  // namespace qm::otp
