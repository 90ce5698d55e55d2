#include "transfer/Formats.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>

#include "otp/Secret.h"
#include "text/date.h"

namespace qm::transfer {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string trim(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1));
}

struct Rule {
    const char* header;  // lower case
    Target target;
    const char* label = "";
};

// The label of a date column read only when the preferred one is empty.
constexpr const char* kLater = "later";

struct FormatRules {
    FormatId id;
    std::initializer_list<Rule> rules;
};

const FormatRules kRules[] = {
    {FormatId::Quillmere,
     {{"group", Target::Category}, {"title", Target::Name}, {"username", Target::User}, {"password", Target::Password},
      {"url", Target::Url}, {"notes", Target::Remarks}, {"created", Target::Date}, {"totp", Target::Otp, "TOTP"}}},
    {FormatId::Chromium,
     {{"name", Target::Name}, {"url", Target::Url}, {"username", Target::User}, {"password", Target::Password},
      {"note", Target::Remarks}}},
    {FormatId::Firefox,
     {{"url", Target::Url}, {"username", Target::User}, {"password", Target::Password},
      {"httprealm", Target::Extra, "HTTP 认证域"}, {"timecreated", Target::Date},
      {"timepasswordchanged", Target::Date, kLater}}},
    {FormatId::KeePassXC,
     {{"group", Target::Category}, {"title", Target::Name}, {"username", Target::User}, {"password", Target::Password},
      {"url", Target::Url}, {"notes", Target::Remarks}, {"totp", Target::Otp, "TOTP"}, {"created", Target::Date},
      {"last modified", Target::Date, kLater}}},
    {FormatId::KeePass2,
     {{"account", Target::Name}, {"login name", Target::User}, {"password", Target::Password}, {"web site", Target::Url},
      {"comments", Target::Remarks}}},
    {FormatId::Bitwarden,
     {{"folder", Target::Category}, {"name", Target::Name}, {"notes", Target::Remarks},
      {"fields", Target::Extra, "自定义字段"}, {"login_uri", Target::Url}, {"login_username", Target::User},
      {"login_password", Target::Password}, {"login_totp", Target::Otp, "TOTP"}}},
    {FormatId::LastPass,
     {{"url", Target::Url}, {"username", Target::User}, {"password", Target::Password}, {"totp", Target::Otp, "TOTP"},
      {"extra", Target::Remarks}, {"name", Target::Name}, {"grouping", Target::Category}}},
    {FormatId::Apple,
     {{"title", Target::Name}, {"url", Target::Url}, {"username", Target::User}, {"password", Target::Password},
      {"notes", Target::Remarks}, {"otpauth", Target::Otp, "TOTP"}}},
    {FormatId::OnePassword,
     {{"title", Target::Name}, {"url", Target::Url}, {"username", Target::User}, {"password", Target::Password},
      {"notes", Target::Remarks}, {"otpauth", Target::Otp, "TOTP"},
      // What says nothing about the login itself.
      {"uuid", Target::Ignore}, {"favorite", Target::Ignore}, {"archived", Target::Ignore}, {"scope", Target::Ignore},
      {"autosubmit", Target::Ignore}, {"", Target::Ignore}}},
    {FormatId::Dashlane,
     {{"username", Target::User}, {"username2", Target::Extra, "用户名2"}, {"username3", Target::Extra, "用户名3"},
      {"title", Target::Name}, {"password", Target::Password}, {"note", Target::Remarks}, {"url", Target::Url},
      {"category", Target::Category}, {"otpurl", Target::Otp, "TOTP"}, {"otpsecret", Target::Otp, "TOTP"}}},
};

