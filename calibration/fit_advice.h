// Tessar::AdviseFitKind: which fit kind the reference points support best, by the
// leave-one-out prediction error of every kind they allow.
//
// PRESS of a kind = sum_i ((y_i - y_(-i)) / sigma_i)^2, y_(-i) the calibrated value at x_i of
// the kind's curve fitted to the points without point i. For the least-squares kinds it comes
// from one fit, without refits: in the fitted space the left-out prediction is
// z_i - e_i / (1 - h_ii) (e_i the residual, h_ii the leverage), mapped to a calibrated value
// through the curve (e^z for the exponential), so every kind is judged on calibrated values.
// For point to point, y_(-i) is the interpolation (or the end segment's extrapolation) of the
// other points.
//
// A kind is compared when the points allow it: it fits them, leaves at least one degree of
// freedom (point to point: three distinct raw values), and no point alone determines a
// coefficient (every leverage below 1). The polynomial kinds are fitted with the record's
// force-origin flag.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "calibration/calibration_data.h"
#include "calibration/fit_kind.h"

namespace Tessar {

// A kind with fewer coefficients is noted when its PRESS is at most this much above the
// best one's.
inline constexpr double kSimplerKindMargin = 0.10;

struct FitAdvice {
    // PRESS of each kind by kind number; NaN for a kind not compared.
    std::array<double, kFitKindCount> press{};
    // The kind with the lowest PRESS; -1 when no kind could be compared.
    int32_t best = -1;
    // The kind with the fewest coefficients (then the lowest PRESS) that has fewer coefficients
    // than best and a PRESS within kSimplerKindMargin of best's; -1 when none.
    int32_t simpler = -1;
};

// [in] data: the reference points, and the force-origin flag for the polynomial kinds (its
// kind and coefficients are not used); sigma: the calibrated values' standard deviations, or
// empty for 1 each.
FitAdvice AdviseFitKind(const CalibrationData& data, std::span<const double> sigma = {});

// The number of coefficients the kind has for n points (point to point: 2 n), the measure of
// how simple a kind is.
int32_t CoefficientCount(int32_t kind, std::size_t points);

}  // namespace Tessar
