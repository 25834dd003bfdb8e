// The fit report's texts about a fitted calibration: the fit-type line, the equation and the
// statistics line. The report dialog shows them, the report image and printout draw them, and
// the automation interface hands them to the host's command line, so every user shows the
// same characters.
//
// Numbers are written by a wide stream in its default state (six significant digits in the
// notation of printf's %g, integers in plain decimal) with the classic locale, so the texts
// do not depend on the user's number format. "²" is U+00B2.
#pragma once

#include <ostream>
#include <vector>

#include "calibration/calibration_data.h"
#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"

namespace Tessar {

// Appends one number of an equation to os: with withSign, " - " for v < 0 and otherwise
// " + " (zero and NaN take " + "), then |v| in the stream's notation; without it, |v| alone.
// The caller asks for the sign whenever the number is negative, so no minus sign is lost.
void WriteTerm(std::wostream& os, double v, bool withSign);

// The record's coefficients as those of the curve in the displayed units: raw values x in
// sourceUnit with its prefix, calibrated values y in the record's unit with its prefix (the
// stored coefficients are in base units). Polynomial c_k becomes c_k 10^(k ex - ey), ex and ey
// the prefixes' exponents; the logarithmic c0 takes c1 ex ln 10 (ln of a prefixed x is shifted)
// and both are over 10^ey; the exponential rate is times 10^ex and its amplitude over 10^ey.
// Point to point and unknown kinds keep their coefficients. Computed in long double; with no
// prefixes the coefficients are returned exactly.
std::vector<double> DisplayCoefficients(const CalibrationData& data, const KVI::UnitInfo& sourceUnit);

// The same conversion as a matrix J (coefficient count squared, row-major): it is linear, the
// displayed coefficients being J c; the identity with no prefixes. What carries a covariance
// of the stored coefficients to the displayed ones (J C J^T).
std::vector<long double> DisplayMatrix(const CalibrationData& data, const KVI::UnitInfo& sourceUnit);

// The equation of the record's fit in the displayed units (DisplayCoefficients), "y = "
// followed by:
//   kinds 0..4  every coefficient from the highest power down: the leading one with its sign
//               only when negative, each following one with " + " or " - "; "x" after the
//               coefficient of x^1 and "x^k" after that of x^k, k >= 2 (zero coefficients
//               included): y = 0.5x^2 - 2.5x + 1, y =  - 2x + 1;
//   kind 5      c1 " ln(x)" then c0 with its sign: y = 2.5 ln(x) + 1.2;
//   kind 6      c1 " exp(" c0 "x)": y = 2 exp( - 0.3x);
//   kind 7      string 276 ("Linear interpolation between calibration points").
// An empty coefficient list, fewer than two coefficients for kinds 5 and 6, or a kind outside
// 0..7 leave "y = ". A polynomial list longer than its kind implies is written whole.
KVI::String FormatEquation(const CalibrationData& data, const KVI::UnitInfo& sourceUnit);

// The units of the equation: "x in " the source unit's text, ", ", "y in " the record's unit
// text ("x in mV, y in kPa"); a side without a unit name is left out, and with neither the
// text is empty (the equation is then in whatever units the numbers were typed).
KVI::String UnitsLine(const CalibrationData& data, const KVI::UnitInfo& sourceUnit);

// The statistics line: empty for kind 7; otherwise "Chi² = " chi-square, three blanks,
// "SSE = " SSE, and for kind 0 without force origin a tab, "r² = " and r * r, r being
// CorrelationCoefficient of the raw and calibrated values. Non-finite values are written as
// the stream writes them ("nan", "inf").
KVI::String FormatStatistics(const CalibrationData& data);

// The fit-type line: the long name of the record's fit kind (string 257 + kind); empty for a
// kind outside 0..7.
KVI::String FitTypeLine(const CalibrationData& data);

}  // namespace Tessar
