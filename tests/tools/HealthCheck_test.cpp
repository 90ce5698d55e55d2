// The password health check over a book held in the test: what it finds,
// how it groups reuse, and that it holds one password at a time.
#include "tools/HealthCheck.h"

#include <gtest/gtest.h>

#include <optional>

using qm::tools::CheckHealth;
using qm::tools::Finding;
using qm::tools::HealthReport;
using qm::tools::HealthSources;
using qm::tools::Problem;

namespace {

struct Account {
    const char* url;
    std::optional<std::string> password;  // none: it cannot be read
};

struct Checked {
    HealthReport report;
    size_t mostOpen = 0;  // the most passwords handed out at one time
};

Checked check(const std::vector<Account>& book, const std::string& login = "Login#Pass9") {
    Checked out;
    size_t open = 0;
    HealthSources s;
    s.Count = book.size();
    s.Address = [&](size_t i) { return std::string_view(book[i].url); };
    s.Open = [&](size_t i, const std::function<void(std::string_view)>& use) {
        if (!book[i].password) return false;
        out.mostOpen = std::max(out.mostOpen, ++open);
        use(*book[i].password);
        --open;
        return true;
    };
    s.Fingerprint = [](std::string_view p) { return "#" + std::string(p); };
    s.IsLoginPassword = [&](std::string_view p) { return p == login; };
    out.report = CheckHealth(s);
    return out;
}

// The accounts the report names for one problem, in its order.
std::vector<uint32_t> accountsWith(const HealthReport& r, Problem p) {
    std::vector<uint32_t> out;
    for (const Finding& f : r.Findings)
        if (f.Kind == p) out.push_back(f.Account);
    return out;
}

}  // namespace

TEST(HealthCheck, FindsEachProblemOnExactlyItsAccounts) {
    const std::vector<Account> book = {
        {"https://bank.example", "Tr0ub4dor&3xyz"},      // 0 healthy
        {"", "abcdef"},                                  // 1 weak, short
        {"", "Blue#Sky2024"},                            // 2 reused with 3 and 5
        {"", "Blue#Sky2024"},                            // 3
        {"", "blue#sky2024"},                            // 4 differs in case: not the same
        {"", "Blue#Sky2024"},                            // 5
        {"", "Blue#Sky2024 "},                           // 6 a trailing space: not the same
        {"", "Login#Pass9"},                             // 7 the login password
        {"http://forum.example", "Green!Tea77x"},        // 8 insecure address
        {"HTTP://old.example", "Red!Wine88yy"},          // 9 insecure too, whatever the case
        {"http://", "Gold!Coin99zz"},                    // 10 "http://" alone is no address
        {"http://nopass.example", ""},                   // 11 no password: nothing to change
        {"", "Ab1!x7"},                                  // 12 strong but short
        {"", "Red!Wine88yy"},                            // 13 reused with 9
        {"", "abcdefghij"},                              // 14 ten letters: medium, long enough
        {"", "一二三四五六七八"},                        // 15 no letter, digit or symbol: the meter says weak
        {"", std::nullopt},                              // 16 cannot be read
    };
    const Checked c = check(book);
    const HealthReport& r = c.report;
    const std::pair<Problem, std::vector<uint32_t>> expected[] = {
        {Problem::Weak, {1, 15}},       {Problem::Reused, {2, 3, 5, 9, 13}}, {Problem::SameAsLogin, {7}},
        {Problem::InsecureAddress, {8, 9}}, {Problem::TooShort, {1, 12}},   {Problem::Unreadable, {16}}};
    for (const auto& [problem, accounts] : expected) {
        SCOPED_TRACE(qm::tools::ProblemName(problem));
        EXPECT_EQ(accountsWith(r, problem), accounts);
        EXPECT_EQ(r.Count(problem), accounts.size());
    }
    EXPECT_EQ(r.Accounts, book.size());
    // Healthy: 0, 4, 6, 10, 11, 14.
    EXPECT_EQ(r.Healthy, 6u);
    EXPECT_EQ(r.HealthyPercent(), 35);  // 6 of 17 is 35.3%
    EXPECT_EQ(c.mostOpen, 1u);
}

TEST(HealthCheck, ReuseComesInGroupsInTheOrderFirstMet) {
    const std::vector<Account> book = {{"", "Alpha#One111"}, {"", "Beta#Two2222"}, {"", "Alpha#One111"},
                                       {"", "Gamma#Three3"}, {"", "Beta#Two2222"}, {"", "Alpha#One111"}};
    const HealthReport r = check(book).report;
    std::vector<std::string> rows;
    for (const Finding& f : r.Findings)
        rows.push_back(std::to_string(f.Account) + " " + qm::tools::FindingText(f));
    EXPECT_EQ(rows, (std::vector<std::string>{"0 重复使用(第 1 组,3 个帐号使用同一密码)", "2 重复使用(第 1 组,3 个帐号使用同一密码)",
                                              "5 重复使用(第 1 组,3 个帐号使用同一密码)", "1 重复使用(第 2 组,2 个帐号使用同一密码)",
                                              "4 重复使用(第 2 组,2 个帐号使用同一密码)"}));
    EXPECT_EQ(r.HealthyPercent(), 16);  // one of six, rounded down: never 100 with something to fix
    EXPECT_EQ(check({}).report.HealthyPercent(), 100);
}

TEST(HealthCheck, APasswordSetMoreThanAYearAgoIsStale) {
    constexpr int64_t now = 1'800'000'000, year = qm::tools::kStaleAfter;
    struct Row {
        std::optional<std::string> password;
        int64_t set;  // when the book says the password was set
        bool stale;
    };
    const Row rows[] = {{"Tr0ub4dor&3xyz", now - year - 1, true}, {"Tr0ub4dor&3xyz", now - year, false},
                        {"Tr0ub4dor&3xyz", now - 86400, false},   {"Tr0ub4dor&3xyz", 0, false},
                        {"", now - 2 * year, false},              {std::nullopt, now - 2 * year, false}};
    HealthSources s;
    s.Count = std::size(rows);
    s.Address = [](size_t) { return std::string_view(); };
    bool open = false, askedWhileOpen = false;
    s.Open = [&](size_t i, const std::function<void(std::string_view)>& use) {
        if (!rows[i].password) return false;
        open = true;
        use(*rows[i].password);
        open = false;
        return true;
    };
    s.Fingerprint = [](std::string_view p) { return "#" + std::string(p); };
    std::vector<std::string> fingerprints;
    s.PasswordSetAt = [&](size_t i, std::string_view fingerprint) {
        askedWhileOpen = askedWhileOpen || open;
        fingerprints.emplace_back(fingerprint);
        return rows[i].set;
    };
    s.Now = now;
    const HealthReport r = CheckHealth(s);
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const auto stale = accountsWith(r, Problem::Stale);
        EXPECT_EQ(std::find(stale.begin(), stale.end(), i) != stale.end(), rows[i].stale);
    }
    EXPECT_FALSE(askedWhileOpen) << "the history's passwords are opened after the account's is wiped";
    EXPECT_EQ(fingerprints.front(), "#Tr0ub4dor&3xyz");
    EXPECT_STREQ(qm::tools::ProblemName(Problem::Stale), "长期未改");
}
