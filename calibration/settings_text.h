// The one-line text form of a calibration record: the core of the stored settings, the
// calculation's settings text that the host hands to every sample enumerator.
//
// Fields, each followed by one tab (numbers in the classic notation, whatever the process's
// locale):
//   fit kind, force origin (0/1), unit name without prefix ("INVALID_UNIT" when empty),
//   chi-square, SSE, coefficient count m, m coefficients, point count n (the shorter of the
//   raw and calibrated values), n raw values, n calibrated values;
//   then, only when either differs from its default, what the enumerators apply beyond the
//   curve: the range policy (RangePolicy, 0..2) and the zero offset.
// e.g. "0\t0\tmmHg\t0\t0\t2\t0\t2\t2\t0\t1\t0\t2\t". Readers of the older text stop after the
// calibrated values and never see the two trailing fields.
//
// Every double is written losslessly (RoundTripNumberText): the enumerators compute with the
// coefficients they read from this text, so a text that rounded them would calibrate with
// another curve than the one fitted (coefficients of points far from zero cancel to many
// digits), and a document would lose the digits of the points the user typed. A number that
// six significant digits hold is written as the default stream format writes it ("2.08",
// "1e-05", "1e+06"), so ordinary texts read as they always did; readers of any version read
// numbers of any length.
//
// NOTE: a tab inside a unit name would end the name field early; it is written as a blank.
// NOTE: infinities and NaNs are written as the stream writes them ("inf", "-inf", "nan",
// "-nan") and read back as such, so a record with a non-finite value keeps the rest of its
// text; a NaN with a payload is written "nan(0x<mantissa>)" and keeps its bits.
#pragma once

#include <string>
#include <string_view>

#include "calibration/calibration_data.h"
#include "foundation/kvi_string.h"

namespace Tessar {

// Renders the text form of a record.
KVI::String FormatSettingsText(const CalibrationData& data);

// A double in the default stream notation (printf's %g, classic locale) with the fewest
// significant digits, six or more, that read back as the same double (bit for bit: -0 stays
// -0). NaNs as described above.
std::string RoundTripNumberText(double value);

// How much of the text a parse reads.
enum class SettingsTextScope {
    Head,  // fit kind, force origin, unit, chi-square, SSE and the coefficients
    Full,  // the head, then the reference points, the range policy and the zero offset
};

enum class SettingsTextStatus {
    Complete,  // every field of the scope was read
    Stopped,   // the text stopped parsing early; the rest of the scope keeps its defaults
    Rejected,  // the text is corrupt (see below); nothing was written
};

// Parses the text form in the classic locale into the text-form fields of data that the scope
// covers (fit kind, force origin, unit, chi-square, SSE, coefficients; with Full also the raw
// and calibrated values, the range policy and the zero offset, which default to Extrapolate
// and 0 when the text ends before them). Other fields are not touched. A range policy outside
// 0..2 is Rejected.
//
// Fields are blank-delimited tokens read in order, except the unit name: after the force
// origin one tab is skipped and the name runs to the next tab (at most 1023 characters);
// every double quote is removed from it. "INVALID_UNIT" gives the empty unit (0, prefix 1,
// no name), any other name (0, prefix 8, name). A token that is not entirely a number of its
// field's kind (or a double out of range) stops the parse: the fields not reached keep their
// defaults (kind 0, no force origin, the empty unit, 0, empty vectors), and a vector whose
// count was read keeps that length with 0 for every value not read.
//
// Rejected (data untouched): a fit kind outside 0..7, or a count that is negative, out of the
// 32-bit range, or larger than the rest of the text could hold: every value takes at least
// two characters (a digit and its tab), so m coefficients need 2m characters after the count
// and n points (n raw and n calibrated values) 4n.
SettingsTextStatus ParseSettingsText(std::u16string_view text, SettingsTextScope scope, CalibrationData& data);

}  // namespace Tessar
