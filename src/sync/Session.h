#pragma once
// What the sync keeps between runs while a user is logged in: the sync
// file's key, derived once per login (Argon2id costs about a third of a
// second), the login password until a key has been derived from it, and
// what the last run saw and said, so that a file that did not change is not
// read again and a trouble is told once.
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "sync/SyncFile.h"
#include "vault/LockedText.h"

namespace qm::sync {

class Session {
public:
    // The login and the unlock: a key of an earlier login is forgotten, and
    // `password` kept (locked, wiped) until a key is derived from it.
    void LoggedIn(std::string_view password);
    // The user gave the login a new password on this PC: the key at hand
    // still opens the file, which the next sync seals again under
    // `newPassword`.
    void PasswordChanged(std::string_view newPassword);
    // The lock and the log-off: the key and the password are wiped.
    void Forget();

    // Opens a sync file's bytes with this login's key when it fits the file,
    // else with the login password kept: that derivation's key becomes this
    // login's and the password is wiped. A password the file refused is not
    // tried again on the same file.
    ReadSync Open(std::string_view file);
    // Opens with `typed`, a password the user gave for this file: one
    // derivation; nothing of it is kept.
    ReadSync OpenWith(std::string_view file, std::string_view typed);
    // Opens with whatever this login has, never keeping anything: the key,
    // the login password, `typed` (when not empty). For a conflict copy.
    ReadSync OpenAny(std::string_view file, std::string_view typed);

    // Makes `key` this login's key, of the current login password.
    void Adopt(std::shared_ptr<vault::SyncKey> key);
    // A key of a fresh salt from the login password kept (which is then
    // wiped); false when none is kept.
    bool NewKeyFromLogin();
    // The key to write the file with; null before any.
    std::shared_ptr<vault::SyncKey> Key() const { return key_; }
    // The key at hand was derived from the current login password.
    bool KeyIsLogin() const { return key_ && keyIsLogin_; }
    bool HasLoginPassword() const { return password_.Held(); }
    // Derivations made for sync files since this object was made.
    int Derivations() const { return derivations_; }

    // The cost of the keys of new files (tests make it cheap).
    vault::DerivationCost Cost = vault::kDefaultCost;
    // How long one run waits, in all, for files another program holds.
    uint64_t InUseWaitMs = platform::kInUseWaitMs;

    // What the runs over the file at `path` saw and said: a new path starts afresh.
    void Track(const std::string& path);
    std::string SeenPath;
    std::optional<platform::FileStamp> SeenStamp;  // after the last run that read or wrote the file
    bool UnreachableTold = false;                  // until a run succeeds
    bool PasswordAsked = false;                    // this login
    std::set<std::string> CopiesTold;              // conflict copies said not to open

private:
    ReadSync derive(std::string_view file, std::string_view password);

    std::shared_ptr<vault::SyncKey> key_;
    bool keyIsLogin_ = false;
    vault::LockedText password_;
    std::string refusedHeader_;  // the header of the file the kept password did not open
    int derivations_ = 0;
};

}  // namespace qm::sync
