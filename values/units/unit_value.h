// UnitValue: a number with a unit, as mantissa x 10^exponent in the unit named by the unit
// text (the name without prefix). Normalised values have the exponent a multiple of 3 and
// the mantissa in [1, 1000) in magnitude (or the value 0 with exponent 0), so the exponent
// names an SI prefix (prefix_table.h).
//
// The invalid value (mantissa 0, exponent 0, unit text "Invalid") stands for a text that did
// not read as a number; readers test IsInvalid().
//
// Value() is exact: the double nearest the decimal number the value stands for, as a number
// text read with its prefix's power of ten ("12.5 mV" is the double nearest 0.0125, and
// "2000719" stays 2000719), never the product of a rounded mantissa and a rounded power of
// ten, which can miss by an ulp and would change the points a user typed.
#pragma once

#include <cstdint>
#include <set>
#include <string_view>

#include "foundation/kvi_string.h"

namespace KVI {

class UnitValue {
public:
    // The value 0 with an empty unit text.
    UnitValue() = default;
    // As given, not normalised; the value is the decimal number the shortest text of the
    // mantissa writes, times 10^exponent exactly.
    UnitValue(double mantissa, int32_t exponent, String unit);

    static UnitValue Invalid();
    // x normalised: 0 gives (0, 0, unit); otherwise exponent := floor(log10|x|) truncated
    // toward zero to a multiple of 3, then moved down by 3 when the mantissa is below 1.
    // A value that is not finite keeps exponent 0. Value() is x itself.
    static UnitValue Normalised(double x, const String& unit);

    // This value in another unit text with its number scaled by 10^k exactly (the unit of a
    // bare number given by a column's prefixed unit), normalised.
    UnitValue InUnit(int32_t k, const String& unit) const;

    // Reads a wide text in the classic locale: a number as the standard stream reads it
    // (leading blanks skipped), then an optional blank-delimited word. A word of one
    // character, a known unit name (KnownUnitNames), or a word whose first character is no
    // prefix letter or whose rest is no known name, is the unit text as it stands; otherwise
    // the first character is the prefix (u and µ both mean micro) and scales the number.
    // "12.5 mV" gives (12.5, -3, "V"); "5 mmHg" gives (5, 0, "mmHg"); "abc" the invalid value.
    static UnitValue Parse(std::wstring_view text);
    static UnitValue Parse(const String& text);

    double Mantissa() const { return mantissa_; }
    int32_t Exponent() const { return exponent_; }
    const String& Unit() const { return unit_; }
    // mantissa x 10^exponent, in base units, exactly as described above.
    double Value() const { return value_; }
    bool IsInvalid() const;

    // This value x 10^k, normalised.
    UnitValue ScaledBy(int32_t k) const;

    // The number in the prefix of exponent b (mantissa x 10^(exponent - b)) in the stream's
    // general notation, with precision p when p > 0 (else 6 significant digits); then, unless
    // the unit text is empty, a blank, the letter of b (if it has one) and the unit text.
    // unit: the unit text to write; empty means this value's own.
    // (12.5, -3, "V") gives "12.5 mV" for b = -3 and "0.0125 V" for b = 0.
    String Format(int32_t b, int32_t p = 0, const String& unit = String()) const;
    // For examples: the mantissa with precision 3, a blank, the letter of the exponent and the
    // unit text; with an empty unit text the value mantissa x 10^exponent alone.
    String FormatExample() const;

private:
    double mantissa_ = 0;
    int32_t exponent_ = 0;
    String unit_;
    double value_ = 0;
};

// The unit names the parser knows, so that it can tell a prefix from the first letter of a
// name: "V", "g", "Hz", "m", "Ohms", "L", "N", "Pa", "A", "L/s", "L/min".
const std::set<String>& KnownUnitNames();

}  // namespace KVI
