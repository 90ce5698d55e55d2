#pragma once
// How text compares, in record-set filters and in statements alike: ASCII
// letters ignore case (SQLite's NOCASE collation, on every text column), and
// LIKE takes % for any run of characters and _ for one character.
#include <string>
#include <string_view>

namespace qm::store {

// <0, 0 or >0, comparing byte by byte after folding A-Z to a-z.
int CompareNoCase(std::string_view a, std::string_view b);

// SQLite's LIKE without ESCAPE: ASCII case ignored, `_` matches one character.
bool Like(std::string_view text, std::string_view pattern);

// The quoting rule: each single quote doubled. The caller adds the quotes
// around the value ("UserName = '" + esc(name) + "'").
std::string esc(std::string_view text);

}  // namespace qm::store
