#pragma once
// What changed between two versions of one account. The secret fields are
// compared opened (a sealed text differs at every seal), one pair at a
// time, and wiped at once.
#include <string>
#include <string_view>

#include "store/History.h"

namespace qm::vault {

class Secrets;

// The fields' names as the record dialog labels them, in kVersionColumns' order.
inline constexpr const char* kVersionFieldNames[store::kVersionFields] = {"分类",     "帐号名称", "用户名", "密码",
                                                                          "注册日期", "网址",     "备注",   "动态码"};

// One bit per field (1 << its index in kVersionColumns) that differs between
// `a` and `b`, two versions of `account`. A secret that does not open on
// either side counts as changed unless both stored texts are the same.
unsigned ChangedFields(const Secrets& secrets, std::string_view account, const store::Version& a, const store::Version& b);

// The names of the fields in `fields`, joined with "、": "密码、网址".
std::string ChangedFieldNames(unsigned fields);

}  // namespace qm::vault
