#pragma once
#include <string>
#include <string_view>

namespace qm::text {

// The pinyin initial of the first character of `s` (meant for one character):
// an upper-case letter for a Chinese character of the GB 2312 first level, the
// upper-case form of an ASCII letter, "0" for double-byte symbols, and other
// single-byte characters unchanged.
std::string GetPYInitial(std::string_view s);

// The initials of a whole text, character by character: 邮箱 gives "YX".
std::string PinyinInitials(std::string_view text);

}  // namespace qm::text
