#include "otp/Secret.h"

#include <algorithm>

#include "otp/Base32.h"

namespace qm::otp {

namespace {

// The refusals, each a short sentence after "动态码密钥无效: ".
constexpr char kEmpty[] = "密钥为空。";
constexpr char kNotBase32[] = "密钥不是有效的Base32编码。";
constexpr char kNoSecret[] = "地址中没有密钥(secret)。";
constexpr char kHotp[] = "不支持按计数器(HOTP)的动态码，只支持按时间(TOTP)的。";
constexpr char kNotTotp[] = "地址不是 otpauth://totp/ 地址。";
constexpr char kUnknownScheme[] = "只能是 otpauth:// 地址、steam:// 密钥或Base32密钥。";
constexpr char kAlgorithm[] = "算法只能是 SHA1、SHA256 或 SHA512。";
constexpr char kDigits[] = "位数只能是 6 到 8。";
constexpr char kPeriod[] = "时间步长只能是 1 到 86400 秒。";
constexpr char kEncoder[] = "不认识的编码方式(encoder)。";

constexpr int kLongestPeriod = 86400;  // a day: longer steps are typing mistakes

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Lower(s[i]) != Lower(prefix[i])) return false;
    return true;
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Percent-escapes undone, and '+' read as a space as forms write it; a '%'
// not followed by two hex digits stays as it is.
template <class String>
String Unescape(std::string_view s) {
    String out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i] == '+' ? ' ' : s[i]);
        }
    }
    return out;
}

std::string Text(std::string_view s) { return std::string(Trim(Unescape<std::string>(s))); }

template <class String>
void Escape(String& out, std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : s) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
}

// A whole number of at most six digits, else -1.
int Number(std::string_view s) {
    if (s.empty() || s.size() > 6) return -1;
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

ParsedSecret Refuse(const char* why) { return {std::nullopt, why}; }

// The secret's bytes, or the refusal when it has none or they are not Base32.
ParsedSecret WithKey(std::string_view secret, Params params) {
    auto key = DecodeBase32(secret);
    if (!key) {
        const bool blank =
            std::all_of(secret.begin(), secret.end(), [](char c) { return IsSpace(c) || c == '-' || c == '='; });
        return Refuse(blank ? kEmpty : kNotBase32);
    }
    params.key = std::move(*key);
    return {std::move(params), {}};
}

// "Issuer:account", the issuer optional. The label is split before its
// escapes are undone, so an escaped colon inside the issuer stays there;
// only a label with no colon at all is split at an escaped one.
void ReadLabel(std::string_view label, Params& params) {
    size_t colon = label.find(':'), after = colon + 1;
    if (colon == std::string_view::npos) {
        const std::string lower = LowerCase(label);
        colon = lower.find("%3a");
        after = colon + 3;
    }
    if (colon == std::string_view::npos) {
        params.account = Text(label);
    } else {
        params.labelIssuer = Text(label.substr(0, colon));
        params.account = Text(label.substr(after));
    }
}

ParsedSecret ReadAddress(std::string_view rest) {
    const size_t typeEnd = std::min(rest.find('/'), rest.find('?'));
    const std::string type = LowerCase(rest.substr(0, typeEnd));
    if (type == "hotp") return Refuse(kHotp);
    if (type != "totp") return Refuse(kNotTotp);
    rest.remove_prefix(std::min(typeEnd, rest.size()));
    rest = rest.substr(0, rest.find('#'));
    const size_t q = rest.find('?');
    std::string_view label = rest.substr(0, q), query = q == std::string_view::npos ? "" : rest.substr(q + 1);
    if (!label.empty() && label.front() == '/') label.remove_prefix(1);

    // The parameters by name; the first of a name counts.
    std::optional<platform::WipedString> secret;
    std::optional<std::string> issuer, algorithm, digits, period, encoder;
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? "" : query.substr(amp + 1);
        const size_t eq = pair.find('=');
        const std::string name = LowerCase(Text(pair.substr(0, eq)));
        const std::string_view value = eq == std::string_view::npos ? "" : pair.substr(eq + 1);
        if (name == "secret") {
            if (!secret) secret = Unescape<platform::WipedString>(value);
        } else {
            std::optional<std::string>* slot = name == "issuer"      ? &issuer
                                               : name == "algorithm" ? &algorithm
                                               : name == "digits"    ? &digits
                                               : name == "period"    ? &period
                                               : name == "encoder"   ? &encoder
                                                                     : nullptr;
            if (slot && !*slot) *slot = Text(value);
        }
    }

    Params params;
    if (encoder) {
        if (LowerCase(*encoder) != "steam") return Refuse(kEncoder);
        params.encoding = Encoding::Steam;
        params.digits = 5;
    }
    if (algorithm) {
        const std::string a = LowerCase(*algorithm);
        if (a == "sha1") params.algorithm = Algorithm::Sha1;
        else if (a == "sha256") params.algorithm = Algorithm::Sha256;
        else if (a == "sha512") params.algorithm = Algorithm::Sha512;
        else return Refuse(kAlgorithm);
    }
    if (digits && params.encoding == Encoding::Decimal) {
        params.digits = Number(*digits);
        if (params.digits < 6 || params.digits > 8) return Refuse(kDigits);
    }
    if (period) {
        params.period = Number(*period);
        if (params.period < 1 || params.period > kLongestPeriod) return Refuse(kPeriod);
    }
    ReadLabel(label, params);
    if (issuer) params.issuer = *issuer;
    if (params.issuer.empty()) params.issuer = params.labelIssuer;
    if (!secret) return Refuse(kNoSecret);
    return WithKey(*secret, std::move(params));
}

}  // namespace

std::string RefusalMessage(const ParsedSecret& parsed) {
    return std::string(kInvalidSecret) + ": " + parsed.refusal;
}

ParsedSecret ParseSecret(std::string_view text) {
    text = Trim(text);
    if (StartsWithNoCase(text, "otpauth://")) return ReadAddress(text.substr(10));
    if (StartsWithNoCase(text, "steam://")) {
        Params steam;
        steam.encoding = Encoding::Steam;
        steam.digits = 5;
        return WithKey(text.substr(8), std::move(steam));
    }
    if (text.find("://") != std::string_view::npos) return Refuse(kUnknownScheme);
    return WithKey(text, Params{});
}

platform::WipedString WriteSecret(const Params& params) {
    platform::WipedString out = "otpauth://totp/";
    // A label without an issuer but with a colon in the account gets an
    // empty issuer before a plain colon, or the reader would split the
    // account at its escaped colon.
    if (!params.labelIssuer.empty() || params.account.find(':') != std::string::npos) {
        Escape(out, params.labelIssuer);
        out += ':';
    }
    Escape(out, params.account);
    out += "?secret=";
    out += EncodeBase32(params.key.data(), params.key.size());
    if (!params.issuer.empty()) {
        out += "&issuer=";
        Escape(out, params.issuer);
    }
    out += params.algorithm == Algorithm::Sha256   ? "&algorithm=SHA256"
           : params.algorithm == Algorithm::Sha512 ? "&algorithm=SHA512"
                                                   : "&algorithm=SHA1";
    out += "&digits=" + std::to_string(params.digits);
    out += "&period=" + std::to_string(params.period);
    if (params.encoding == Encoding::Steam) out += "&encoder=steam";
    return out;
}

}  // namespace qm::otp
