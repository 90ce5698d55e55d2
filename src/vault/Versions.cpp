#include "vault/Versions.h"

#include "vault/Secrets.h"

namespace qm::vault {

namespace {

bool secretField(size_t field, Field& kind) {
    const std::string_view column = store::kVersionColumns[field];
    if (column == "AccountPassword") kind = Field::AccountPassword;
    else if (column == "Remarks") kind = Field::Remarks;
    else if (column == "OtpSecret") kind = Field::OtpSecret;
    else return false;
    return true;
}

}  // namespace

unsigned ChangedFields(const Secrets& secrets, std::string_view account, const store::Version& a, const store::Version& b) {
    unsigned changed = 0;
    for (size_t f = 0; f < store::kVersionFields; ++f) {
        if (a[f] == b[f]) continue;
        Field kind;
        bool same = false;
        if (secretField(f, kind)) {
            const std::optional<SecretText> left = secrets.Open(kind, a[f], account);
            if (left) {
                const std::optional<SecretText> right = secrets.Open(kind, b[f], account);
                same = right && left->view() == right->view();
            }
        }
        if (!same) changed |= 1u << f;
    }
    return changed;
}

std::string ChangedFieldNames(unsigned fields) {
    std::string names;
    for (size_t f = 0; f < store::kVersionFields; ++f) {
        if (!(fields & (1u << f))) continue;
        if (!names.empty()) names += "、";
        names += kVersionFieldNames[f];
    }
    return names;
}

}  // namespace qm::vault
