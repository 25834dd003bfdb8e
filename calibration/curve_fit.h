// Tessar::CCurveFit: linear least-squares fitting of the calibration functions to reference
// points (raw value x, calibrated value y).
//
// Every fit first resizes the coefficient vector to the number of coefficients of its kind
// (new entries 0.0), then fits, and returns true on success with the chi-square
// sum_i ((y_i - F(x_i)) / sigma_i)^2 (sigma_i = 1 for every point unless given; not divided by
// the degrees of freedom).
// On failure the coefficients and chi-square are meaningless.
//
// Failures common to every fit: x and y of different lengths; fewer points than coefficients;
// a value that makes the design matrix or right-hand side non-finite (a NaN or infinite point,
// a logarithm of x <= 0 or y <= 0); no convergence of the decomposition; a coefficient that is
// not finite.
//
// NOTE: the polynomial, logarithmic and exponential fits are solved in a scaled variable and
// refined in the stored basis (scaled_polynomial_fit.h), so points far from zero or spread
// over decades keep their digits; FitLinearModel's columns are scaled to unit Euclidean norm
// before the decomposition, so the singular-value threshold compares like with like. An
// all-zero column (the constant term under force origin) gets exactly 0.
//
// Beyond the failures above, the three named fits fail when a coefficient or the chi-square is
// not finite, and when the stored coefficients, evaluated as the evaluators evaluate them
// (the logarithm and the exponential in double precision), miss the fitted values of the
// scaled solve by more than kCarryTolerance of the calibrated values' range (FitFailure in
// fit_diagnostics.h says which). Each takes optional standard deviations sigma (n values > 0;
// empty: 1 for every point) and fills diagnostics when given.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "calibration/fit_diagnostics.h"
#include "calibration/least_squares_decomposition.h"
#include "calibration/scaled_polynomial_fit.h"

namespace Tessar {

class CCurveFit {
public:
    // Fills X_1(x)..X_m(x) (values.size() == m) for one raw value x.
    using BasisFunction = std::function<void(double x, std::span<double> values)>;

    // Singular values below this factor times the largest one are treated as zero.
    static constexpr double kSingularValueThreshold = LeastSquaresDecomposition::kSingularValueThreshold;

    CCurveFit() = default;
    virtual ~CCurveFit() = default;

    // y = c0 + c1 x + ... + c_order x^order.
    //   order          [in]  1..5 (anything else fails and leaves coefficients untouched)
    //   x, y           [in]  raw and calibrated values, same length, at least order + 1 points
    //   coefficients   [out] order + 1 values, constant term first
    //   chiSquare      [out]
    //   forceOrigin    [in]  the constant basis function is 0 instead of 1, so c0 is exactly 0
    //                        and the curve passes through the origin
    bool PolynomialFit(int order, const std::vector<double>& x, const std::vector<double>& y,
                       std::vector<double>& coefficients, double& chiSquare, bool forceOrigin,
                       std::span<const double> sigma = {}, FitDiagnostics* diagnostics = nullptr) const;

    // y = c0 + c1 ln x; 2 coefficients. Any x <= 0 fails.
    bool LogarithmicFit(const std::vector<double>& x, const std::vector<double>& y,
                        std::vector<double>& coefficients, double& chiSquare, std::span<const double> sigma = {},
                        FitDiagnostics* diagnostics = nullptr) const;

    // y = c1 exp(c0 x) (c0 = rate, c1 = amplitude), fitted as ln y = ln c1 + c0 x; 2
    // coefficients. Any y that is not > 0 fails. chiSquare is that of the fit of ln y.
    bool ExponentialFit(const std::vector<double>& x, const std::vector<double>& y,
                        std::vector<double>& coefficients, double& chiSquare, std::span<const double> sigma = {},
                        FitDiagnostics* diagnostics = nullptr) const;

    // General linear least squares: the a (a.size() == m basis functions) minimising
    // sum_i ((y_i - sum_j a_j X_j(x_i)) / sigma_i)^2, by singular value decomposition of the
    // column-equilibrated design matrix with the kSingularValueThreshold cut.
    //   x, y, sigma [in]  n values each (n >= m, sigma_i > 0)
    //   a           [out] m coefficients
    //   chiSquare   [out] the minimised sum
    //   basis       [in]  fills the m basis values for one x
    // Fails as listed at the top of this header.
    bool FitLinearModel(std::span<const double> x, std::span<const double> y,
                        std::span<const double> sigma, std::span<double> a, double& chiSquare,
                        const BasisFunction& basis) const;
};

// True when no value of the range is NaN.
bool ContainsNoNaN(std::span<const double> values);

// The scaled fit of a least-squares kind (0..6) in its fitted space (fitted_space.h): the
// points' t and z, then ScaledPolynomialFit::Fit with the kind's degree and constant term
// (none for a polynomial under forceOrigin). [in] x, y, sigma: as for the fits above.
// Refused for another kind, x and y of different lengths, and a point without t or z (x <= 0
// logarithmic, y <= 0 exponential, NaN); otherwise ScaledPolynomialFit::Fit's result. The
// fits above and the uncertainty of a fit (fit_uncertainty.h) start here.
FitFailure FitInFittedSpace(int32_t kind, bool forceOrigin, const std::vector<double>& x,
                            const std::vector<double>& y, std::span<const double> sigma, ScaledPolynomialFit& fit);

}  // namespace Tessar
