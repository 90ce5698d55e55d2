#pragma once
// The logged-in user's settings that have no column in the user's row: named
// texts in the program's own table UserOptions (UserName, Name, Value). They
// follow the user like the row's settings: a rename carries them, a log-off
// removes them, a backup holds them and a restore that brings the settings
// brings them.
#include <cstdint>
#include <string>
#include <string_view>

namespace qm::store {

class Connection;

class UserOptions {
public:
    UserOptions(Connection& db, const std::string& user) : db_(db), user_(user) {}

    // The stored text, or `fallback` when there is none (or no one is logged in).
    std::string Get(std::string_view name, std::string_view fallback = {}) const;
    // A whole number; `fallback` also when the stored text is not one.
    int64_t GetInt(std::string_view name, int64_t fallback) const;
    bool GetBool(std::string_view name, bool fallback) const { return GetInt(name, fallback ? 1 : 0) != 0; }
    // Stores at once (the settings dialog's OK calls these after its checks).
    void Set(std::string_view name, std::string_view value);
    void SetInt(std::string_view name, int64_t value) { Set(name, std::to_string(value)); }
    void SetBool(std::string_view name, bool value) { SetInt(name, value ? 1 : 0); }

private:
    Connection& db_;
    const std::string& user_;
};

// Names of the options the program itself keeps.
// Strong protection is on (1) or off (0); the user row's marker is what the
// program goes by, this records the setting beside the others.
inline constexpr std::string_view kStrongProtection = "StrongProtection";
// When the login password was last set (UTC seconds): the sync keeps the
// later of two PCs'. Missing for a user registered before it was recorded.
inline constexpr std::string_view kLoginChanged = "LoginChanged";

}  // namespace qm::store
