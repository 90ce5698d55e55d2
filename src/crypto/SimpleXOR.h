#pragma once
// The program's one byte cipher: each byte combined with a repeating key by
// exclusive or. It hides data at rest from a casual look; it is not strong
// encryption.
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
// <windows.h> defines EncryptFile and DecryptFile as macros for its own file
// encryption. Including it here first and dropping the two macros keeps this
// class's members under their own names in every source that sees both.
#include <windows.h>
#undef EncryptFile
#undef DecryptFile
#endif

namespace qm::crypto {

// The three fixed keys, named here and nowhere else.
inline constexpr std::string_view kLoginPasswordKey = "quxvo";
inline constexpr std::string_view kAccountPasswordKey = "tamzirkle";
inline constexpr std::string_view kDataFileKey = "vextrona";

// An error raised to the caller with a number and a description, as the
// callers show or test them.
class CipherError : public std::runtime_error {
public:
    CipherError(int32_t number, const std::string& description) : std::runtime_error(description), Number(number) {}
    int32_t Number;
};

inline constexpr int32_t kSourceMissingError = -2147221504;  // 0x80040000
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kNoKeyError = 5;                    // invalid procedure call
inline constexpr int32_t kFileWriteError = 75;               // path/file access error

class clsSimpleXOR {
public:
    // Raised while a byte array is processed, about once per percent, and
    // always ending with 100.
    std::function<void(int32_t Percent)> Progress;

    // Sets the current key; the same key again keeps the key bytes as they are.
    void Key(std::string_view New_Value);

    // Changes `ByteArray` in place; an empty `Key` keeps the current key.
    void EncryptByte(std::span<uint8_t> ByteArray, std::string_view Key);
    void DecryptByte(std::span<uint8_t> ByteArray, std::string_view Key) { EncryptByte(ByteArray, Key); }

    std::string EncryptString(std::string_view Text, std::string_view Key);
    std::string DecryptString(std::string_view Text, std::string_view Key);

    // Transforms a whole file; source and destination may be the same path.
    void EncryptFile(const std::string& SourceFile, const std::string& DestFile, std::string_view Key);
    void DecryptFile(const std::string& SourceFile, const std::string& DestFile, std::string_view Key) {
        EncryptFile(SourceFile, DestFile, Key);
    }

    const std::string& KeyText() const { return keyText_; }
    int32_t KeyLength() const { return keyLength_; }
    const std::vector<uint8_t>& KeyBytes() const { return keyBytes_; }

private:
    void raiseProgress(int32_t percent) {
        if (Progress) Progress(percent);
    }

    std::string keyText_;
    int32_t keyLength_ = 0;
    std::vector<uint8_t> keyBytes_;
    // The key repeated, so that long runs combine with plain word-wise XOR.
    std::vector<uint8_t> keyStream_;
};

}  // namespace qm::crypto
