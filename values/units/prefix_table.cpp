#include "values/units/prefix_table.h"

#include <array>

namespace KVI {
namespace {

struct PrefixRow {
    char16_t letter;  // 0: none
    int32_t exponent;
    double factor;
};

constexpr std::array<PrefixRow, kPrefixCount> kTable = {{
    {u'?', 0, 0},
    {0, 0, 1},
    {u'a', -18, 1e18},
    {u'f', -15, 1e15},
    {u'p', -12, 1e12},
    {u'n', -9, 1e9},
    {kMicroSign, -6, 1e6},
    {u'm', -3, 1e3},
    {0, 0, 1},
    {u'k', 3, 1e-3},
    {u'M', 6, 1e-6},
    {u'G', 9, 1e-9},
    {u'T', 12, 1e-12},
    {u'P', 15, 1e-15},
    {u'E', 18, 1e-18},
}};

// The letters of the multiples of 3 from -24 to 24, by (exponent + 24) / 3. The table above
// stops at exa and atto; the letter lookups also know zetta, yotta, zepto and yocto.
constexpr std::array<char16_t, 17> kLetterByExponent = {
    u'y', u'z', u'a', u'f', u'p', u'n', kMicroSign, u'm', 0, u'k', u'M', u'G', u'T', u'P', u'E', u'Z', u'Y'};

}  // namespace

std::u16string_view PrefixText(int32_t index)
{
    if (!IsPrefixIndex(index) || kTable[index].letter == 0) return {};
    return std::u16string_view(&kTable[index].letter, 1);
}

int32_t PrefixExponent(int32_t index) { return IsPrefixIndex(index) ? kTable[index].exponent : 0; }

double PrefixFactor(int32_t index) { return IsPrefixIndex(index) ? kTable[index].factor : 0; }

int32_t PrefixIndexOfExponent(int32_t exponent)
{
    if (exponent == 0) return kPrefixPlain;
    for (int32_t i = 2; i < kPrefixCount; ++i)
        if (i != kPrefixPlain && kTable[i].exponent == exponent) return i;
    return -1;
}

int32_t ExponentOfLetter(char32_t letter)
{
    // 'u' stands in for µ where the micro sign cannot be typed.
    if (letter == U'u') letter = kMicroSign;
    if (letter == kNoLetter) return 0;
    for (size_t i = 0; i < kLetterByExponent.size(); ++i)
        if (kLetterByExponent[i] == letter) return static_cast<int32_t>(i) * 3 - 24;
    return 0;
}

char32_t LetterOfExponent(int32_t exponent)
{
    if (exponent < -24 || exponent > 24 || exponent % 3 != 0) return kNoLetter;
    return kLetterByExponent[(exponent + 24) / 3];
}

double FactorOfLetter(char32_t letter)
{
    if (letter == kNoLetter || letter == U'\u00A0') return 1;
    if (letter == U'u') letter = kMicroSign;
    for (int32_t i = 2; i < kPrefixCount; ++i)
        if (kTable[i].letter != 0 && kTable[i].letter == letter) return kTable[i].factor;
    return 0;
}

}  // namespace KVI
