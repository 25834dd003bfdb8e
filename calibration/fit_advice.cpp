#include "calibration/fit_advice.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "calibration/curve_fit.h"
#include "calibration/fitted_space.h"
#include "calibration/scaled_polynomial_fit.h"

namespace Tessar {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// A leverage this close to 1 (1 - h_ii below this) leaves the point's own coefficient
// undetermined without it.
constexpr long double kLeftOutLimit = 1e-10L;

double Weight(std::span<const double> sigma, std::size_t i) { return sigma.empty() ? 1.0 : sigma[i]; }

// PRESS of a least-squares kind from one fit: the hat matrix gives every left-out prediction.
double LeastSquaresPress(const CalibrationData& data, int32_t kind, std::span<const double> sigma)
{
    ScaledPolynomialFit fit;
    if (FitInFittedSpace(kind, data.forceOrigin_, data.rawValues_, data.calibratedValues_, sigma, fit) !=
        FitFailure::None)
        return kNaN;
    const LeastSquaresDecomposition& d = fit.Decomposition();
    if (static_cast<int>(fit.PointCount()) - d.Rank() < 1)
        return kNaN;
    const std::vector<long double> shares = fit.LeftOutShares();
    const std::vector<long double> residuals = fit.ScaledResiduals();
    long double press = 0;
    for (std::size_t i = 0; i < fit.PointCount(); ++i) {
        if (!(shares[i] > kLeftOutLimit))
            return kNaN;
        const long double z = FittedOrdinate(kind, data.calibratedValues_[i]);
        const long double leftOut = z - residuals[i] * Weight(sigma, i) / shares[i];
        const long double e = (data.calibratedValues_[i] - CurveOrdinate(kind, leftOut)) / Weight(sigma, i);
        press += e * e;
    }
    return std::isfinite(press) ? static_cast<double>(press) : kNaN;
}

// PRESS of point to point: each point against the line through its neighbours (the end
// segment's line for the first and the last point).
double PointToPointPress(const CalibrationData& data, std::span<const double> sigma)
{
    const std::vector<double>& x = data.rawValues_;
    const std::vector<double>& y = data.calibratedValues_;
    const std::size_t n = x.size();
    if (n < 3 || y.size() != n)
        return kNaN;
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return x[a] < x[b]; });
    for (std::size_t k = 0; k < n; ++k) {
        if (!std::isfinite(x[order[k]]) || !std::isfinite(y[order[k]]) || (k > 0 && x[order[k]] == x[order[k - 1]]))
            return kNaN;  // no segment, or a repeated raw value (which point to point refuses)
    }
    long double press = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t a = order[k == 0 ? 1 : k == n - 1 ? n - 3 : k - 1];
        const std::size_t b = order[k == 0 ? 2 : k == n - 1 ? n - 2 : k + 1];
        const std::size_t i = order[k];
        const long double slope = (static_cast<long double>(y[b]) - y[a]) / (static_cast<long double>(x[b]) - x[a]);
        const long double predicted = y[a] + slope * (static_cast<long double>(x[i]) - x[a]);
        const long double e = (y[i] - predicted) / Weight(sigma, i);
        press += e * e;
    }
    return std::isfinite(press) ? static_cast<double>(press) : kNaN;
}

}  // namespace

int32_t CoefficientCount(int32_t kind, std::size_t points)
{
    if (kind == static_cast<int32_t>(FitKind::PointToPoint))
        return static_cast<int32_t>(2 * points);
    return IsLeastSquaresKind(kind) ? FittedDegree(kind) + 1 : 0;
}

FitAdvice AdviseFitKind(const CalibrationData& data, std::span<const double> sigma)
{
    FitAdvice advice;
    const std::size_t n = data.rawValues_.size();
    for (int32_t kind = 0; kind < kFitKindCount; ++kind) {
        advice.press[static_cast<std::size_t>(kind)] = IsLeastSquaresKind(kind) ? LeastSquaresPress(data, kind, sigma)
                                                                                : PointToPointPress(data, sigma);
        const double press = advice.press[static_cast<std::size_t>(kind)];
        if (!std::isnan(press) && (advice.best < 0 || press < advice.press[static_cast<std::size_t>(advice.best)]))
            advice.best = kind;
    }
    if (advice.best < 0)
        return advice;
    const double best = advice.press[static_cast<std::size_t>(advice.best)];
    const int32_t bestCount = CoefficientCount(advice.best, n);
    for (int32_t kind = 0; kind < kFitKindCount; ++kind) {
        const double press = advice.press[static_cast<std::size_t>(kind)];
        const int32_t count = CoefficientCount(kind, n);
        if (std::isnan(press) || count >= bestCount || press > best * (1 + kSimplerKindMargin))
            continue;
        if (advice.simpler < 0) {
            advice.simpler = kind;
            continue;
        }
        const int32_t chosenCount = CoefficientCount(advice.simpler, n);
        if (count < chosenCount ||
            (count == chosenCount && press < advice.press[static_cast<std::size_t>(advice.simpler)]))
            advice.simpler = kind;
    }
    return advice;
}

}  // namespace Tessar
