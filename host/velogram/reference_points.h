// Reference points as the command line takes them: "--point RAW=CAL" options and points
// files (points_file.h), each value a number optionally followed by a blank and a unit word
// ("12.5 mV", "3 kPa"), read as the calibration dialog reads its rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "values/points_table.h"

namespace Velogram {

struct ReferencePoint {
    std::string raw;         // UTF-8 text of the raw value
    std::string calibrated;  // UTF-8 text of the calibrated value
    std::string origin;      // where it was given, for messages: "--point 2", "points.csv:4"
    std::string sd{};        // UTF-8 text of the raw value's standard deviation; empty: none
};

// [in] text: "RAW=CAL", e.g. "12.5 mV=3 kPa"; index: 1-based, for messages. Throws
// CommandError when there is not exactly one "=" or a side is empty.
ReferencePoint ParsePointOption(std::string_view text, int index);

// The units of the two columns of a table of points, and what each belongs to, for messages.
struct PointUnits {
    std::string raw;         // unit text of the raw values ("V", "mV"); empty: none
    std::string calibrated;  // unit text of the calibrated values ("kPa"); empty: none
    std::string rawOwner = "the channel";
    std::string calibratedOwner = "the calibration";
};

// Checks that every text reads as a value and that its unit belongs to its column: a raw
// value's unit must be the raw unit's name with any SI prefix (or none), a calibrated value's
// the calibrated unit's name with any prefix; a column without a unit takes bare numbers
// only. Then gives bare numbers their column's unit. The calibration dialog does the same
// when a raw edit loses focus, so that two raw texts that mean the same value ("1" and
// "1 mV" of a channel in mV) are one raw value. Throws CommandError naming the point and both
// units: "--point 1: mA is not a unit of the channel (V)".
void CompletePointUnits(std::vector<ReferencePoint>& points, const PointUnits& units);

// The unit text of a value text: what follows the number, blanks trimmed ("mV" of "12.5 mV",
// "degrees C" of "8 degrees C"); empty for a bare number or a text that does not read.
std::string UnitWord(std::string_view text);

// True when the unit text names the same unit as column, any SI prefix allowed ("mV" and
// "kV" of "V"); two empty texts are the same.
bool IsUnitOf(std::string_view unit, std::string_view column);

// Whether a text reads as a value, and as a bare number (values/points_table.h).
using KVI::IsBareNumber;
using KVI::IsValueText;
// The value of a text in base units (mantissa x 10^exponent); NaN for a text that does not read.
double BaseValue(std::string_view text);

}  // namespace Velogram
