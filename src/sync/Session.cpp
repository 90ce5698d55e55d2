#include "sync/Session.h"

namespace qm::sync {

namespace {
// The header line names the salt and the cost: the same line, the same key.
std::string_view headerOf(std::string_view file) { return file.substr(0, file.find('\n')); }
}  // namespace

void Session::LoggedIn(std::string_view password) {
    Forget();
    password_.Keep(password);
}

void Session::PasswordChanged(std::string_view newPassword) {
    password_.Keep(newPassword);
    keyIsLogin_ = false;
    refusedHeader_.clear();
    PasswordAsked = false;
}

void Session::Forget() {
    key_.reset();
    keyIsLogin_ = false;
    password_.Wipe();
    refusedHeader_.clear();
    PasswordAsked = false;
}

ReadSync Session::derive(std::string_view file, std::string_view password) {
    ++derivations_;
    return ReadSyncFile(file, password);
}

ReadSync Session::Open(std::string_view file) {
    ReadSync read = ReadSyncFile(file, key_);
    if (read.Result != vault::SyncOpen::WrongPassword || !password_.Held() || headerOf(file) == refusedHeader_)
        return read;
    read = derive(file, password_.View());
    if (read.Result == vault::SyncOpen::Opened) {
        Adopt(read.Key);
    } else if (read.Result == vault::SyncOpen::WrongPassword) {
        refusedHeader_ = headerOf(file);
    }
    return read;
}

ReadSync Session::OpenWith(std::string_view file, std::string_view typed) { return derive(file, typed); }

ReadSync Session::OpenAny(std::string_view file, std::string_view typed) {
    ReadSync read = ReadSyncFile(file, key_);
    if (read.Result == vault::SyncOpen::WrongPassword && password_.Held()) read = derive(file, password_.View());
    if (read.Result == vault::SyncOpen::WrongPassword && !typed.empty()) read = derive(file, typed);
    return read;
}

void Session::Adopt(std::shared_ptr<vault::SyncKey> key) {
    key_ = std::move(key);
    keyIsLogin_ = true;
    password_.Wipe();
    refusedHeader_.clear();
}

bool Session::NewKeyFromLogin() {
    if (!password_.Held()) return false;
    ++derivations_;
    Adopt(std::make_shared<vault::SyncKey>(vault::SyncKey::Make(password_.View(), Cost)));
    return true;
}

void Session::Track(const std::string& path) {
    if (path == SeenPath) return;
    SeenPath = path;
    SeenStamp.reset();
    UnreachableTold = false;
    CopiesTold.clear();
}

}  // namespace qm::sync
