// The calibration functions applied to blocks of raw samples, in place.
//
// Each evaluator transforms the contiguous range [first, last) of doubles (raw value in,
// calibrated value out) with a coefficient vector laid out as FitKind describes. It returns
// false, leaving the range untouched, when the vector is too short for the function. None of
// them throws or allocates per sample (the point-to-point segment table is built once per call,
// inside the call for up to 12 points, in one allocation for more), and a NaN raw value gives a
// NaN result.
//
// The work is done by vector kernels compiled for several instruction sets, the widest the
// processor has chosen at run time (polynomial_kernel.h, logarithmic_kernel.h,
// exponential_kernel.h, point_to_point_kernel.h). Results do not depend on the processor: the
// polynomial and point-to-point kernels perform the defined IEEE operations in every variant
// (no fused multiply-add), the logarithm is exact; only the exponential's doubles may differ in
// their last places between processors with and without fused multiply-add, never their float
// rounding.
#pragma once

#include <cstdint>
#include <vector>

namespace Tessar {

// Polynomial by Horner's rule from the highest coefficient down: v = c_n, then v = v x + c_k
// for k = n - 1 down to 0. Needs at least 1 coefficient (kinds 0..4).
bool EvaluatePolynomial(const std::vector<double>& coefficients, double* first, double* last) noexcept;

// y = c0 + c1 L with L = (float)log((double)(float)x): x is rounded to single precision, its
// natural logarithm is rounded to single precision (the correctly rounded float of the
// double-precision logarithm; logf differs from it on many inputs), and the product and sum
// are done in double. x <= 0 and NaN give the quiet NaN with high word 0x7FF86000 and low
// word 0 (kLogarithmicNaN). Needs at least 2 coefficients.
bool EvaluateLogarithmic(double* first, const std::vector<double>& coefficients, double* last) noexcept;

// y = c1 exp(c0 x) (c0 = rate, c1 = amplitude), no range check: overflow gives infinity,
// underflow 0. Rounded to float, y is exactly (float)(c1 * std::exp(c0 * x)), so the calibrated
// channel's samples are those of the library exponential; the double itself is within 4 units
// in the last place of it (measured: 2), because matching std::exp bit for bit would take its
// own algorithm rather than a vector one (exponential_kernel.h). Needs at least 2 coefficients.
bool EvaluateExponential(double* first, const std::vector<double>& coefficients, double* last) noexcept;

// Linear interpolation between the points (x0, y0), (x1, y1), ... stored as
// x0, y0, x1, y1, ... (p = size / 2 points, s = p - 1 segments; an odd last value is
// ignored). Segment i is the GUILib::Graticule through points i and i + 1. A value x < x0
// uses segment 0; x >= x_{s-1} the last segment (both extrapolate); otherwise the segment i
// with x_i <= x < x_{i+1} (the first such one when the table is not sorted). A value matching
// none of these (NaN) is left unchanged. A segment whose x pair is not strictly increasing keeps
// the x pair (0, 1) of a new Graticule. Needs at least 4 values (2 points).
bool EvaluatePointToPoint(const std::vector<double>& coefficients, double* first, double* last) noexcept;

// The evaluator of a fit kind as the sample enumerators use it: 5 logarithmic, 6 exponential,
// 7 point to point, every other value the polynomial.
bool EvaluateCalibration(int32_t fitKind, const std::vector<double>& coefficients, double* first,
                         double* last) noexcept;

// The same for float samples, as the calculated channel holds them: each sample widened to
// double, evaluated, and rounded to float (to nearest), in one pass; the results are bit for
// bit those of widening the block, evaluating it, and narrowing it back.
bool EvaluateCalibration(int32_t fitKind, const std::vector<double>& coefficients, float* first,
                         float* last) noexcept;

// Bit pattern of the logarithmic evaluator's NaN.
inline constexpr uint64_t kLogarithmicNaNBits = 0x7FF8600000000000ULL;

}  // namespace Tessar
