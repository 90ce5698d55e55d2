#pragma once
// Stands for the vault where the transfer layer is tested: the stored form
// names its field and account, so a password and a remark swapped on the
// way, or a text opened for another account, would not open, and a damaged
// text does not open.
#include <optional>
#include <string>
#include <string_view>

#include "transfer/Import.h"

namespace qm::test {

inline const char* FieldMark(transfer::SecretField f) {
    return f == transfer::SecretField::Remarks ? "R:" : f == transfer::SecretField::OtpSecret ? "O:" : "P:";
}

// As the vault does, no authenticator secret is stored as nothing.
inline const transfer::SecretSeal kFieldSeal{
    [](transfer::SecretField f, std::string_view plain, std::string_view account) {
        if (f == transfer::SecretField::OtpSecret && plain.empty()) return std::string();
        return FieldMark(f) + std::string(account) + "|" + std::string(plain);
    },
    [](transfer::SecretField f, std::string_view stored, std::string_view account) -> std::optional<std::string> {
        if (f == transfer::SecretField::OtpSecret && stored.empty()) return std::string();
        const std::string mark = FieldMark(f) + std::string(account) + "|";
        if (!stored.starts_with(mark)) return std::nullopt;
        return std::string(stored.substr(mark.size()));
    }};

}  // namespace qm::test
