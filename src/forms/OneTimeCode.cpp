#include "forms/OneTimeCode.h"

#include "otp/Code.h"
#include "platform/Platform.h"
#include "store/TextRules.h"

namespace qm::forms {

OpenedOtp OpenOtp(const vault::Secrets& secrets, std::string_view stored, std::string_view account) {
    if (stored.empty()) return {};
    const std::optional<vault::SecretText> plain = secrets.Open(vault::Field::OtpSecret, stored, account);
    if (!plain) return {OpenedOtp::Damaged, std::nullopt};
    otp::ParsedSecret parsed = otp::ParseSecret(plain->view());
    if (!parsed) return {OpenedOtp::Damaged, std::nullopt};
    return {OpenedOtp::Ready, std::move(parsed.params)};
}

std::string StoredOtpSecret(app::AppContext& app, const std::string& account) {
    if (account.empty()) return {};
    store::Recordset rs;
    rs.Open("select OtpSecret from AccountData where UserName = '" + store::esc(app.CurrentUser) +
                "' and AccountGuid = '" + store::esc(account) + "'",
            app.DbConn);
    return rs.Eof() ? std::string() : rs["OtpSecret"].Text();
}

std::string OtpCodeAt(app::AppContext& app, platform::Platform& os, std::string_view stored, std::string_view account,
                      int64_t unixTime) {
    const OpenedOtp opened = OpenOtp(app.Secrets, stored, account);
    if (opened.What == OpenedOtp::Damaged) vault::TellOtpDamaged(os);
    if (opened.What != OpenedOtp::Ready) return {};
    return otp::CodeAt(*opened.Params, unixTime);
}

std::string OtpSummary(const otp::Params& params) {
    const std::string& issuer = params.issuer.empty() ? params.labelIssuer : params.issuer;
    if (issuer.empty() && params.account.empty()) return "动态码";
    if (issuer.empty()) return params.account;
    if (params.account.empty()) return issuer;
    return issuer + " (" + params.account + ")";
}

}  // namespace qm::forms
