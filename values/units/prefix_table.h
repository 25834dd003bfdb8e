// The SI prefixes of units. A unit stores its prefix as an index 0..14 into one table (letter,
// decimal exponent, and the factor that turns a value in base units into a value in the
// prefixed unit); three lookups work on letters instead. Every user of prefixes (units,
// unit values, the calculation's data format, the dialogs) takes them from here.
//
//   index  0  1  2    3    4    5   6   7  8  9     10    11    12     13     14
//   letter ?  -  a    f    p    n   µ   m  -  k     M     G     T      P      E
//   exp    0  0  -18  -15  -12  -9  -6  -3 0  3     6     9     12     15     18
//   factor 0  1  1e18 1e15 1e12 1e9 1e6 1e3 1 1e-3 1e-6  1e-9  1e-12  1e-15  1e-18
//
// Index 8 is the normal "no prefix"; 0 and 1 mean that no prefix was chosen (1 is the prefix
// of the empty unit). Index 1 shows no letter, index 0 shows "?".
#pragma once

#include <cstdint>
#include <string_view>

namespace KVI {

constexpr int32_t kPrefixCount = 15;
constexpr int32_t kPrefixUnset = 0;   // shown as "?"
constexpr int32_t kPrefixNone = 1;    // the empty unit's prefix
constexpr int32_t kPrefixPlain = 8;   // the usual "no prefix"
constexpr char16_t kMicroSign = u'\u00B5';
constexpr char32_t kNoLetter = 0;

// True for the indices of the table, 0..14.
constexpr bool IsPrefixIndex(int32_t index) { return index >= 0 && index < kPrefixCount; }

// By index. An index outside 0..14 has no letter, exponent 0 and factor 0 (like index 0,
// but shown without "?").
std::u16string_view PrefixText(int32_t index);  // "?", "" (1 and 8), or the letter
int32_t PrefixExponent(int32_t index);
double PrefixFactor(int32_t index);
// The index of a decimal exponent: 8 for 0, 2..14 for the multiples of 3 from -18 to 18;
// -1 for any other exponent.
int32_t PrefixIndexOfExponent(int32_t exponent);

// Letter -> exponent: E 18, P 15, T 12, G 9, M 6, k 3, m -3, u and µ -6, n -9, p -12,
// f -15, a -18, Z 21, Y 24, z -21, y -24; any other letter (and kNoLetter) 0.
int32_t ExponentOfLetter(char32_t letter);
// Exponent -> letter, the inverse for the multiples of 3 from -24 to 24 (-6 gives µ);
// kNoLetter for 0 and for any other exponent.
char32_t LetterOfExponent(int32_t exponent);
// Letter -> factor: kNoLetter and the no-break space give 1; the letters of the table give
// their factor (u and µ give 1e6); any other letter, Z, Y, z and y included, gives 0.
double FactorOfLetter(char32_t letter);

}  // namespace KVI