// Names a user's own table or another program may give its columns.
const Rule kGuesses[] = {
    {"category", Target::Category}, {"group", Target::Category},  {"folder", Target::Category},
    {"grouping", Target::Category}, {"分类", Target::Category},    {"帐号分类", Target::Category},
    {"账号分类", Target::Category}, {"title", Target::Name},       {"name", Target::Name},
    {"account", Target::Name},      {"帐号名称", Target::Name},    {"账号名称", Target::Name},
    {"名称", Target::Name},         {"网站", Target::Name},        {"username", Target::User},
    {"user", Target::User},         {"user name", Target::User},   {"login", Target::User},
    {"login name", Target::User},   {"email", Target::User},       {"用户名", Target::User},
    {"帐号", Target::User},         {"账号", Target::User},        {"password", Target::Password},
    {"pass", Target::Password},     {"密码", Target::Password},    {"url", Target::Url},
    {"website", Target::Url},       {"web site", Target::Url},     {"login_uri", Target::Url},
    {"网址", Target::Url},          {"date", Target::Date},        {"created", Target::Date},
    {"注册日期", Target::Date},     {"日期", Target::Date},        {"notes", Target::Remarks},
    {"note", Target::Remarks},      {"comments", Target::Remarks}, {"remarks", Target::Remarks},
    {"extra", Target::Remarks},     {"备注", Target::Remarks},
};

const FormatRules& rulesOf(FormatId id) {
    for (const FormatRules& r : kRules)
        if (r.id == id) return r;
    return kRules[0];
}

ColumnMap mapBy(std::initializer_list<Rule> rules, const std::vector<std::string>& names, bool othersAsExtras,
                const std::vector<std::string>& header) {
    ColumnMap map(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        bool known = false;
        for (const Rule& rule : rules) {
            if (names[i] != rule.header) continue;
            map[i] = {rule.target, rule.label};
            known = true;
            break;
        }
        if (!known && othersAsExtras) map[i] = {Target::Extra, trim(header[i])};
    }
    return map;
}

bool has(const std::vector<std::string>& names, std::initializer_list<const char*> wanted) {
    return std::all_of(wanted.begin(), wanted.end(),
                       [&](const char* w) { return std::find(names.begin(), names.end(), w) != names.end(); });
}

bool within(const std::vector<std::string>& names, std::initializer_list<const char*> allowed) {
    return std::all_of(names.begin(), names.end(), [&](const std::string& n) {
        return std::find_if(allowed.begin(), allowed.end(), [&](const char* a) { return n == a; }) != allowed.end();
    });
}

FormatId recogniseNames(const std::vector<std::string>& n) {
    // Our exports before the one-time codes end at "created".
    static const std::vector<std::string> ours = {"group", "title", "username", "password", "url", "notes", "created", "totp"};
    if (n == ours || std::equal(n.begin(), n.end(), ours.begin(), ours.end() - 1)) return FormatId::Quillmere;
    if (has(n, {"login_username", "login_password"})) return FormatId::Bitwarden;
    if (has(n, {"httprealm", "formactionorigin"})) return FormatId::Firefox;
    if (has(n, {"grouping", "extra", "url"})) return FormatId::LastPass;
    if (has(n, {"username2", "title", "password"})) return FormatId::Dashlane;
    if (has(n, {"account", "login name", "web site"})) return FormatId::KeePass2;
    if (has(n, {"group", "title", "username", "password", "url", "notes"})) return FormatId::KeePassXC;
    if (has(n, {"name", "url", "username", "password"}) && within(n, {"name", "url", "username", "password", "note"}))
        return FormatId::Chromium;
    if (has(n, {"title", "url", "username", "password"}) &&
        within(n, {"title", "url", "username", "password", "notes", "otpauth"}))
        return FormatId::Apple;
    if (has(n, {"title", "password"}) &&
        std::any_of(n.begin(), n.end(), [](const std::string& x) {
            return x == "uuid" || x == "favorite" || x == "archived" || x == "otpauth" || x == "tags";
        }))
        return FormatId::OnePassword;
    return FormatId::Unknown;
}

// Civil date of a count of days since 1970-01-01 (H. Hinnant's algorithm).
text::Date fromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string decodeEntities(const std::string& s) {
    if (s.find('&') == std::string::npos) return s;
    static const std::pair<std::string_view, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < s.size();) {
        bool done = false;
        if (s[i] == '&') {
            for (const auto& [name, c] : entities) {
                if (std::string_view(s).substr(i, name.size()) != name) continue;
                out += c;
                i += name.size();
                done = true;
                break;
            }
        }
        if (!done) out += s[i++];
    }
    return out;
}

