#include "calibration/curve_fit.h"

#include <algorithm>
#include <cmath>

#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"
#include "calibration/fitted_space.h"
#include "calibration/scaled_polynomial_fit.h"

namespace Tessar {

namespace {

constexpr int kMaxPolynomialOrder = 5;

bool AllFinite(std::span<const double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

std::vector<long double> Widened(const std::vector<double>& values)
{
    return std::vector<long double>(values.begin(), values.end());
}

// The fraction of the calibrated values' range that the stored coefficients may miss, as an
// absolute value; when every calibrated value is the same, their magnitude stands in.
double CarryTolerance(const std::vector<double>& y)
{
    const auto [low, high] = std::minmax_element(y.begin(), y.end());
    double range = *high - *low;
    if (!(range > 0))
        range = std::max(std::fabs(*low), std::fabs(*high));
    return kCarryTolerance * range;
}

// The largest |stored_i - fitted_i|: stored the calibrated values the stored coefficients give
// at the points, fitted those of the scaled solve.
double LargestMiss(const std::vector<double>& stored, const std::vector<long double>& fitted)
{
    long double miss = 0;
    for (std::size_t i = 0; i < stored.size(); ++i)
        miss = std::max(miss, std::fabs(static_cast<long double>(stored[i]) - fitted[i]));
    return static_cast<double>(miss);
}

// Records what a fit ends with and passes its success on.
bool Finish(FitFailure failure, const ScaledPolynomialFit* fit, FitDiagnostics* diagnostics)
{
    if (diagnostics) {
        diagnostics->failure = failure;
        if (fit) {
            diagnostics->conditionNumber = fit->Decomposition().ConditionNumber();
            diagnostics->singularValuesCut = fit->Decomposition().CutCount();
        }
    }
    return failure == FitFailure::None;
}

// Half an ulp of the largest sum_k |c_k| |t_i|^k over the points: what rounding a single term
// of the evaluation can cost.
double LargestTermRounding(const std::vector<double>& coefficients, const std::vector<long double>& t)
{
    long double largest = 0;
    for (long double ti : t) {
        long double sum = 0, power = 1;
        for (double c : coefficients) {
            sum += std::fabs(c * power);
            power *= ti;
        }
        largest = std::max(largest, sum);
    }
    return static_cast<double>(largest) * 0x1p-53;
}

// The checks every scaled fit ends with. [in] stored: the calibrated values the stored
// coefficients give at the points; fittedY: those of the scaled solve; y: the calibrated
// values; termRounding: LargestTermRounding of the stored form, 0 where no terms cancel.
FitFailure CheckFit(const std::vector<double>& coefficients, double chiSquare, const std::vector<double>& stored,
                    const std::vector<long double>& fittedY, const std::vector<double>& y, double termRounding)
{
    if (!AllFinite(coefficients) || !std::isfinite(chiSquare) || !AllFinite(stored))
        return FitFailure::NotFinite;
    const double tolerance = CarryTolerance(y);
    if (LargestMiss(stored, fittedY) > tolerance || termRounding > tolerance)
        return FitFailure::CannotCarry;
    return FitFailure::None;
}

std::vector<long double> AsVector(std::span<const long double> values)
{
    return std::vector<long double>(values.begin(), values.end());
}

}  // namespace

bool ContainsNoNaN(std::span<const double> values)
{
    return std::none_of(values.begin(), values.end(), [](double v) { return std::isnan(v); });
}

bool CCurveFit::FitLinearModel(std::span<const double> x, std::span<const double> y,
                               std::span<const double> sigma, std::span<double> a,
                               double& chiSquare, const BasisFunction& basis) const
{
    const std::size_t n = x.size();
    const std::size_t m = a.size();
    if (y.size() != n || sigma.size() != n || m == 0 || n < m)
        return false;

    DenseMatrix design(n, m);
    std::vector<double> rhs(n);
    std::vector<double> values(m);
    for (std::size_t i = 0; i < n; ++i) {
        basis(x[i], values);
        for (std::size_t j = 0; j < m; ++j)
            design(i, j) = values[j] / sigma[i];
        rhs[i] = y[i] / sigma[i];
        if (!AllFinite(values) || !std::isfinite(rhs[i]))
            return false;
    }

    LeastSquaresDecomposition decomposition;
    if (!decomposition.Decompose(std::move(design)))
        return false;
    decomposition.Solve(rhs, a);
    if (!AllFinite(a))
        return false;

    chiSquare = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        basis(x[i], values);
        double fitted = 0.0;
        for (std::size_t j = 0; j < m; ++j)
            fitted += a[j] * values[j];
        const double r = (y[i] - fitted) / sigma[i];
        chiSquare += r * r;
    }
    return true;
}

FitFailure FitInFittedSpace(int32_t kind, bool forceOrigin, const std::vector<double>& x,
                            const std::vector<double>& y, std::span<const double> sigma, ScaledPolynomialFit& fit)
{
    if (!IsLeastSquaresKind(kind) || x.size() != y.size())
        return FitFailure::Refused;
    std::vector<long double> t(x.size()), z(y.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        t[i] = FittedAbscissa(kind, x[i]);
        z[i] = FittedOrdinate(kind, y[i]);
        // x <= 0 has no logarithm, nor y <= 0 (NaN fails too); infinite values fail in the fit.
        if (std::isnan(t[i]) || std::isnan(z[i]))
            return FitFailure::Refused;
    }
    return fit.Fit(t, z, sigma, FittedDegree(kind), FittedConstantTerm(kind, forceOrigin));
}

bool CCurveFit::PolynomialFit(int order, const std::vector<double>& x, const std::vector<double>& y,
                              std::vector<double>& coefficients, double& chiSquare, bool forceOrigin,
                              std::span<const double> sigma, FitDiagnostics* diagnostics) const
{
    if (order < 1 || order > kMaxPolynomialOrder)
        return Finish(FitFailure::Refused, nullptr, diagnostics);
    coefficients.resize(static_cast<std::size_t>(order) + 1, 0.0);
    ScaledPolynomialFit fit;
    if (const FitFailure failure = FitInFittedSpace(order - 1, forceOrigin, x, y, sigma, fit);
        failure != FitFailure::None)
        return Finish(failure, nullptr, diagnostics);
    coefficients = fit.Coefficients();
    chiSquare = fit.ChiSquare();

    std::vector<double> stored = x;
    EvaluatePolynomial(coefficients, stored.data(), stored.data() + stored.size());
    return Finish(CheckFit(coefficients, chiSquare, stored, AsVector(fit.ScaledFitted()), y,
                           LargestTermRounding(coefficients, Widened(x))),
                  &fit, diagnostics);
}

bool CCurveFit::LogarithmicFit(const std::vector<double>& x, const std::vector<double>& y,
                               std::vector<double>& coefficients, double& chiSquare,
                               std::span<const double> sigma, FitDiagnostics* diagnostics) const
{
    coefficients.resize(2, 0.0);
    ScaledPolynomialFit fit;
    if (const FitFailure failure =
            FitInFittedSpace(static_cast<int32_t>(FitKind::Logarithmic), false, x, y, sigma, fit);
        failure != FitFailure::None)
        return Finish(failure, nullptr, diagnostics);
    coefficients = fit.Coefficients();
    chiSquare = fit.ChiSquare();

    // In double precision: the evaluator's rounding of the logarithm to a float is the
    // precision of the samples, not a fault of the coefficients.
    std::vector<double> stored(x.size());
    std::vector<long double> logX(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        stored[i] = coefficients[0] + coefficients[1] * std::log(x[i]);
        logX[i] = std::log(static_cast<long double>(x[i]));
    }
    return Finish(CheckFit(coefficients, chiSquare, stored, AsVector(fit.ScaledFitted()), y,
                           LargestTermRounding(coefficients, logX)),
                  &fit, diagnostics);
}

bool CCurveFit::ExponentialFit(const std::vector<double>& x, const std::vector<double>& y,
                               std::vector<double>& coefficients, double& chiSquare,
                               std::span<const double> sigma, FitDiagnostics* diagnostics) const
{
    coefficients.resize(2, 0.0);
    // ln y = a + c0 x, fitted with the chi-square of the logarithmic space; c1 = e^a.
    ScaledPolynomialFit fit;
    if (const FitFailure failure =
            FitInFittedSpace(static_cast<int32_t>(FitKind::Exponential), false, x, y, sigma, fit);
        failure != FitFailure::None)
        return Finish(failure, nullptr, diagnostics);
    const std::vector<double>& line = fit.Coefficients();
    coefficients[0] = line[1];
    coefficients[1] = static_cast<double>(std::exp(static_cast<long double>(line[0])));
    chiSquare = fit.ChiSquare();

    std::vector<double> stored(x.size());
    std::vector<long double> fittedY(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        stored[i] = coefficients[1] * std::exp(coefficients[0] * x[i]);
        fittedY[i] = std::exp(fit.ScaledFitted()[i]);
    }
    // One term: nothing cancels.
    return Finish(CheckFit(coefficients, chiSquare, stored, fittedY, y, 0.0), &fit, diagnostics);
}

}  // namespace Tessar
