#pragma once
// New passwords: random characters of the classes the user ticks, or a
// phrase of common words, each with what it is worth in bits.
#include <string>
#include <string_view>
#include <vector>

#include "gen/Random.h"

namespace qm::gen {

inline constexpr int kMinLength = 4, kMaxLength = 128, kDefaultLength = 16;
inline constexpr int kMinWords = 4, kMaxWords = 10, kDefaultWords = 5;

// Characters that are easily taken for one another in many fonts.
inline constexpr std::string_view kLookAlikes = "0Oo1lI|";

struct CharChoices {
    int length = kDefaultLength;
    bool upper = true, lower = true, digits = true, symbols = true;
    bool excludeLookAlikes = false;
};

struct PhraseChoices {
    int words = kDefaultWords;
    std::string separator = "-";
    bool capitalise = false;  // each word begins with a capital
    bool digit = false;       // one digit after one of the words
};

// The characters of each ticked class, in the order upper, lower, digits,
// symbols (the printable ASCII symbols), without the look-alikes when asked.
std::vector<std::string> CharClasses(const CharChoices& c);

// Why these choices can make no password, in the user's words; "" when they can.
std::string CharRefusal(const CharChoices& c);
std::string PhraseRefusal(const PhraseChoices& c);

// A password with at least one character of every ticked class, the others
// drawn from all of them alike, in an order shuffled at random. The choices
// must have no refusal.
std::string MakePassword(const CharChoices& c, RandomSource& random);
// The same from these classes (none empty, no more of them than `length`).
std::string MakePassword(const std::vector<std::string>& classes, int length, RandomSource& random);
std::string MakePassphrase(const PhraseChoices& c, RandomSource& random);

// Bits of entropy of what MakePassword and MakePassphrase give, rounded
// down; for a phrase, the bits of its words and of the digit and its place.
int PasswordBits(const CharChoices& c);
int PassphraseBits(const PhraseChoices& c);
// The Shannon entropy in bits, unrounded, of a password of `length` made
// from classes of these sizes.
double PasswordEntropy(const std::vector<size_t>& classSizes, int length);
// "约 104 位".
std::string BitsText(int bits);

// The words of the phrases: lowercase letters only, no word the beginning of
// another, so that joined without a separator a phrase still reads one way.
const std::vector<std::string_view>& Words();

}  // namespace qm::gen
