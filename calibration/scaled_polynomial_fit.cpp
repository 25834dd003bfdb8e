#include "calibration/scaled_polynomial_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Tessar {

namespace {

// Refinement rounds at most; two or three suffice, the rest guards against a correction that
// keeps bouncing between two roundings.
constexpr int kMaxRefinementRounds = 4;

long double Binomial(int n, int k)
{
    long double b = 1;
    for (int i = 1; i <= k; ++i)
        b = b * (n - k + i) / i;
    return b;
}

bool AllFinite(std::span<const double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

FitFailure ScaledPolynomialFit::Fit(std::span<const long double> t, std::span<const long double> z,
                              std::span<const double> sigma, int degree, bool constantTerm)
{
    const std::size_t n = t.size();
    if (degree < 1 || z.size() != n || (!sigma.empty() && sigma.size() != n))
        return FitFailure::Refused;
    const std::size_t columns = static_cast<std::size_t>(degree) + (constantTerm ? 1 : 0);
    if (n < columns)
        return FitFailure::Refused;
    const auto finite = [](long double v) { return std::isfinite(v); };
    if (!std::all_of(t.begin(), t.end(), finite) || !std::all_of(z.begin(), z.end(), finite))
        return FitFailure::Refused;
    if (!std::all_of(sigma.begin(), sigma.end(), [](double s) { return std::isfinite(s) && s > 0; }))
        return FitFailure::Refused;

    t_.assign(t.begin(), t.end());
    z_.assign(z.begin(), z.end());
    sigma_ = sigma.empty() ? std::vector<double>(n, 1.0) : std::vector<double>(sigma.begin(), sigma.end());
    degree_ = degree;
    constantTerm_ = constantTerm;
    const auto [low, high] = std::minmax_element(t_.begin(), t_.end());
    if (constantTerm) {
        centre_ = *low / 2 + *high / 2;
        scale_ = *high / 2 - *low / 2;
    } else {
        centre_ = 0;
        scale_ = std::max(std::fabs(*low), std::fabs(*high));
    }
    // Every t equal: the powers of u are all zero and their singular values are cut.
    if (!(scale_ > 0))
        scale_ = 1;

    DenseMatrix design(n, columns);
    std::vector<double> rhs(n);
    std::vector<double> row(columns);
    for (std::size_t i = 0; i < n; ++i) {
        ScaledBasis(t_[i], sigma_[i], row);
        for (std::size_t j = 0; j < columns; ++j)
            design(i, j) = row[j];
        rhs[i] = static_cast<double>(z_[i] / sigma_[i]);
    }
    if (!AllFinite(rhs))
        return FitFailure::Refused;
    if (!decomposition_.Decompose(std::move(design)))
        return FitFailure::NoConvergence;

    std::vector<double> a(columns);
    decomposition_.Solve(rhs, a);
    scaledFitted_.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        ScaledBasis(t_[i], 1.0, row);
        long double fitted = 0;
        for (std::size_t j = 0; j < columns; ++j)
            fitted += static_cast<long double>(a[j]) * row[j];
        scaledFitted_[i] = fitted;
    }

    const std::vector<long double> c = ToPowersOfT(std::span<const double>(a));
    coefficients_.assign(c.begin(), c.end());
    if (AllFinite(coefficients_))
        Refine();

    long double chiSquare = 0;
    for (long double r : Residuals(coefficients_))
        chiSquare += r * r;
    chiSquare_ = static_cast<double>(chiSquare);
    return FitFailure::None;
}

void ScaledPolynomialFit::ScaledBasis(long double t, double sigma, std::span<double> out) const
{
    std::vector<long double> powers(out.size());
    ScaledBasis(t, powers);
    for (std::size_t j = 0; j < out.size(); ++j)
        out[j] = static_cast<double>(powers[j] / sigma);
}

void ScaledPolynomialFit::ScaledBasis(long double t, std::span<long double> out) const
{
    const long double u = (t - centre_) / scale_;
    long double power = 1;
    std::size_t j = 0;
    for (int k = 0; k <= degree_; ++k, power *= u) {
        if (k == 0 && !constantTerm_)
            continue;
        out[j++] = power;
    }
}

template <class T>
std::vector<long double> ScaledPolynomialFit::ToPowersOfT(std::span<const T> a) const
{
    // a_k ((t - m) / s)^k = a_k s^-k sum_i C(k, i) t^i (-m)^(k - i).
    std::vector<long double> c(static_cast<std::size_t>(degree_) + 1, 0);
    const int first = constantTerm_ ? 0 : 1;
    long double inverseScalePower = 1;
    for (int k = 0; k <= degree_; ++k, inverseScalePower /= scale_) {
        if (k < first)
            continue;
        const long double ak = a[static_cast<std::size_t>(k - first)] * inverseScalePower;
        long double shiftPower = 1;  // (-m)^(k - i), i running down from k
        for (int i = k; i >= 0; --i, shiftPower *= -centre_)
            c[static_cast<std::size_t>(i)] += ak * Binomial(k, i) * shiftPower;
    }
    return c;
}

template std::vector<long double> ScaledPolynomialFit::ToPowersOfT(std::span<const double>) const;
template std::vector<long double> ScaledPolynomialFit::ToPowersOfT(std::span<const long double>) const;

std::vector<long double> ScaledPolynomialFit::Residuals(std::span<const double> c) const
{
    std::vector<long double> r(t_.size());
    for (std::size_t i = 0; i < t_.size(); ++i) {
        long double p = 0;
        for (std::size_t k = c.size(); k-- > 0;)
            p = p * t_[i] + c[k];
        r[i] = (z_[i] - p) / sigma_[i];
    }
    return r;
}

std::vector<long double> ScaledPolynomialFit::RefinedResidual(std::vector<long double> b) const
{
    const std::size_t n = t_.size();
    const std::size_t columns = decomposition_.Cols();
    // The rows in long double: the design rounded to doubles is a slightly different problem,
    // whose projection differs by the conditioning times an ulp.
    std::vector<std::vector<long double>> design(n, std::vector<long double>(columns));
    for (std::size_t i = 0; i < n; ++i) {
        ScaledBasis(t_[i], design[i]);
        for (long double& v : design[i])
            v /= sigma_[i];
    }
    std::vector<long double> x(columns, 0), r = b;
    std::vector<double> rhs(n), delta(columns);
    for (int round = 0; round < 3; ++round) {
        for (std::size_t k = 0; k < n; ++k)
            rhs[k] = static_cast<double>(r[k]);
        decomposition_.Solve(rhs, delta);
        for (std::size_t j = 0; j < columns; ++j)
            x[j] += delta[j];
        for (std::size_t k = 0; k < n; ++k) {
            long double fitted = 0;
            for (std::size_t j = 0; j < columns; ++j)
                fitted += design[k][j] * x[j];
            r[k] = b[k] - fitted;
        }
    }
    return r;
}

std::vector<long double> ScaledPolynomialFit::LeftOutShares() const
{
    const std::size_t n = t_.size();
    std::vector<long double> shares(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::vector<long double> unit(n, 0);
        unit[i] = 1;
        shares[i] = RefinedResidual(std::move(unit))[i];
    }
    return shares;
}

std::vector<long double> ScaledPolynomialFit::ScaledResiduals() const
{
    std::vector<long double> b(t_.size());
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = z_[i] / sigma_[i];
    return RefinedResidual(std::move(b));
}

void ScaledPolynomialFit::Refine()
{
    const std::size_t columns = decomposition_.Cols();
    std::vector<double> rhs(t_.size());
    std::vector<double> correction(columns);
    double previous = std::numeric_limits<double>::infinity();
    for (int round = 0; round < kMaxRefinementRounds; ++round) {
        const std::vector<long double> r = Residuals(coefficients_);
        for (std::size_t i = 0; i < r.size(); ++i)
            rhs[i] = static_cast<double>(r[i]);
        decomposition_.Solve(rhs, correction);
        // The size of the correction in the scaled basis, where every column spans [-1, 1].
        double size = 0;
        for (double d : correction)
            size = std::max(size, std::fabs(d));
        if (!(size < previous))
            return;  // no longer contracting: rounding noise
        previous = size;
        const std::vector<long double> delta = ToPowersOfT(std::span<const double>(correction));
        std::vector<double> refined(coefficients_.size());
        for (std::size_t k = 0; k < refined.size(); ++k)
            refined[k] = static_cast<double>(coefficients_[k] + delta[k]);
        if (refined == coefficients_ || !AllFinite(refined))
            return;
        coefficients_ = std::move(refined);
    }
}

}  // namespace Tessar
