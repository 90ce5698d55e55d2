#pragma once
// An account's authenticator secret as the forms meet it: stored through the
// vault like the password, read into code parameters only when a code is
// wanted, and a code computed for the moment it is shown, copied or typed.
#include <optional>
#include <string>
#include <string_view>

#include "app/AppContext.h"
#include "otp/Secret.h"

namespace qm::forms {

struct OpenedOtp {
    enum State { None, Damaged, Ready };
    State What = None;
    std::optional<otp::Params> Params;  // when Ready
};

// `stored` (the OtpSecret column of the account `account`) opened and read:
// None when the account has no secret; Damaged when it does not open, or
// opens to a text that no longer makes codes.
OpenedOtp OpenOtp(const vault::Secrets& secrets, std::string_view stored, std::string_view account);

// The stored secret of the logged-in user's account `account`; "" for none.
std::string StoredOtpSecret(app::AppContext& app, const std::string& account);

// The code at `unixTime` of the stored secret, or "" when there is none or
// it is damaged (the user told through `os` when damaged).
std::string OtpCodeAt(app::AppContext& app, platform::Platform& os, std::string_view stored, std::string_view account,
                      int64_t unixTime);

// How a secret is named to the user: "issuer (account)", either alone, or
// "动态码" when the secret names neither.
std::string OtpSummary(const otp::Params& params);

}  // namespace qm::forms
