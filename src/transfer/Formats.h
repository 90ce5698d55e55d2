#pragma once
// Which program wrote an export, known by its header row, and how each of
// its rows becomes one of our accounts.
#include <string>
#include <vector>

#include "transfer/Csv.h"

namespace qm::transfer {

enum class FormatId { Unknown, Quillmere, Chromium, Firefox, KeePassXC, KeePass2, Bitwarden, LastPass, Apple, OnePassword, Dashlane };

// The name the preview shows ("Chrome / Edge 浏览器", ...).
const char* FormatName(FormatId id);
// KeePass 2 escapes quotes with a backslash; everyone else doubles them.
Escape EscapeOf(FormatId id);

// What a column of the file gives our record.
// Otp: an authenticator secret, kept as the account's when it reads as one,
// else labelled in the remarks like an Extra.
enum class Target { Ignore, Category, Name, User, Password, Url, Date, Remarks, Extra, Otp };
// The choices of the preview's column mapping, in its order, and their names.
inline constexpr Target kMappable[] = {Target::Ignore, Target::Category, Target::Name, Target::User,
                                       Target::Password, Target::Url,     Target::Date, Target::Remarks};
const char* TargetName(Target t);  // "(不导入)", "分类", "帐号名称", "用户名", "密码", "网址", "日期", "备注"

struct ColumnRole {
    Target target = Target::Ignore;
    std::string label;  // an Extra's label in the remarks
};
using ColumnMap = std::vector<ColumnRole>;  // one per column of the header

struct Recognised {
    FormatId id = FormatId::Unknown;
    ColumnMap map;  // for Unknown: a guess from the names, for the user to correct
};
Recognised Recognise(const std::vector<std::string>& header);

// One of our accounts as it will be stored (before duplicates are looked at).
struct Account {
    std::string category, name, user, password, url, date, remarks;
    std::string otpSecret = {};  // a canonical otpauth:// address, or "" for none
};

struct Candidate {
    size_t line = 0;
    Account account;
    std::string skip;  // not empty: the row is not imported, and this says why
};

inline constexpr const char* kDefaultCategory = "网站帐号";

// Maps the data rows of one file: the category from the folder's last part,
// the name from the title or else the address's host or else the user name,
// the date as "yyyy-mm-dd", and the source's extra fields labelled in the
// remarks. What depends only on the header is worked out once, not per row.
class RowMapper {
public:
    RowMapper(FormatId id, const ColumnMap& map, const std::vector<std::string>& header);
    Candidate Map(const CsvRow& row) const;

private:
    FormatId id_;
    const ColumnMap& map_;
    std::vector<std::string> labels_;  // an extra column's label in the remarks
    size_t typeColumn_;                // Bitwarden's item type; npos when none
};

// One row on its own (a mapper made for it alone).
Candidate MapRow(FormatId id, const ColumnMap& map, const std::vector<std::string>& header, const CsvRow& row);

// The host of a web address, without its port and a leading "www.".
std::string HostOf(const std::string& url);
// A date as the exporters write it (ISO 8601, Unix seconds or milliseconds,
// 2008/3/5, 12/2/2020 4:01 AM) as "yyyy-mm-dd"; empty when it is none.
std::string ImportDate(const std::string& text);

}  // namespace qm::transfer
