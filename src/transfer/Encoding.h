#pragma once
// The text encodings an exported file comes in: UTF-8 (with or without its
// byte-order mark), UTF-16 with its mark, and GB 18030, of which code page
// 936 (GBK), what a spreadsheet on Chinese Windows saves, is a part.
#include <string>
#include <string_view>

namespace qm::transfer {

enum class Encoding { Utf8, Utf16LE, Utf16BE, Gb18030 };
inline constexpr Encoding kEncodings[] = {Encoding::Utf8, Encoding::Gb18030, Encoding::Utf16LE, Encoding::Utf16BE};

// The name the preview shows.
const char* EncodingName(Encoding e);

// A byte-order mark decides; then text that is valid UTF-8 is UTF-8, text
// that is valid GB 18030 is that, and UTF-16 without a mark is known by the
// zero bytes of its ASCII characters. Bytes that fit no encoding read as UTF-8.
Encoding DetectEncoding(std::string_view bytes);

// The bytes as UTF-8 text, without a byte-order mark; what the encoding
// cannot read becomes U+FFFD.
std::string DecodeText(std::string_view bytes, Encoding e);

bool IsValidUtf8(std::string_view bytes);

}  // namespace qm::transfer
