// Reference points as the command line takes them: "--point RAW=CAL" options and points
// files (points_file.h), each value a number optionally followed by a blank and a unit word
// ("12.5 mV", "3 kPa"), read as the calibration dialog reads its rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Velogram {

struct ReferencePoint {
    std::string raw;         // UTF-8 text of the raw value
    std::string calibrated;  // UTF-8 text of the calibrated value
    std::string origin;      // where it was given, for messages: "--point 2", "points.csv:4"
};

// [in] text: "RAW=CAL", e.g. "12.5 mV=3 kPa"; index: 1-based, for messages. Throws
// CommandError when there is not exactly one "=" or a side is empty.
ReferencePoint ParsePointOption(std::string_view text, int index);

// Checks that every text reads as a value, and gives bare numbers their column's unit:
// raw values sourceUnit, calibrated values unit (either may be empty: no unit). The
// calibration dialog does the same when a raw edit loses focus, so that two raw texts that
// mean the same value ("1" and "1 mV" of a channel in mV) count as a repeated raw value
// rather than one silently replacing the other. Throws CommandError naming the point.
void CompletePointUnits(std::vector<ReferencePoint>& points, const std::string& sourceUnit,
                        const std::string& unit);

// True when the text reads as a value (a number, optionally with a unit word).
bool IsValueText(std::string_view text);
// True when the text is a bare number (reads as a value with no unit word).
bool IsBareNumber(std::string_view text);
// The value of a text in base units (mantissa x 10^exponent); NaN for a text that does not read.
double BaseValue(std::string_view text);

}  // namespace Velogram
