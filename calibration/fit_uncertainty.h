// Tessar::FitUncertainty: how far a least-squares calibration can be off, from its points
// alone: the residual standard deviation, the standard errors of the stored coefficients and
// the 95 % prediction interval of a new calibrated value at any raw value.
//
// With n points, p fitted coefficients (the rank of the design matrix: the coefficients of the
// kind, less c0 under force origin, less any singular value cut) and nu = n - p degrees of
// freedom, all in the kind's fitted space (fitted_space.h: ln y for the exponential):
//   s      = sqrt(chi2 / nu), chi2 the weighted sum of squared residuals;
//   Cov(c) = s^2 M Q M^T, Q = (A^T A)^+ of the decomposition (never formed from A^T A), A the
//            design matrix in the scaled variable with rows over sigma, M the map from the
//            scaled coefficients to the stored powers of t;
//   band   = z(t0) +- t(0.975, nu) s sqrt(sigma0^2 + g^T Q g), g the scaled basis at t0.
// The weights 1/sigma^2 enter every formula through A; the residual variance scales them, so
// sigma only needs to be right in proportion (sigma0, the standard deviation of a new value in
// the same proportion, is 1 unless given). With every sigma 1 these are the textbook formulas.
//
// The exponential kind's amplitude c1 = e^a takes the first-order error c1 * SE(a); its
// interval is [y e^-h, y e^h] in calibrated values, not symmetric, and its half-width is half
// that interval's width. The logarithmic kind's interval is the fit's at t0 = ln x0.
//
// With nu = 0 the curve interpolates its points: s, the standard errors and the interval are
// NaN (the report then asks for more points).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "calibration/calibration_data.h"
#include "calibration/scaled_polynomial_fit.h"

namespace Tessar {

// The probability the prediction intervals cover.
inline constexpr double kPredictionCoverage = 0.95;

// Student's t quantile t(q, nu) for nu >= 1 degrees of freedom; NaN for nu < 1 or q outside
// (0, 1).
double StudentQuantile(double q, int32_t nu);

struct PredictionInterval {
    double fitted = 0;     // the calibrated value of the curve at the raw value
    double lower = 0;      // the interval, calibrated values in base units
    double upper = 0;
    double halfWidth = 0;  // (upper - lower) / 2
};

class FitUncertainty {
public:
    // Refits the record's points by its kind and force-origin flag as FitCalibration does
    // (the stored coefficients stay those of the record, which the band surrounds).
    // [in] sigma: the calibrated values' standard deviations (n values > 0), or empty for 1
    // each. Returns false, and the object is unusable, for point to point, a kind outside
    // 0..6, or points the kind cannot fit.
    bool Build(const CalibrationData& data, std::span<const double> sigma = {});

    int32_t Points() const { return points_; }
    int32_t Parameters() const { return parameters_; }
    int32_t DegreesOfFreedom() const { return points_ - parameters_; }
    // s in the fitted space (calibrated base units; ln y for the exponential); NaN for nu = 0.
    double ResidualStandardDeviation() const { return s_; }
    // t(0.975, nu); NaN for nu = 0.
    double StudentT() const { return studentT_; }

    // The covariance of the stored coefficients, coefficient count squared, row-major
    // (zero row and column for c0 under force origin); NaN for nu = 0.
    const std::vector<double>& Covariance() const { return covariance_; }
    // The square roots of its diagonal, in stored order.
    std::vector<double> StandardErrors() const;

    // The interval at one raw value x0 (base units). [in] sigma0: the standard deviation of a
    // new calibrated value at x0, in the proportion of the fit's sigma. Every field but fitted
    // is NaN for nu = 0, and all are NaN where the kind has no value (x0 <= 0 logarithmic,
    // x0 NaN).
    PredictionInterval At(double x0, double sigma0 = 1.0) const;

    // The half-widths of At(x, 1) for many raw values, in double precision throughout: what a
    // calibrated recording's band column needs for every sample. raw and out have the same
    // length (they may be the same span).
    void HalfWidths(std::span<const double> raw, std::span<double> out) const;

    // The leverage of point i (in the record's order): the hat matrix's diagonal.
    double Leverage(std::size_t i) const { return fit_.Decomposition().Leverage(i); }
    // The fitted space's P(t) of the record's coefficients (fitted_space.h).
    const std::vector<long double>& Polynomial() const { return polynomial_; }
    const ScaledPolynomialFit& Fit() const { return fit_; }

private:
    int32_t kind_ = -1;
    int32_t points_ = 0;
    int32_t parameters_ = 0;
    double s_ = 0;
    double studentT_ = 0;
    ScaledPolynomialFit fit_;
    std::vector<long double> polynomial_;
    std::vector<double> covariance_;
};

}  // namespace Tessar
