#pragma once
// Stands for the vault where the transfer layer is tested: the stored form
// names its field, so a password and a remark swapped on the way would not
// open, and a damaged text does not open.
#include <optional>
#include <string>
#include <string_view>

#include "transfer/Import.h"

namespace qm::test {

inline const transfer::SecretSeal kFieldSeal{
    [](transfer::SecretField f, std::string_view plain) {
        return (f == transfer::SecretField::Remarks ? "R:" : "P:") + std::string(plain);
    },
    [](transfer::SecretField f, std::string_view stored) -> std::optional<std::string> {
        if (stored.substr(0, 2) != (f == transfer::SecretField::Remarks ? "R:" : "P:")) return std::nullopt;
        return std::string(stored.substr(2));
    }};

}  // namespace qm::test
