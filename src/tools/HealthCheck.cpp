#include "tools/HealthCheck.h"

#include <unordered_map>

#include "text/strength.h"
#include "text/utf.h"

namespace qm::tools {

namespace {

// "http://" alone is what the record dialog shows for no address at all.
bool insecureAddress(std::string_view url) {
    constexpr std::string_view scheme = "http://";
    if (url.size() <= scheme.size()) return false;
    for (size_t i = 0; i < scheme.size(); ++i) {
        char c = url[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != scheme[i]) return false;
    }
    return true;
}

}  // namespace

const char* ProblemName(Problem p) {
    switch (p) {
        case Problem::Weak: return "弱密码";
        case Problem::Reused: return "重复使用";
        case Problem::SameAsLogin: return "与登录密码相同";
        case Problem::InsecureAddress: return "不安全网址";
        case Problem::TooShort: return "过短";
        case Problem::Stale: return "长期未改";
        case Problem::Unreadable: return "无法解密";
    }
    return "";
}

int HealthReport::HealthyPercent() const {
    return Accounts == 0 ? 100 : static_cast<int>(Healthy * 100 / Accounts);
}

std::string FindingText(const Finding& f) {
    std::string text = ProblemName(f.Kind);
    if (f.Kind == Problem::Reused)
        text += "(第 " + std::to_string(f.Group + 1) + " 组," + std::to_string(f.GroupSize) + " 个帐号使用同一密码)";
    return text;
}

HealthReport CheckHealth(const HealthSources& book) {
    HealthReport report;
    report.Accounts = book.Count;
    // What one pass learns of each account; the passwords themselves are gone by the end of it.
    std::vector<uint8_t> flags(book.Count, 0);
    const auto mark = [&](size_t account, Problem p) { flags[account] |= uint8_t(1u << static_cast<unsigned>(p)); };
    // Reuse groups by digest, in the order each was first met.
    std::unordered_map<std::string, uint32_t> groupOf;
    std::vector<std::vector<uint32_t>> groups;
    groupOf.reserve(book.Count);

    for (size_t i = 0; i < book.Count; ++i) {
        bool hasPassword = false;
        std::string fingerprint;
        const bool opened = book.Open(i, [&](std::string_view password) {
            if (password.empty()) return;
            hasPassword = true;
            if (text::IsWeakPassword(password)) mark(i, Problem::Weak);
            if (text::Utf16Length(password) < kShortestGoodPassword) mark(i, Problem::TooShort);
            if (book.IsLoginPassword && book.IsLoginPassword(password)) mark(i, Problem::SameAsLogin);
            fingerprint = book.Fingerprint(password);
            const auto [at, added] = groupOf.try_emplace(fingerprint, static_cast<uint32_t>(groups.size()));
            if (added) groups.emplace_back();
            groups[at->second].push_back(static_cast<uint32_t>(i));
        });
        if (!opened) {
            mark(i, Problem::Unreadable);
            continue;
        }
        if (hasPassword && insecureAddress(book.Address(i))) mark(i, Problem::InsecureAddress);
        if (hasPassword && book.PasswordSetAt && book.Now > 0) {
            const int64_t set = book.PasswordSetAt(i, fingerprint);
            if (set > 0 && book.Now - set > kStaleAfter) mark(i, Problem::Stale);
        }
    }
    for (const auto& g : groups)
        if (g.size() > 1)
            for (uint32_t account : g) mark(account, Problem::Reused);

    for (size_t p = 0; p < kProblemCount; ++p) {
        const auto kind = static_cast<Problem>(p);
        if (kind == Problem::Reused) {
            uint32_t number = 0;
            for (const auto& g : groups) {
                if (g.size() < 2) continue;
                for (uint32_t account : g)
                    report.Findings.push_back({account, kind, number, static_cast<uint32_t>(g.size())});
                ++number;
            }
        } else {
            for (size_t i = 0; i < book.Count; ++i)
                if (flags[i] & (1u << p)) report.Findings.push_back({static_cast<uint32_t>(i), kind});
        }
    }
    for (const Finding& f : report.Findings) ++report.Counts[static_cast<size_t>(f.Kind)];
    for (uint8_t f : flags) report.Healthy += f == 0;
    return report;
}

}  // namespace qm::tools
