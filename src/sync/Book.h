#pragma once
// A book as the sync sees it: plain data, apart from the store, so that two
// books can be merged and a book can be written to a sync file without a
// data file open. The store reads a user's book into this shape and writes
// the merged one back.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Wiped.h"

namespace qm::sync {

// Passwords, remarks and authenticator secrets: every block they leave is wiped.
using Secret = platform::WipedString;

// Times are UTC Unix seconds.
struct Version {
    std::string Category;    // TypeName
    std::string Name;        // AccountName
    std::string User;        // AccountID
    Secret Password;
    std::string Registered;  // "yyyy-mm-dd" or empty
    std::string Address;
    Secret Remarks;
    Secret Otp;              // the canonical otpauth:// address, or empty
    int64_t Changed = 0;

    // The same text in every field; the change time aside.
    bool SameContent(const Version& other) const;
    bool operator==(const Version&) const = default;
};

// The fields in the order the report names them.
inline constexpr int kFieldCount = 8;
std::string_view FieldText(const Version& v, int field);
void SetField(Version& v, int field, std::string_view text);
// 分类, 帐号名称, 用户名, 密码, 注册日期, 网址, 备注, 动态码.
const char* FieldName(int field);

// How many older versions an account keeps.
inline constexpr size_t kHistoryCap = 10;

struct Account {
    std::string Id;  // 32 lower-case hex characters, the same on every PC
    int64_t Created = 0;
    Version Current;
    std::vector<Version> History;  // older versions, newest first
    std::optional<int64_t> Binned;  // when it went into the recycle bin

    bool operator==(const Account&) const = default;
};

// An account purged from the bin or removed, remembered so that a PC that
// still holds it lets it go instead of bringing it back.
struct Removal {
    std::string Id;
    int64_t When = 0;
    bool operator==(const Removal&) const = default;
};
// How long a removal is remembered.
inline constexpr int64_t kRemovalKept = int64_t{365} * 24 * 3600;

struct Category {
    std::string Name;
    int64_t Icon = 0;
    bool operator==(const Category&) const = default;
};

struct Book {
    std::vector<Account> Accounts;
    std::vector<Removal> Removed;
    std::vector<Category> Categories;
    int64_t LoginChanged = 0;  // when the user's login password last changed

    bool operator==(const Book&) const = default;
};

// Whether `id` is an account's identity: 32 lower-case hex characters.
bool IsAccountId(std::string_view id);

// The book in the one order two equal books share: accounts and removals by
// identity, categories by name ignoring ASCII case.
void Canonicalise(Book& book);

}  // namespace qm::sync
