#pragma once
// The password health check: which of a user's passwords to change first.
// It looks at the whole book in one pass, opening one password at a time
// and keeping of it only a keyed digest and what it found, so that no two
// passwords are ever in memory together in the clear.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::tools {

// What can be wrong with an account's password, in the order the report shows them.
enum class Problem : uint8_t { Weak, Reused, SameAsLogin, InsecureAddress, TooShort, Stale, Unreadable };
inline constexpr size_t kProblemCount = 7;
// The name the report gives a problem: "弱密码", "重复使用", ...
const char* ProblemName(Problem p);

// Fewer characters than this are too short, whatever their kinds.
inline constexpr size_t kShortestGoodPassword = 8;
// A password set longer ago than this (in seconds: 365 days) is due for a change.
inline constexpr int64_t kStaleAfter = 365LL * 86400;

// Where the check reads the book. Every function is called only during the check.
struct HealthSources {
    size_t Count = 0;
    // The account's web address.
    std::function<std::string_view(size_t account)> Address;
    // Opens account `account`'s password, hands it to `use` and wipes it
    // afterwards; false when it cannot be read (`use` is then not called).
    std::function<bool(size_t account, const std::function<void(std::string_view password)>& use)> Open;
    // A digest of a password under a key of this check: equal passwords give
    // equal digests, and the digest tells nothing without the key.
    std::function<std::string(std::string_view password)> Fingerprint;
    // Whether a password is the user's login password.
    std::function<bool(std::string_view password)> IsLoginPassword;
    // When the account's password was set (UTC seconds; 0 when not known),
    // given its fingerprint, which finds the same password in the account's
    // earlier versions. Called after the password was wiped. Without it, or
    // with no Now, no password is found stale.
    std::function<int64_t(size_t account, std::string_view fingerprint)> PasswordSetAt;
    int64_t Now = 0;
};

struct Finding {
    uint32_t Account;
    Problem Kind;
    // Reused only: which group of accounts sharing one password (0, 1, ... in
    // the order the groups were first met) and how many accounts it holds.
    uint32_t Group = 0;
    uint32_t GroupSize = 0;
};

struct HealthReport {
    size_t Accounts = 0;
    size_t Healthy = 0;  // accounts with no finding at all
    std::array<size_t, kProblemCount> Counts{};  // accounts with each problem
    // By problem in the report's order, accounts in the book's order within
    // one, and the accounts of one reuse group next to each other.
    std::vector<Finding> Findings;

    // The healthy share of the book in whole percent, rounded down so that
    // 100 means nothing at all to fix; an empty book is healthy.
    int HealthyPercent() const;
    size_t Count(Problem p) const { return Counts[static_cast<size_t>(p)]; }
};

// An account without a password is left out of every finding: there is
// nothing in it to change.
HealthReport CheckHealth(const HealthSources& book);

// What the report's list says of a finding: its problem's name, and for a
// reuse which group and its size ("重复使用(第 1 组,3 个帐号使用同一密码)").
std::string FindingText(const Finding& f);

}  // namespace qm::tools
