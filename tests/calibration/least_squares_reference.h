// Independent least-squares references for the fit tests: exact rational arithmetic on the
// normal equations, and Householder QR of the unscaled design matrix in long double. Neither
// shares code or method with the fits under test.
#pragma once

#include <boost/multiprecision/cpp_int.hpp>

#include <cmath>
#include <cstddef>
#include <vector>

namespace TestSupport {

using Rational = boost::multiprecision::cpp_rational;

// A double as the exact rational it stands for.
inline Rational Exact(double v)
{
    int exponent = 0;
    const double mantissa = std::frexp(v, &exponent);
    Rational r(static_cast<long long>(std::ldexp(mantissa, 53)));
    exponent -= 53;
    const Rational two(2);
    for (; exponent > 0; --exponent) r *= two;
    for (; exponent < 0; ++exponent) r /= two;
    return r;
}

inline double ToDouble(const Rational& r) { return r.convert_to<double>(); }

// The exact weighted least-squares fit of sum_k c_k x^k, k from first (0, or 1 without the
// constant term) to degree, for double data (the weights are the exact 1/sigma_i^2 given as
// doubles, or 1 when weights is empty), by Gauss-Jordan elimination on the normal equations
// N c = X^T W y in rationals, N = X^T W X.
struct ExactFit {
    int first = 0;
    int degree = 0;
    std::vector<Rational> coefficients;             // c_0 .. c_degree (0 below first)
    std::vector<std::vector<Rational>> inverse;     // N^-1 over the fitted powers first..degree
    Rational weightedSse = 0;                       // sum_i w_i (y_i - P(x_i))^2
};

// The powers x^first .. x^degree of one value.
inline std::vector<Rational> ExactPowers(const Rational& x, int first, int degree)
{
    std::vector<Rational> powers;
    Rational p = 1;
    for (int k = 0; k <= degree; ++k, p *= x)
        if (k >= first) powers.push_back(p);
    return powers;
}

inline ExactFit ExactLeastSquares(const std::vector<double>& x, const std::vector<double>& y, int degree,
                                  bool constantTerm = true, const std::vector<double>& weights = {})
{
    ExactFit fit;
    fit.first = constantTerm ? 0 : 1;
    fit.degree = degree;
    const std::size_t m = static_cast<std::size_t>(degree - fit.first + 1);
    // [N | I | X^T W y]
    std::vector<std::vector<Rational>> a(m, std::vector<Rational>(2 * m + 1));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const Rational yi = Exact(y[i]);
        const Rational wi = weights.empty() ? Rational(1) : Exact(weights[i]);
        const std::vector<Rational> powers = ExactPowers(Exact(x[i]), fit.first, degree);
        for (std::size_t r = 0; r < m; ++r) {
            for (std::size_t c = 0; c < m; ++c) a[r][c] += wi * powers[r] * powers[c];
            a[r][2 * m] += wi * powers[r] * yi;
        }
    }
    for (std::size_t r = 0; r < m; ++r) a[r][m + r] = 1;
    for (std::size_t c = 0; c < m; ++c) {
        std::size_t pivot = c;
        while (a[pivot][c] == 0) ++pivot;
        std::swap(a[c], a[pivot]);
        const Rational d = a[c][c];
        for (std::size_t k = 0; k <= 2 * m; ++k) a[c][k] /= d;
        for (std::size_t r = 0; r < m; ++r) {
            if (r == c || a[r][c] == 0) continue;
            const Rational f = a[r][c];
            for (std::size_t k = 0; k <= 2 * m; ++k) a[r][k] -= f * a[c][k];
        }
    }
    fit.coefficients.assign(static_cast<std::size_t>(fit.first), Rational(0));
    fit.inverse.assign(m, std::vector<Rational>(m));
    for (std::size_t r = 0; r < m; ++r) {
        fit.coefficients.push_back(a[r][2 * m]);
        for (std::size_t c = 0; c < m; ++c) fit.inverse[r][c] = a[r][m + c];
    }
    for (std::size_t i = 0; i < x.size(); ++i) {
        const Rational wi = weights.empty() ? Rational(1) : Exact(weights[i]);
        Rational p = 0;
        const Rational xi = Exact(x[i]);
        for (std::size_t k = fit.coefficients.size(); k-- > 0;) p = p * xi + fit.coefficients[k];
        const Rational r = Exact(y[i]) - p;
        fit.weightedSse += wi * r * r;
    }
    return fit;
}

// g^T N^-1 g for g the fitted powers of x0: the variance factor of the fitted value at x0.
inline Rational ExactVarianceFactor(const ExactFit& fit, double x0)
{
    const std::vector<Rational> g = ExactPowers(Exact(x0), fit.first, fit.degree);
    Rational v = 0;
    for (std::size_t r = 0; r < g.size(); ++r)
        for (std::size_t c = 0; c < g.size(); ++c) v += g[r] * fit.inverse[r][c] * g[c];
    return v;
}

// The exact weighted least-squares coefficients (ExactLeastSquares).
inline std::vector<Rational> ExactPolynomialFit(const std::vector<double>& x, const std::vector<double>& y,
                                                int degree, bool constantTerm = true,
                                                const std::vector<double>& weights = {})
{
    return ExactLeastSquares(x, y, degree, constantTerm, weights).coefficients;
}

// The exact value of a polynomial with rational coefficients at a double.
inline Rational ExactPolynomialValue(const std::vector<Rational>& c, double x)
{
    const Rational xi = Exact(x);
    Rational v = 0;
    for (std::size_t k = c.size(); k-- > 0;) v = v * xi + c[k];
    return v;
}

// The exact value of a polynomial with double coefficients at a double.
inline Rational ExactPolynomialValue(const std::vector<double>& c, double x)
{
    std::vector<Rational> exact;
    for (double v : c) exact.push_back(Exact(v));
    return ExactPolynomialValue(exact, x);
}

// Least squares by Householder QR of a (rows of basis values) in long double.
inline std::vector<long double> QrLeastSquares(std::vector<std::vector<long double>> a, std::vector<long double> b)
{
    const std::size_t m = a.size(), n = a[0].size();
    for (std::size_t k = 0; k < n; ++k) {
        long double norm = 0;
        for (std::size_t i = k; i < m; ++i) norm += a[i][k] * a[i][k];
        norm = std::sqrt(norm);
        const long double alpha = a[k][k] > 0 ? -norm : norm;
        std::vector<long double> v(m, 0);
        for (std::size_t i = k; i < m; ++i) v[i] = a[i][k];
        v[k] -= alpha;
        long double vv = 0;
        for (std::size_t i = k; i < m; ++i) vv += v[i] * v[i];
        if (vv == 0) continue;
        for (std::size_t j = k; j < n; ++j) {
            long double dot = 0;
            for (std::size_t i = k; i < m; ++i) dot += v[i] * a[i][j];
            for (std::size_t i = k; i < m; ++i) a[i][j] -= 2 * dot / vv * v[i];
        }
        long double dot = 0;
        for (std::size_t i = k; i < m; ++i) dot += v[i] * b[i];
        for (std::size_t i = k; i < m; ++i) b[i] -= 2 * dot / vv * v[i];
    }
    std::vector<long double> x(n);
    for (std::size_t k = n; k-- > 0;) {
        long double sum = b[k];
        for (std::size_t j = k + 1; j < n; ++j) sum -= a[k][j] * x[j];
        x[k] = sum / a[k][k];
    }
    return x;
}

}  // namespace TestSupport
