#include "calibration/curve_fit.h"

#include <algorithm>
#include <cmath>

#include "calibration/svd.h"

namespace Tessar {

namespace {

constexpr int kMaxPolynomialOrder = 5;

// Every fit weighs its points equally.
std::vector<double> UnitSigmas(std::size_t n)
{
    return std::vector<double>(n, 1.0);
}

bool AllFinite(std::span<const double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Scales every non-zero column of a to unit Euclidean norm and stores the norms (0 for an
// all-zero column, which stays zero). The norm is accumulated after dividing by the column's
// largest magnitude, so columns of x^5 for large x neither overflow nor lose their small
// entries. Fails when a norm itself overflows.
bool EquilibrateColumns(DenseMatrix& a, std::vector<double>& norms)
{
    norms.assign(a.Cols(), 0.0);
    for (std::size_t j = 0; j < a.Cols(); ++j) {
        double largest = 0.0;
        for (std::size_t i = 0; i < a.Rows(); ++i)
            largest = std::max(largest, std::fabs(a(i, j)));
        if (largest == 0.0)
            continue;
        double sum = 0.0;
        for (std::size_t i = 0; i < a.Rows(); ++i) {
            const double r = a(i, j) / largest;
            sum += r * r;
        }
        const double norm = largest * std::sqrt(sum);
        if (!std::isfinite(norm))
            return false;
        for (std::size_t i = 0; i < a.Rows(); ++i)
            a(i, j) /= norm;
        norms[j] = norm;
    }
    return true;
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

    std::vector<double> norms;
    std::vector<double> w;
    DenseMatrix v(m, m);
    if (!EquilibrateColumns(design, norms) || !SingularValueDecompose(design, w, v))
        return false;

    const double wMax = *std::max_element(w.begin(), w.end());
    const double cut = kSingularValueThreshold * std::max(wMax, 0.0);
    for (double& wj : w)
        if (wj < cut)
            wj = 0.0;

    SingularValueSolve(design, w, v, rhs, a);
    // A column that is zero at every point contributes nothing and cannot be determined; its
    // coefficient is exactly 0 rather than the rounding residue of the rotations.
    for (std::size_t j = 0; j < m; ++j)
        a[j] = norms[j] == 0.0 ? 0.0 : a[j] / norms[j];
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

bool CCurveFit::PolynomialFit(int order, const std::vector<double>& x, const std::vector<double>& y,
                              std::vector<double>& coefficients, double& chiSquare,
                              bool forceOrigin) const
{
    if (order < 1 || order > kMaxPolynomialOrder)
        return false;
    coefficients.resize(static_cast<std::size_t>(order) + 1, 0.0);
    if (x.size() != y.size())
        return false;
    const auto powers = [forceOrigin](double v, std::span<double> out) {
        out[0] = forceOrigin ? 0.0 : 1.0;
        double power = 1.0;
        for (std::size_t j = 1; j < out.size(); ++j) {
            power *= v;
            out[j] = power;
        }
    };
    return FitLinearModel(x, y, UnitSigmas(x.size()), coefficients, chiSquare, powers) &&
           ContainsNoNaN(coefficients);
}

bool CCurveFit::LogarithmicFit(const std::vector<double>& x, const std::vector<double>& y,
                               std::vector<double>& coefficients, double& chiSquare) const
{
    coefficients.resize(2, 0.0);
    if (x.size() != y.size())
        return false;
    // x <= 0 has no logarithm: the basis value is -inf or NaN and the fit fails.
    const auto logBasis = [](double v, std::span<double> out) {
        out[0] = 1.0;
        out[1] = std::log(v);
    };
    return FitLinearModel(x, y, UnitSigmas(x.size()), coefficients, chiSquare, logBasis) &&
           ContainsNoNaN(coefficients);
}

bool CCurveFit::ExponentialFit(const std::vector<double>& x, const std::vector<double>& y,
                               std::vector<double>& coefficients, double& chiSquare) const
{
    coefficients.resize(2, 0.0);
    if (x.size() != y.size())
        return false;
    std::vector<double> logY(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) {
        if (!(y[i] > 0.0))  // NaN fails too
            return false;
        logY[i] = std::log(y[i]);
    }
    const auto lineBasis = [](double v, std::span<double> out) {
        out[0] = 1.0;
        out[1] = v;
    };
    double line[2] = {0.0, 0.0};
    if (!FitLinearModel(x, logY, UnitSigmas(x.size()), line, chiSquare, lineBasis))
        return false;
    coefficients[0] = line[1];
    coefficients[1] = std::exp(line[0]);
    return ContainsNoNaN(coefficients) && std::isfinite(coefficients[1]);
}

}  // namespace Tessar
