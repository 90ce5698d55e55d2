#include "sync/Book.h"

#include <algorithm>

#include "store/TextRules.h"

namespace qm::sync {

std::string_view FieldText(const Version& v, int field) {
    switch (field) {
    case 0: return v.Category;
    case 1: return v.Name;
    case 2: return v.User;
    case 3: return v.Password;
    case 4: return v.Registered;
    case 5: return v.Address;
    case 6: return v.Remarks;
    default: return v.Otp;
    }
}

void SetField(Version& v, int field, std::string_view text) {
    switch (field) {
    case 0: v.Category = text; break;
    case 1: v.Name = text; break;
    case 2: v.User = text; break;
    case 3: v.Password = text; break;
    case 4: v.Registered = text; break;
    case 5: v.Address = text; break;
    case 6: v.Remarks = text; break;
    default: v.Otp = text; break;
    }
}

const char* FieldName(int field) {
    static const char* const names[kFieldCount] = {"分类", "帐号名称", "用户名", "密码", "注册日期", "网址", "备注", "动态码"};
    return names[field];
}

bool Version::SameContent(const Version& other) const {
    for (int f = 0; f < kFieldCount; ++f)
        if (FieldText(*this, f) != FieldText(other, f)) return false;
    return true;
}

bool IsAccountId(std::string_view id) {
    return id.size() == 32 &&
           std::all_of(id.begin(), id.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

void Canonicalise(Book& book) {
    std::sort(book.Accounts.begin(), book.Accounts.end(), [](const Account& a, const Account& b) { return a.Id < b.Id; });
    std::sort(book.Removed.begin(), book.Removed.end(), [](const Removal& a, const Removal& b) { return a.Id < b.Id; });
    std::sort(book.Categories.begin(), book.Categories.end(), [](const Category& a, const Category& b) {
        const int c = store::CompareNoCase(a.Name, b.Name);
        return c != 0 ? c < 0 : a.Name < b.Name;
    });
}

}  // namespace qm::sync
