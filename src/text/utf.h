#pragma once
// UTF-8 is the program's text everywhere; these are the few conversions it needs.
#include <string>
#include <string_view>

namespace qm::text {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Reads one code point at `pos` and advances it. Malformed input, surrogates
// and overlong forms read as U+FFFD, one byte at a time, so decoding never stops.
char32_t NextCodePoint(std::string_view s, size_t& pos);

void AppendUtf8(std::string& out, char32_t cp);

std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// The length of a text as the Windows string functions count it: UTF-16 units.
size_t Utf16Length(std::string_view s);

}  // namespace qm::text
