// The fitting operations on a calibration record: whether it has enough points for its fit
// kind, the fit itself, and the statistics the fit report shows.
//
// The callers show the messages: HasEnoughPoints false -> string 275; FitCalibration false ->
// string 273 (the dialog rejects a repeated raw value, string 277, before either).
#pragma once

#include <cstddef>
#include <vector>

#include "calibration/calibration_data.h"
#include "calibration/fit_diagnostics.h"

namespace Tessar {

// The standard deviations the least-squares fits weigh the points with: empty (every point
// alike) unless the record asks for PointWeights::InverseVariance and keeps a provenance for
// every point; then SD_i for a point taken from the selection with a positive, finite SD, and
// the median of those SDs for every other point (empty again when no point has one).
std::vector<double> PointSigmas(const CalibrationData& data);

// True when fitKind_ is 0..7 and rawValues_ and calibratedValues_ each hold at least the
// fewest points of the kind (FewestPoints in fit_kind.h).
bool HasEnoughPoints(const CalibrationData& data);

// Fits by data.fitKind_ (weighted by PointSigmas; the chi-square is then the weighted sum, the
// SSE stays unweighted) and stores coefficients_ and chiSquare_, then always recomputes sse_
// (ComputeSse). Kinds 0..4 fit the polynomial of order kind + 1 honouring forceOrigin_, 5 the
// logarithmic, 6 the exponential curve; 7 stores the points as x0, y0, x1, y1, ... sorted by
// raw value with chi-square 0. Returns the fit's success; after a failure the fit members are
// meaningless and the record must not be accepted.
// Fails: a kind outside 0..7 (nothing fitted), raw and calibrated vectors of different lengths,
// fewer points than coefficients, a non-finite value, no convergence, a coefficient that is
// not finite, a calibrated value <= 0 (exponential), a raw value <= 0 (logarithmic), a
// repeated raw value (point to point).
// Also fails when a coefficient, the chi-square or the SSE is not finite, and when the stored
// coefficients cannot carry the fit (FitFailure::CannotCarry, curve_fit.h).
// [out] diagnostics (may be null): why it failed, and the conditioning of a least-squares fit.
// Does not check HasEnoughPoints; callers do that first to show the right message.
bool FitCalibration(CalibrationData& data, FitDiagnostics* diagnostics = nullptr);

// Stores in data.sse_, and returns the number of points used:
//   SSE = sum_i (y_i - F(x_i))^2
// over the first min(raw, calibrated) points, F being the record's function evaluated by the
// evaluator of its kind (F(x) = x for a kind outside 0..7, or when the coefficients are too
// few for the evaluator).
std::size_t ComputeSse(CalibrationData& data);

// Pearson's r over the first n = min(x.size(), y.size()) points:
//   r = sum (x_i - mx)(y_i - my) / sqrt(sum (x_i - mx)^2 * sum (y_i - my)^2).
// NaN when n is 0 or either set of values is constant. The report shows r * r as r^2.
double CorrelationCoefficient(const std::vector<double>& x, const std::vector<double>& y);

}  // namespace Tessar
