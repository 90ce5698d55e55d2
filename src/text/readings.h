#pragma once
// The Mandarin readings of the CJK ideographs, toneless, from a table made at
// build time (scripts/gen_readings_table.py): every reading a dictionary
// gives a character, so that 行 reads hang, heng and xing.
#include <cstdint>
#include <span>
#include <string_view>

namespace qm::text {

// A character's readings are one of a few thousand sets of syllables; the
// number of its set (from 1), or 0 for a character with no reading.
uint16_t ReadingSetOf(char32_t c);

// The syllables of a set, as numbers for Syllable; empty for 0.
std::span<const uint16_t> ReadingSet(uint16_t set);

// A syllable in lower-case letters, ü written "v" ("lv"; "lu" is there too).
std::string_view Syllable(uint16_t id);

// The letters the syllables of a set hold, bit 0 for a to bit 25 for z,
// and the letters they start with.
uint32_t ReadingLetters(uint16_t set);
uint32_t ReadingInitials(uint16_t set);

}  // namespace qm::text
