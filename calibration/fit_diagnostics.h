// What a least-squares fit reports beyond its coefficients: why it failed, and how well the
// points determine it.
#pragma once

#include <cstdint>

namespace Tessar {

enum class FitFailure : int32_t {
    None = 0,
    // The points cannot be fitted by the kind: raw and calibrated values of different lengths,
    // fewer points than coefficients, a value that is not finite, a raw value <= 0
    // (logarithmic), a calibrated value <= 0 (exponential), a repeated raw value (point to
    // point), a kind outside 0..7.
    Refused = 1,
    // The singular value decomposition did not converge.
    NoConvergence = 2,
    // A coefficient, the chi-square or the SSE is not finite: the values overflow double
    // precision.
    NotFinite = 3,
    // The stored coefficients, evaluated as the evaluators evaluate them, miss the fitted
    // values of the scaled solve by more than kCarryTolerance of the calibrated values' range,
    // or their terms cancel so far that rounding one of them alone could (half an ulp of
    // sum_k |c_k x^k| beyond the tolerance at a point): the raw values are so close together
    // (beside their distance from zero) that no polynomial in powers of x held in doubles can
    // carry the fit. The second test catches points that happen to come out exact (two raw
    // values one ulp apart) while every sample between and around them would not.
    CannotCarry = 4,
};

// The largest miss of the stored coefficients allowed, as a fraction of the calibrated
// values' range.
inline constexpr double kCarryTolerance = 1e-6;

struct FitDiagnostics {
    FitFailure failure = FitFailure::None;
    // The 2-norm condition number of the design matrix in the scaled variable with equilibrated
    // columns (infinity when it is singular); 0 when no least-squares fit was made (point to
    // point, or a fit refused before its decomposition).
    double conditionNumber = 0;
    // Singular values set to zero by the 1e-10 rule: when any, the fit is not unique and the
    // minimum-norm solution was taken.
    int32_t singularValuesCut = 0;
};

}  // namespace Tessar
