#pragma once
// Code page 936 (GBK), where bytes matter: the cipher, the pinyin initials and
// the strength meter. Byte strings are std::string holding raw bytes.
#include <string>
#include <string_view>

namespace qm::text {

// Code of one character in code page 936: 0x00-0x80 for a single byte
// (0x80 is the euro sign), lead * 256 + trail for a double-byte character,
// or -1 when the code page has no such character.
int GbkCode(char32_t cp);

// UTF-8 to code page 936 as Windows converts it: characters the code page
// lacks become '?'.
std::string ToGbk(std::string_view utf8);

// UTF-8 to GB18030: the same bytes as code page 936 for each of its
// characters and four bytes for every other one, so nothing is lost.
std::string ToGb18030(std::string_view utf8);

// GB18030 (and so code page 936) bytes to UTF-8; undefined sequences read as U+FFFD.
std::string FromGb18030(std::string_view bytes);

}  // namespace qm::text