// Line breaks as a multi-line box of Windows shows them.
std::string crlf(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) out += '\r';
        out += s[i];
        if (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n')) out += '\n';
    }
    return out;
}

// The last part of a folder path; the root's name, the first part of a
// KeePassXC group, is never a category of its own.
std::string categoryOf(FormatId id, const std::string& raw) {
    std::string path = trim(raw);
    char sep = 0;
    bool dropRoot = false;
    if (id == FormatId::KeePassXC) sep = '/', dropRoot = true;
    else if (id == FormatId::Bitwarden) sep = '/';
    else if (id == FormatId::LastPass) sep = '\\';
    if (sep) {
        std::vector<std::string> parts;
        size_t start = 0;
        for (;;) {
            const size_t end = path.find(sep, start);
            std::string part = trim(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (!part.empty()) parts.push_back(std::move(part));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        if (dropRoot && !parts.empty()) parts.erase(parts.begin());
        path = parts.empty() ? "" : parts.back();
    }
    return path.empty() ? kDefaultCategory : path;
}

// A Firefox export's row of this address holds the browser's own account
// token, not a password; other "chrome://" rows are logins that add-ons keep.
constexpr std::string_view kFirefoxAccounts = "chrome://firefoxaccounts";
constexpr std::string_view kChrome = "chrome://";

std::string notLogin(FormatId id, const std::string& type, const std::string& url, const std::string& group) {
    if (id == FormatId::Bitwarden && !type.empty() && type != "login") {
        const char* what = type == "note" ? "安全笔记" : type == "card" ? "银行卡" : type == "identity" ? "身份信息" : nullptr;
        return std::string("不是登录信息(") + (what ? what : type.c_str()) + ")";
    }
    if (id == FormatId::LastPass && lower(url) == "http://sn") return "不是登录信息(安全笔记)";
    if (id == FormatId::Firefox && lower(url) == kFirefoxAccounts) return "不是网站的登录信息(Firefox 帐户的凭据)";
    if (id == FormatId::KeePassXC) {
        const size_t slash = group.find('/');
        const std::string second = slash == std::string::npos ? "" : group.substr(slash + 1, group.find('/', slash + 1) - slash - 1);
        if (second == "Recycle Bin" || second == "回收站") return "在回收站中";
    }
    return {};
}

// What names an account that has no title: the address's host, or for an
// add-on's login in Firefox what follows "chrome://".
std::string nameOfAddress(FormatId id, const std::string& url) {
    if (id == FormatId::Firefox && lower(url.substr(0, kChrome.size())) == kChrome) {
        const size_t end = url.find_last_not_of('/');
        return end == std::string::npos || end < kChrome.size() ? std::string() : url.substr(kChrome.size(), end + 1 - kChrome.size());
    }
    return HostOf(url);
}

}  // namespace

const char* FormatName(FormatId id) {
    switch (id) {
        case FormatId::Unknown: return "未知格式";
        case FormatId::Quillmere: return "Quillmere 导出文件";
        case FormatId::Chromium: return "Chrome / Edge 浏览器";
        case FormatId::Firefox: return "Firefox 浏览器";
        case FormatId::KeePassXC: return "KeePassXC";
        case FormatId::KeePass2: return "KeePass 2";
        case FormatId::Bitwarden: return "Bitwarden";
        case FormatId::LastPass: return "LastPass";
        case FormatId::Apple: return "Safari / Apple 密码";
        case FormatId::OnePassword: return "1Password";
        case FormatId::Dashlane: return "Dashlane";
    }
    return "";
}

Escape EscapeOf(FormatId id) { return id == FormatId::KeePass2 ? Escape::Backslash : Escape::Doubled; }

const char* TargetName(Target t) {
    switch (t) {
        case Target::Ignore: return "(不导入)";
        case Target::Category: return "分类";
        case Target::Name: return "帐号名称";
        case Target::User: return "用户名";
        case Target::Password: return "密码";
        case Target::Url: return "网址";
        case Target::Date: return "日期";
        case Target::Remarks: return "备注";
        case Target::Extra: return "备注(附加)";
        case Target::Otp: return "动态码";
    }
    return "";
}

Recognised Recognise(const std::vector<std::string>& header) {
    std::vector<std::string> names;
    names.reserve(header.size());
    for (const std::string& h : header) names.push_back(lower(trim(h)));
    Recognised r;
    r.id = recogniseNames(names);
    if (r.id == FormatId::Unknown) {
        r.map.resize(names.size());
        std::vector<bool> taken(static_cast<size_t>(Target::Extra) + 1);
        for (size_t i = 0; i < names.size(); ++i)
            for (const Rule& g : kGuesses)
                if (names[i] == g.header && !taken[static_cast<size_t>(g.target)]) {
                    taken[static_cast<size_t>(g.target)] = true;
                    r.map[i].target = g.target;
                    break;
                }
        return r;
    }
    r.map = mapBy(rulesOf(r.id).rules, names, r.id == FormatId::OnePassword, header);
    return r;
}

std::string HostOf(const std::string& url) {
    std::string s = trim(url);
    if (const size_t scheme = s.find("://"); scheme != std::string::npos) s.erase(0, scheme + 3);
    s = s.substr(0, s.find_first_of("/?#"));
    if (const size_t at = s.rfind('@'); at != std::string::npos) s.erase(0, at + 1);
    if (!s.empty() && s.front() == '[') {
        s = s.substr(0, s.find(']') + 1);
    } else if (const size_t colon = s.find(':'); colon != std::string::npos) {
        s.erase(colon);
    }
    if (lower(s.substr(0, 4)) == "www.") s.erase(0, 4);
    return s;
}

std::string ImportDate(const std::string& raw) {
    const std::string s = trim(raw);
    if (s.empty()) return {};
    if (allDigits(s) && s.size() >= 9 && s.size() <= 13) {
        const int64_t n = std::stoll(s);
        const text::Date d = fromDays((s.size() >= 12 ? n / 1000 : n) / 86400);
        return text::IsValidDate(d) ? text::FormatIsoDate(d) : std::string();
    }
    // ISO 8601: the date part before the time.
    if (s.size() >= 10 && s[4] == '-' && s[7] == '-' && (s.size() == 10 || s[10] == 'T' || s[10] == ' ')) {
        if (const auto d = text::ParseUserDate(s.substr(0, 10))) return text::FormatIsoDate(*d);
        return {};
    }
    if (const auto d = text::ParseUserDate(s)) return text::FormatIsoDate(*d);
    // Month/day/year, as 1Password on Windows writes it, with a time behind.
    const std::string date = s.substr(0, s.find(' '));
    int part[3] = {0, 0, 0}, k = 0;
    size_t digits = 0;
    for (const char c : date) {
        if (c >= '0' && c <= '9' && digits < 4) part[k] = part[k] * 10 + (c - '0'), ++digits;
        else if (c == '/' && k < 2 && digits) ++k, digits = 0;
        else return {};
    }
    const text::Date d{part[2], part[0], part[1]};
    return k == 2 && d.year >= 1000 && text::IsValidDate(d) ? text::FormatIsoDate(d) : std::string();
}

RowMapper::RowMapper(FormatId id, const ColumnMap& map, const std::vector<std::string>& header)
    : id_(id), map_(map), labels_(map.size()), typeColumn_(std::string::npos) {
    for (size_t i = 0; i < map.size(); ++i) {
        const std::string name = i < header.size() ? trim(header[i]) : std::string();
        labels_[i] = map[i].label.empty() ? name : map[i].label;
        if (typeColumn_ == std::string::npos && lower(name) == "type") typeColumn_ = i;
    }
}

Candidate MapRow(FormatId id, const ColumnMap& map, const std::vector<std::string>& header, const CsvRow& row) {
    return RowMapper(id, map, header).Map(row);
}

Candidate RowMapper::Map(const CsvRow& row) const {
    const FormatId id = id_;
    const ColumnMap& map = map_;
    std::string category, name, user, password, url, date, laterDate, remarks;
    std::vector<std::pair<std::string, std::string>> extras;
    std::vector<std::pair<std::string, std::string>> secrets;  // authenticator secrets, label first
    bool categorySeen = false;
    for (size_t i = 0; i < map.size(); ++i) {
        static const std::string none;
        const std::string& value = i < row.fields.size() ? row.fields[i] : none;
        const auto first = [&](std::string& slot) {
            if (slot.empty()) slot = value;
        };
        switch (map[i].target) {
            case Target::Ignore: break;
            case Target::Category: first(category), categorySeen = true; break;
            case Target::Name: first(name); break;
            case Target::User: first(user); break;
            case Target::Password: first(password); break;
            case Target::Url: first(url); break;
            case Target::Date: first(map[i].label == kLater ? laterDate : date); break;
            case Target::Remarks: first(remarks); break;
            case Target::Extra:
                if (!value.empty()) extras.emplace_back(labels_[i], value);
                break;
            case Target::Otp:
                if (!trim(value).empty()) secrets.emplace_back(labels_[i], value);
                break;
        }
    }
    if (date.empty()) date = laterDate;
    Candidate c;
    c.line = row.line;
    if (id == FormatId::LastPass) {
        // Some of its exports write HTML entities. A password is taken as it
        // stands: "&amp;" may be what the user really chose.
        for (std::string* s : {&category, &name, &user, &url, &remarks}) *s = decodeEntities(*s);
    }
    if (id != FormatId::Quillmere) url = trim(url);
    const std::string type = typeColumn_ < row.fields.size() ? lower(trim(row.fields[typeColumn_])) : std::string();
    c.skip = notLogin(id, type, url, trim(category));
    if (id == FormatId::Bitwarden) {
        // Several addresses of one login share its cell, joined with commas.
        if (const size_t comma = url.find(','); comma != std::string::npos) {
            extras.emplace_back("其他网址", trim(url.substr(comma + 1)));
            url = trim(url.substr(0, comma));
        }
    }
    if (url == "http://") url.clear();
    if (c.skip.empty() && user.empty() && password.empty()) c.skip = "既没有用户名也没有密码";

    Account& a = c.account;
    a.category = id == FormatId::Quillmere ? category : categoryOf(id, category);
    if (a.category.empty() || (id != FormatId::Quillmere && !categorySeen)) a.category = kDefaultCategory;
    const std::string named = name.empty() ? nameOfAddress(id, url) : std::string();
    a.name = !name.empty() ? name : !named.empty() ? named : !user.empty() ? user : std::string("未命名");
    a.user = user;
    a.password = password;
    a.url = url;
    // The first that reads as a secret becomes the account's; another, or
    // one that does not read, stays in the remarks as the file had it.
    // (Dashlane writes one secret twice, as an address and bare: said once.)
    std::optional<platform::WipedBytes> taken;
    for (auto& [label, value] : secrets) {
        const otp::ParsedSecret parsed = otp::ParseSecret(value);
        if (parsed && !taken) {
            const platform::WipedString address = otp::WriteSecret(*parsed.params);
            a.otpSecret.assign(address.data(), address.size());
            taken = parsed.params->key;
            continue;
        }
        if (!parsed || parsed.params->key != *taken) extras.emplace_back(label, trim(value));
    }
    if (id == FormatId::Quillmere) {
        a.date = date;
        a.remarks = remarks;
        for (const auto& [label, value] : extras) {
            if (!a.remarks.empty()) a.remarks += "\r\n";
            a.remarks += label + ": " + value;
        }
        return c;
    }
    a.date = ImportDate(date);
    if (a.date.empty() && !trim(date).empty()) extras.emplace_back("日期", trim(date));
    a.remarks = crlf(remarks);
    for (const auto& [label, value] : extras) {
        if (value == name || value == user || value == password || value == url) continue;  // said already
        if (!a.remarks.empty()) a.remarks += "\r\n";
        a.remarks += label + ": " + crlf(value);
    }
    return c;
}

}  // namespace qm::transfer
