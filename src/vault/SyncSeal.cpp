#include "vault/SyncSeal.h"

#include <sodium.h>

#include <charconv>
#include <optional>

namespace qm::vault {

namespace {

constexpr size_t kNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr size_t kTagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr size_t kChecksumSize = 16;

const unsigned char* bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

std::string checksum(std::string_view data) {
    EnsureSodium();
    std::string sum(kChecksumSize, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(sum.data()), sum.size(), bytes(data), data.size(), nullptr, 0);
    return sum;
}

std::string headerOf(const SyncKey& key) {
    return std::string(kSyncMark) + " " + std::to_string(kSyncVersion) + " " + ToHex(key.Salt) + " " +
           std::to_string(key.Cost.Passes) + " " + std::to_string(key.Cost.MemoryBytes) + "\n";
}

// Reads a decimal number up to `stop` at `at`, moving past both.
std::optional<uint64_t> number(std::string_view text, size_t& at, char stop) {
    const size_t end = text.find(stop, at);
    if (end == std::string_view::npos || end == at) return std::nullopt;
    uint64_t v = 0;
    const auto [p, ec] = std::from_chars(text.data() + at, text.data() + end, v);
    if (ec != std::errc() || p != text.data() + end) return std::nullopt;
    at = end + 1;
    return v;
}

}  // namespace

SyncKey SyncKey::Make(std::string_view password, DerivationCost cost) {
    EnsureSodium();
    SyncKey key;
    key.Salt.assign(kSaltSize, '\0');
    randombytes_buf(key.Salt.data(), key.Salt.size());
    key.Cost = cost;
    key.Key = DeriveKey(password, key.Salt, cost);
    return key;
}

const char* SyncOpenMessage(SyncOpen result) {
    switch (result) {
    case SyncOpen::Opened: return nullptr;
    case SyncOpen::NotSyncFile: return "该文件不是同步文件!";
    case SyncOpen::Newer: return "该同步文件由更新版本的程序写入,请用新版本的程序同步。";
    case SyncOpen::Damaged: return "同步文件已损坏,无法读取!";
    case SyncOpen::WrongPassword: return "同步文件的密码与登录密码不符,无法读取!";
    }
    return "同步文件已损坏,无法读取!";
}

std::string SealSync(std::string_view content, const SyncKey& key) {
    EnsureSodium();
    std::string file = headerOf(key);
    const size_t headerSize = file.size();
    file.resize(headerSize + kNonceSize + content.size() + kTagSize);
    auto* nonce = reinterpret_cast<unsigned char*>(file.data() + headerSize);
    randombytes_buf(nonce, kNonceSize);
    unsigned long long sealed = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(nonce + kNonceSize, &sealed, bytes(content), content.size(), bytes(file),
                                               headerSize, nullptr, nonce, key.Key->data());
    file += checksum(file);
    return file;
}

namespace {

// A file's frame read and checked up to the point where a key is needed.
struct Frame {
    SyncOpen Result = SyncOpen::Damaged;  // Opened: the parts below are whole
    std::string_view Header, Body;
    std::string Salt;
    DerivationCost Cost;
};

Frame frameOf(std::string_view file) {
    Frame out;
    if (!file.starts_with(std::string(kSyncMark) + " ")) {
        out.Result = SyncOpen::NotSyncFile;
        return out;
    }
    if (file.size() < kChecksumSize) return out;
    const std::string_view framed = file.substr(0, file.size() - kChecksumSize);
    if (sodium_memcmp(checksum(framed).data(), file.data() + framed.size(), kChecksumSize) != 0) return out;

    size_t at = kSyncMark.size() + 1;
    const size_t lineEnd = framed.find('\n');
    if (lineEnd == std::string_view::npos) return out;
    const std::string_view header = framed.substr(0, lineEnd + 1);
    const size_t versionEnd = header.find_first_of(" \n", at);
    const auto version = number(header, at, header[versionEnd]);
    if (version && *version > static_cast<uint64_t>(kSyncVersion)) {
        out.Result = SyncOpen::Newer;
        return out;
    }
    if (version != static_cast<uint64_t>(kSyncVersion) || header[versionEnd] != ' ') return out;

    const size_t saltEnd = header.find(' ', at);
    if (saltEnd == std::string_view::npos) return out;
    const auto salt = FromHex(header.substr(at, saltEnd - at));
    at = saltEnd + 1;
    const auto passes = number(header, at, ' ');
    const auto memory = number(header, at, '\n');
    if (!salt || salt->size() != kSaltSize || !passes || !memory || at != header.size()) return out;
    const DerivationCost cost{*passes, *memory};
    const std::string_view body = framed.substr(header.size());
    if (!CostUsable(cost) || body.size() < kNonceSize + kTagSize) return out;
    out.Result = SyncOpen::Opened;
    out.Header = header;
    out.Body = body;
    out.Salt = *salt;
    out.Cost = cost;
    return out;
}

OpenedSync decipher(const Frame& frame, std::shared_ptr<SyncKey> key) {
    OpenedSync out;
    out.Content.resize(frame.Body.size() - kNonceSize - kTagSize);
    unsigned long long opened = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<unsigned char*>(out.Content.data()), &opened, nullptr,
                                                   bytes(frame.Body) + kNonceSize, frame.Body.size() - kNonceSize,
                                                   bytes(frame.Header), frame.Header.size(), bytes(frame.Body),
                                                   key->Key->data()) != 0) {
        out.Content.clear();
        out.Result = SyncOpen::WrongPassword;
        return out;
    }
    out.Key = std::move(key);
    out.Result = SyncOpen::Opened;
    return out;
}

}  // namespace

OpenedSync OpenSync(std::string_view file, std::string_view password) {
    const Frame frame = frameOf(file);
    if (frame.Result != SyncOpen::Opened) return OpenedSync{frame.Result, {}, nullptr};
    auto key = std::make_shared<SyncKey>();
    key->Salt = frame.Salt;
    key->Cost = frame.Cost;
    key->Key = DeriveKey(password, key->Salt, frame.Cost);
    return decipher(frame, std::move(key));
}

OpenedSync OpenSync(std::string_view file, const std::shared_ptr<SyncKey>& key) {
    const Frame frame = frameOf(file);
    if (frame.Result != SyncOpen::Opened) return OpenedSync{frame.Result, {}, nullptr};
    if (!key || !key->Key || key->Salt != frame.Salt || key->Cost.Passes != frame.Cost.Passes ||
        key->Cost.MemoryBytes != frame.Cost.MemoryBytes)
        return OpenedSync{SyncOpen::WrongPassword, {}, nullptr};
    return decipher(frame, key);
}

}  // namespace qm::vault
