// The fit report's numbers: values in display units, the axis ranges around the reference
// points, the graph's six columns (curve samples and points), the report table's three columns,
// and the read-out texts. No widgets: the report dialog and its graph window fill their
// tabulated data through these, and tests check them without a display.
//
// Display units. Every value the report shows is expressed in the prefixed unit of its
// quantity: a raw value in the source unit's prefix, a calibrated value in the calibration's
// unit prefix (CalibrationData::unit_). The value is normalised to a mantissa and an exponent
// that is a multiple of three (KVI::UnitValue) and the mantissa scaled by 10^(exponent - e),
// e being the decimal exponent of the prefix (prefix_table.h).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "calibration/calibration_data.h"
#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"
#include "guilib/table/tabulated_data_interfaces.h"

namespace Tessar {

// [in] value in base units; prefixIndex: the prefix of the unit it is shown in (0..14; any
// other index counts as no prefix). Result: the value in that prefixed unit (0.0125 with the
// milli prefix gives 12.5). Values that are not finite pass through.
double DisplayValue(double value, int32_t prefixIndex);
// The inverse: a value in the prefixed unit back to base units.
double BaseValue(double display, int32_t prefixIndex);

// An axis range as the scales take it.
struct AxisRange {
    double upper = 1;
    double lower = 0;
};

// The smallest half-span of an axis.
inline constexpr double kMinHalfSpan = 1e-21;
// Half-spans below this share of the centre cannot be told apart by the scales (they refuse a
// range narrower than 1e-12 of its ends), so they widen to it.
inline constexpr double kMinRelativeHalfSpan = 1e-9;

// The range of an axis that shows values (base units) in the unit of prefixIndex: centre
// c = (max + min) / 2 and half-span h = |max - min| / 2, but at least kMinHalfSpan and at
// least kMinRelativeHalfSpan * |c|; then c +- 1.5 h, in display units. The values thus fill
// the middle two thirds of the axis. No values: the range (1, 0).
AxisRange PointsAxisRange(const std::vector<double>& values, int32_t prefixIndex);

// Titles of the graph's columns 0 and 2 ("Raw Values") and 1 and 3 ("Fitted Values"), of the
// band's ("Lower 95 %", "Upper 95 %") and of the residuals ("Residuals"); the table's fitted and
// residual columns are named "Fitted" and "Residual", the points' standard deviations "SD".
extern const char16_t kRawValuesTitle[];
extern const char16_t kFittedValuesTitle[];
extern const char16_t kLowerBandTitle[];
extern const char16_t kUpperBandTitle[];
extern const char16_t kResidualsTitle[];
extern const char16_t kFittedColumnName[];
extern const char16_t kResidualColumnName[];
extern const char16_t kStandardDeviationColumnName[];

// The graph's columns (FillGraphColumns).
enum GraphColumn : int32_t {
    kCurveX = 0,
    kCurveY = 1,
    kPointX = 2,
    kPointY = 3,
    kMarkerX = 4,
    kMarkerY = 5,
    kBandX = 6,  // the 95 % prediction band: its raw values and its two edges
    kBandLower = 7,
    kBandUpper = 8,
    kResidualX = 9,  // the residual strip: the points' raw values and residuals, and its zero line
    kResidualY = 10,
    kZeroX = 11,
    kZeroY = 12,
    kGraphColumnCount = 13,
};

// The smallest half-span of the residual strip's axis, as a share of the calibrated points'
// half-span: below it residuals are the rounding of an exact fit (the stored coefficients may
// miss by 1e-6 of the range, fit_diagnostics.h).
inline constexpr double kMinResidualShare = 1e-6;

// The number of samples of the fitted curve.
inline constexpr int32_t kCurveSamples = 101;

// The fitted curve over [lower, upper) of the raw axis (base units): kCurveSamples samples
// x = lower + i * step, step = (upper - lower) / 101 held in single precision, each paired with
// the record's function at x (the evaluator of its kind); a point to point fit also gets every
// reference point, so that its corners lie exactly at the points. Keys and values are in
// display units (x in sourcePrefix, y in the calibrated unit's prefix); a later entry with an
// equal key replaces the earlier. A function that cannot be evaluated there gives NaN.
std::map<float, float> CurveSamples(const CalibrationData& data, double lower, double upper, int32_t sourcePrefix);

// The raw values (base units) the curve is sampled at: lower + i * step, i = 0 .. 100.
std::vector<double> CurveAbscissae(double lower, double upper);

// The 95 % prediction band at the curve's sample positions (CurveAbscissae), in display units:
// x, the lower and the upper edge (FitUncertainty::At). Empty when the record has no band (point
// to point, no degree of freedom left, points that no longer fit) or when the band is nowhere
// wider than kMinResidualShare of the calibrated points' half-span (an exact fit, where it would
// only cover the curve); an edge the kind has no value for (x <= 0 logarithmic) is NaN.
struct BandSample {
    float x = 0;
    float lower = 0;
    float upper = 0;
};
std::vector<BandSample> BandSamples(const CalibrationData& data, double lower, double upper, int32_t sourcePrefix);

// The calibration function at each point's raw value (the evaluator of its kind, double
// precision; NaN where it has none), and calibrated - fitted, in base units, point by point.
std::vector<double> FittedValues(const CalibrationData& data);
std::vector<double> Residuals(const CalibrationData& data);

// The residual strip's range, symmetric about zero: 1.5 times the largest |residual|, but at
// least kMinResidualShare of the calibrated points' half-span (and kMinHalfSpan), in the
// calibrated unit's display units.
AxisRange ResidualAxisRange(const CalibrationData& data);

// Refills the graph's columns (GraphColumn; one update, then the pending changes are sent):
//   0 "Raw Values" (source unit text)  1 "Fitted Values" (calibrated unit text): the curve,
//     in increasing x, over the raw range [lower, upper) (base units);
//   2 "Raw Values" (source unit text)  3 "Fitted Values" (calibrated unit text): the points;
//   4 and 5, no title or unit: the points again (the numbered markers);
//   6 "Raw Values", 7 "Lower 95 %", 8 "Upper 95 %": the prediction band (BandSamples; empty
//     when there is none);
//   9 "Raw Values", 10 "Residuals": each point's raw value and residual;
//   11 and 12, no title: the residual strip's zero line, (lower, 0) and (upper, 0).
// Unit texts carry their prefix letters; every value is in display units.
void FillGraphColumns(ITabulatedData& table, const CalibrationData& data, const KVI::UnitInfo& sourceUnit,
                      double lower, double upper);

// Each point's standard deviation as its provenance keeps it (a measured point with a finite SD),
// in base units of the raw values; NaN for a point without one. Empty when no point has one.
std::vector<double> PointStandardDeviations(const CalibrationData& data);

// Refills the report table's five columns (one update, then the pending changes are sent):
// column 0 (no title) the point number 1, 2, ...; column 1 titled with the source unit text,
// the raw values; column 2 titled with the calibrated unit text, the calibrated values;
// column 3 "Fitted" the fitted values and 4 "Residual" the residuals (FittedValues,
// Residuals, a value within 1e-12 of the largest calibrated value's magnitude of zero shown as
// 0: an exact fit's rounding); in display units. With force origin on a polynomial kind one more
// row holds 0
// and 0 in columns 1 and 2, with no point number, fitted value or residual. Result: that row's index in the table grid's numbering (the heading is row 0),
// to be drawn marked; nothing when there is no such row.
// When any point has a standard deviation (PointStandardDeviations) a sixth column "SD" holds
// them in the raw values' display units, empty (NaN) for a point without one.
std::optional<int32_t> FillReportTable(ITabulatedData& table, const CalibrationData& data,
                                       const KVI::UnitInfo& sourceUnit);

// A read-out's number: value (display units) with unit (a column's unit text, prefix letter
// included) in fixed notation with decimals decimals (cut to 0..15): when unit is one of the
// known unit names (KVI::KnownUnitNames), the normalised mantissa, a blank, the prefix letter
// (none for exponent 0) and the unit ("500.000 mV" for 0.5 V); for another unit text the whole
// value, a blank and the text ("0.500 mV"); without a unit the whole value alone.
KVI::String FormatReadOutValue(double value, const KVI::String& unit, int32_t decimals);

}  // namespace Tessar
