// Merging two PCs' books: three-way cases one per row, then random edits on
// three PCs syncing in random orders.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "sync/Merge.h"

using namespace qm::sync;

namespace {

constexpr std::string_view kKeys = "cnupdaro";  // the fields, as the scripts name them

std::string idOf(int n) {
    char s[40];
    std::snprintf(s, sizeof s, "%032x", n);
    return s;
}

Version baseVersion() {
    Version v;
    v.Category = "网站", v.Name = "邮箱", v.User = "alice", v.Password = "p0", v.Registered = "2020-01-01";
    v.Address = "mail.example", v.Remarks = "r0", v.Otp = "otpauth://totp/o0", v.Changed = 100;
    return v;
}

Book oneAccount() {
    Book b;
    b.Categories = {{"网站", 3}};
    b.Accounts.push_back({idOf(1), 100, baseVersion(), {}, std::nullopt});
    return b;
}

Account* find(Book& b, const std::string& id) {
    for (Account& a : b.Accounts)
        if (a.Id == id) return &a;
    return nullptr;
}

std::vector<std::string> words(std::string_view s) {
    std::vector<std::string> out;
    for (size_t at = 0; at < s.size();) {
        const size_t end = std::min(s.find(' ', at), s.size());
        if (end > at) out.emplace_back(s.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

// Plays a PC's story on account 1: "p=new@200" a new version with that field
// at that time, "bin@T", "restore@T", "purge@T" (removed, with a record),
// "drop" (removed with no record), "forget" (its history cut).
void play(Book& b, std::string_view script) {
    for (const std::string& w : words(script)) {
        Account* a = find(b, idOf(1));
        const size_t at = w.find('@');
        const int64_t t = at == std::string::npos ? 0 : std::stoll(w.substr(at + 1));
        const std::string verb = w.substr(0, std::min(at, w.find('=')));
        if (verb == "drop" || verb == "purge") {
            if (verb == "purge") b.Removed.push_back({a->Id, t});
            b.Accounts.erase(b.Accounts.begin() + (a - b.Accounts.data()));
        } else if (verb == "bin") {
            a->Binned = t;
        } else if (verb == "restore") {
            a->Binned.reset();
            a->Current.Changed = t;
        } else if (verb == "forget") {
            a->History.clear();
        } else {
            a->History.insert(a->History.begin(), a->Current);
            SetField(a->Current, static_cast<int>(kKeys.find(verb)), w.substr(w.find('=') + 1, at - w.find('=') - 1));
            a->Current.Changed = t;
        }
    }
}

std::string reportText(const MergeReport& r) {
    std::string s;
    for (const Change& c : r.Changes) {
        static const char* const kinds[] = {"新增", "更新", "删除"};
        s += std::string(s.empty() ? "" : ";") + SideName(c.Where) + " " + kinds[int(c.Kind)] + " " + c.Name;
        if (!c.Fields.empty()) s += " " + c.Fields;
        if (c.Conflict) s += " 冲突";
    }
    return s;
}

// Merges both ways and again: the result must not depend on which side is
// local, and merging it with itself or with either side again changes nothing.
MergeResult mergeChecked(const Book& local, const Book& remote, int64_t now) {
    MergeResult m = Merge(local, remote, now);
    EXPECT_EQ(Merge(remote, local, now).Merged, m.Merged) << "the order of the sides matters";
    for (const Book* side : {&local, &remote, static_cast<const Book*>(&m.Merged)}) {
        const MergeResult again = Merge(m.Merged, *side, now);
        EXPECT_EQ(again.Merged, m.Merged) << "merging again changes the result";
        EXPECT_FALSE(again.Report.LocalChanged);
    }
    return m;
}

}  // namespace

TEST(Merge, EachThreeWayCaseKeepsWhatEachSideMeant) {
    struct Row {
        const char *local, *remote;
        const char* state;    // live, bin or gone
        const char* current;  // the merged fields that differ from the base
        const char* history;  // values the history must hold
        const char* report;
        int conflicts;
    };
    const Row rows[] = {
        {"", "", "live", "", "", "", 0},
        {"p=L@200", "", "live", "p=L", "p=p0", "同步文件 更新 邮箱 密码", 0},
        {"", "n=信箱@200", "live", "n=信箱", "n=邮箱", "本机 更新 信箱 帐号名称", 0},
        {"", "p=R@50", "live", "p=R", "p=p0", "本机 更新 邮箱 密码", 0},  // a slow clock still changes it
        {"p=1@200 p=2@300", "", "live", "p=2", "p=1 p=p0", "同步文件 更新 邮箱 密码", 0},
        {"p=L@200", "r=R@210", "live", "p=L r=R", "p=L r=R", "本机 更新 邮箱 备注;同步文件 更新 邮箱 密码", 0},
        {"o=L@200", "r=R@210", "live", "o=L r=R", "o=otpauth://totp/o0", "本机 更新 邮箱 备注;同步文件 更新 邮箱 动态码", 0},
        {"o=L@200", "o=R@210", "live", "o=R", "o=L o=otpauth://totp/o0", "本机 更新 邮箱 动态码 冲突", 1},
        {"o=@200", "", "live", "o=", "o=otpauth://totp/o0", "同步文件 更新 邮箱 动态码", 0},
        {"c=工作@200 d=2021-02-03@201", "u=bob@150 a=web@160", "live", "c=工作 d=2021-02-03 u=bob a=web", "",
         "本机 更新 邮箱 用户名、网址;同步文件 更新 邮箱 分类、注册日期", 0},
        {"p=X@200", "p=X@210", "live", "p=X", "p=p0", "", 0},
        {"p=L@200", "p=R@210", "live", "p=R", "p=L p=p0", "本机 更新 邮箱 密码 冲突", 1},
        // the password restored from the history on one side, the remarks edited on the other
        {"p=1@200 p=p0@300", "p=1@200 r=R@250", "live", "r=R", "p=1", "本机 更新 邮箱 备注;同步文件 更新 邮箱 密码", 0},
        {"p=L@220", "p=R@210", "live", "p=L", "p=R", "同步文件 更新 邮箱 密码 冲突", 1},
        {"p=L@200", "p=R@200", "live", "p=R", "p=L", "本机 更新 邮箱 密码 冲突", 1},
        {"p=L@200 a=A@201", "p=R@210", "live", "p=R a=A", "p=L",
         "本机 更新 邮箱 密码 冲突;同步文件 更新 邮箱 网址 冲突", 1},
        {"p=L@200 forget", "r=R@210 forget", "live", "r=R", "p=L", "本机 更新 邮箱 密码、备注 冲突", 1},
        {"p=L@300", "bin@200", "live", "p=L", "", "同步文件 新增 邮箱 冲突", 1},
        {"bin@200", "p=R@300", "live", "p=R", "", "本机 新增 邮箱 冲突", 1},
        {"p=L@150", "bin@200", "bin", "p=L", "p=p0", "本机 删除 邮箱", 0},
        {"bin@200", "bin@250", "bin", "", "", "", 0},
        {"bin@200", "bin@200 restore@300", "live", "", "", "本机 新增 邮箱", 0},
        {"purge@200", "", "gone", "", "", "同步文件 删除 邮箱", 0},
        {"purge@200", "p=R@150", "gone", "", "", "同步文件 删除 邮箱", 0},
        {"purge@200", "p=R@300", "live", "p=R", "", "本机 新增 邮箱 冲突", 1},
        {"bin@200 purge@300", "bin@250", "gone", "", "", "", 0},
        {"purge@200", "purge@300", "gone", "", "", "", 0},
        {"drop", "", "live", "", "", "本机 新增 邮箱", 0},  // nothing says it went: it comes back
        // Past the history's cap the oldest versions go, never the newest.
        {"p=a@201 p=b@202 p=c@203 p=d@204 p=e@205", "r=f@206 r=g@207 r=h@208 r=i@209 r=j@210 r=k@211", "live",
         "p=e r=k", "p=b r=j", "本机 更新 邮箱 备注;同步文件 更新 邮箱 密码", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.local) + " | " + r.remote);
        Book local = oneAccount(), remote = oneAccount();
        play(local, r.local);
        play(remote, r.remote);
        const MergeResult m = mergeChecked(local, remote, 1000);
        EXPECT_EQ(reportText(m.Report), r.report);
        EXPECT_EQ(m.Report.Conflicts, r.conflicts);
        const Account* a = find(const_cast<Book&>(m.Merged), idOf(1));
        EXPECT_EQ(a ? (a->Binned ? "bin" : "live") : "gone", std::string(r.state));
        EXPECT_EQ(m.Merged.Removed.size(), a ? 0u : 1u) << "a removal is remembered exactly while the account is gone";
        if (!a) continue;
        EXPECT_LE(a->History.size(), kHistoryCap);
        Version want = baseVersion();
        for (const std::string& w : words(r.current)) SetField(want, int(kKeys.find(w[0])), w.substr(2));
        EXPECT_TRUE(a->Current.SameContent(want));
        for (const std::string& w : words(r.history))
            EXPECT_TRUE(std::any_of(a->History.begin(), a->History.end(),
                                    [&](const Version& v) { return FieldText(v, int(kKeys.find(w[0]))) == w.substr(2); }))
                << w << " is lost";
        if (!*r.local && !*r.remote) {
            EXPECT_FALSE(m.Report.LocalChanged || m.Report.RemoteChanged);
        }
    }
}

TEST(Merge, TheSameRowImportedOnBothPcsBecomesOneAccountAndCategoriesMeet) {
    Book local = oneAccount(), remote;
    local.Categories.push_back({"Bank", 5});
    remote.Categories = {{"网站", 3}, {"bank", 1}, {"游戏", 7}};
    Account twin = local.Accounts[0];
    twin.Id = idOf(2), twin.Created = 150, twin.Current.Category = "网站", twin.Current.Changed = 150;
    twin.Current.Remarks = "imported again";
    remote.Accounts.push_back(twin);
    Account other = twin;  // the same row but for the password: another account
    other.Id = idOf(3), other.Current.Password = "p1";
    other.Current.Category = "购物";
    remote.Accounts.push_back(other);
    local.LoginChanged = 7, remote.LoginChanged = 5;
    // A removal is remembered for a year, no longer.
    local.Removed = {{idOf(8), 1000 - kRemovalKept}, {idOf(9), 999 - kRemovalKept}};

    const MergeResult m = mergeChecked(local, remote, 1000);
    ASSERT_EQ(m.Merged.Accounts.size(), 2u);
    const Account& kept = m.Merged.Accounts[0];
    EXPECT_EQ(kept.Id, idOf(1)) << "the older identity stays";
    EXPECT_EQ(kept.Current.Remarks, "imported again");
    ASSERT_EQ(kept.History.size(), 1u);
    EXPECT_EQ(kept.History[0].Remarks, "r0");
    EXPECT_EQ(m.Merged.Accounts[1].Id, idOf(3));
    ASSERT_EQ(m.Merged.Removed.size(), 2u);
    EXPECT_EQ(m.Merged.Removed[0].Id, idOf(2));
    EXPECT_EQ(m.Merged.Removed[1].Id, idOf(8));
    EXPECT_EQ(m.Merged.LoginChanged, 7);
    EXPECT_EQ(reportText(m.Report), "本机 更新 邮箱 备注 冲突;本机 新增 邮箱");
    EXPECT_EQ(m.Report.Summary(), "新增 1,更新 1,删除 0,冲突 1");

    std::vector<std::pair<std::string, int64_t>> categories;
    for (const Category& c : m.Merged.Categories) categories.emplace_back(c.Name, c.Icon);
    EXPECT_EQ(categories, (std::vector<std::pair<std::string, int64_t>>{{"Bank", 5}, {"游戏", 7}, {"网站", 3}, {"购物", 0}}));
}

// Three PCs edit, add and delete at random with clocks that disagree, and sync
// with one file in random orders. After a round they all hold the file's book;
// no value typed is lost; the merge never depends on which side is local.
TEST(Merge, RandomEditsOnThreePcsConvergeAndLoseNoTypedValue) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        const auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
        const int64_t skew[3] = {0, -25, 40};
        Book pcs[3], file;
        std::map<std::string, std::vector<std::pair<int, std::string>>> typed;
        std::map<std::string, int> edits;
        int counter = 0;
        int64_t clock = 1000;
        const auto sync = [&](Book& pc) {
            const MergeResult m = Merge(pc, file, clock);
            ASSERT_EQ(Merge(file, pc, clock).Merged, m.Merged);
            pc = file = m.Merged;
        };
        for (int step = 0; step < 150; ++step) {
            clock += 10;
            Book& pc = pcs[pick(3)];
            const int64_t now = clock + skew[&pc - pcs];
            std::vector<Account*> live;
            for (Account& a : pc.Accounts)
                if (!a.Binned && edits[a.Id] < 4) live.push_back(&a);
            const size_t op = pick(10);
            if (op < 2 || live.empty()) {
                Account a{idOf(++counter), now, baseVersion(), {}, std::nullopt};
                a.Current.Name = "n" + std::to_string(counter);
                a.Current.Changed = now;
                typed[a.Id].push_back({1, a.Current.Name});
                pc.Accounts.push_back(a);
            } else if (op < 7) {
                Account& a = *live[pick(live.size())];
                const int field = static_cast<int>(pick(kFieldCount));
                a.History.insert(a.History.begin(), a.Current);
                SetField(a.Current, field, "v" + std::to_string(++counter));
                a.Current.Changed = now;
                typed[a.Id].push_back({field, std::string(FieldText(a.Current, field))});
                ++edits[a.Id];
            } else if (op < 8) {
                live[pick(live.size())]->Binned = now;
            } else {
                sync(pc);
            }
        }
        for (int round = 0; round < 2; ++round)
            for (Book& pc : pcs) sync(pc);
        for (const Book& pc : pcs) EXPECT_EQ(pc, file);
        const MergeResult again = Merge(file, pcs[0], clock);
        EXPECT_FALSE(again.Report.LocalChanged || again.Report.RemoteChanged || !again.Report.Changes.empty());
        for (const Account& a : file.Accounts)
            for (const auto& [field, value] : typed[a.Id]) {
                bool kept = FieldText(a.Current, field) == value;
                for (const Version& v : a.History) kept = kept || FieldText(v, field) == value;
                EXPECT_TRUE(kept) << value << " of " << a.Id << " is lost";
            }
        EXPECT_EQ(file.Accounts.size(), typed.size()) << "an account went missing";
    }
}
