#include "calibration/svd.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace Tessar {

namespace {

constexpr int kMaxIterations = 30;

// |value| is negligible beside anorm in double precision. Written as a comparison of sums (not
// a relative test) so that it behaves exactly like the classic convergence criterion.
bool Negligible(double value, double anorm)
{
    return std::fabs(value) + anorm == anorm;
}

// Applies the plane rotation (c, s) to columns j and k of m: (y, z) -> (y c + z s, z c - y s).
void RotateColumns(DenseMatrix& m, std::size_t j, std::size_t k, double c, double s)
{
    for (std::size_t r = 0; r < m.Rows(); ++r) {
        const double y = m(r, j);
        const double z = m(r, k);
        m(r, j) = y * c + z * s;
        m(r, k) = z * c - y * s;
    }
}

// Householder reduction of a to bidiagonal form: diagonal into w, superdiagonal into e (e[0]
// is 0). Returns anorm.
double Bidiagonalize(DenseMatrix& a, std::vector<double>& w, std::vector<double>& e)
{
    const std::size_t m = a.Rows();
    const std::size_t n = a.Cols();
    double g = 0.0, scale = 0.0, anorm = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t l = i + 1;
        e[i] = scale * g;
        g = scale = 0.0;
        double s = 0.0;
        // Column i below the diagonal. Scaling by the sum of magnitudes keeps the squares
        // from overflowing or underflowing.
        for (std::size_t k = i; k < m; ++k)
            scale += std::fabs(a(k, i));
        if (scale != 0.0) {
            for (std::size_t k = i; k < m; ++k) {
                a(k, i) /= scale;
                s += a(k, i) * a(k, i);
            }
            const double f = a(i, i);
            g = -std::copysign(std::sqrt(s), f);
            const double h = f * g - s;
            a(i, i) = f - g;
            for (std::size_t j = l; j < n; ++j) {
                double dot = 0.0;
                for (std::size_t k = i; k < m; ++k)
                    dot += a(k, i) * a(k, j);
                const double factor = dot / h;
                for (std::size_t k = i; k < m; ++k)
                    a(k, j) += factor * a(k, i);
            }
            for (std::size_t k = i; k < m; ++k)
                a(k, i) *= scale;
        }
        w[i] = scale * g;

        // Row i right of the superdiagonal.
        g = s = scale = 0.0;
        if (i + 1 < n) {
            for (std::size_t k = l; k < n; ++k)
                scale += std::fabs(a(i, k));
            if (scale != 0.0) {
                for (std::size_t k = l; k < n; ++k) {
                    a(i, k) /= scale;
                    s += a(i, k) * a(i, k);
                }
                const double f = a(i, l);
                g = -std::copysign(std::sqrt(s), f);
                const double h = f * g - s;
                a(i, l) = f - g;
                for (std::size_t k = l; k < n; ++k)
                    e[k] = a(i, k) / h;
                for (std::size_t j = l; j < m; ++j) {
                    double dot = 0.0;
                    for (std::size_t k = l; k < n; ++k)
                        dot += a(j, k) * a(i, k);
                    for (std::size_t k = l; k < n; ++k)
                        a(j, k) += dot * e[k];
                }
                for (std::size_t k = l; k < n; ++k)
                    a(i, k) *= scale;
            }
        }
        anorm = std::max(anorm, std::fabs(w[i]) + std::fabs(e[i]));
    }
    return anorm;
}

// Builds V from the row transformations stored in a.
void AccumulateRight(const DenseMatrix& a, const std::vector<double>& e, DenseMatrix& v)
{
    const std::size_t n = a.Cols();
    for (std::size_t i = n; i-- > 0;) {
        const std::size_t l = i + 1;
        if (l < n) {
            const double g = e[l];
            if (g != 0.0) {
                // Two divisions rather than one by the product, which could underflow.
                for (std::size_t j = l; j < n; ++j)
                    v(j, i) = (a(i, j) / a(i, l)) / g;
                for (std::size_t j = l; j < n; ++j) {
                    double dot = 0.0;
                    for (std::size_t k = l; k < n; ++k)
                        dot += a(i, k) * v(k, j);
                    for (std::size_t k = l; k < n; ++k)
                        v(k, j) += dot * v(k, i);
                }
            }
            for (std::size_t j = l; j < n; ++j)
                v(i, j) = v(j, i) = 0.0;
        }
        v(i, i) = 1.0;
    }
}

// Turns a into U from the column transformations stored in it.
void AccumulateLeft(DenseMatrix& a, const std::vector<double>& w)
{
    const std::size_t m = a.Rows();
    const std::size_t n = a.Cols();
    for (std::size_t i = std::min(m, n); i-- > 0;) {
        const std::size_t l = i + 1;
        for (std::size_t j = l; j < n; ++j)
            a(i, j) = 0.0;
        if (w[i] != 0.0) {
            const double g = 1.0 / w[i];
            for (std::size_t j = l; j < n; ++j) {
                double dot = 0.0;
                for (std::size_t k = l; k < m; ++k)
                    dot += a(k, i) * a(k, j);
                const double f = (dot / a(i, i)) * g;
                for (std::size_t k = i; k < m; ++k)
                    a(k, j) += f * a(k, i);
            }
            for (std::size_t j = i; j < m; ++j)
                a(j, i) *= g;
        } else {
            for (std::size_t j = i; j < m; ++j)
                a(j, i) = 0.0;
        }
        a(i, i) += 1.0;
    }
}

// Zeroes e[l] when w[l - 1] is negligible, by Givens rotations from the left that chase the
// element along row l - 1 up to column k.
void CancelSuperdiagonal(DenseMatrix& u, std::vector<double>& w, std::vector<double>& e,
                         std::size_t l, std::size_t k, double anorm)
{
    const std::size_t nm = l - 1;
    double c = 0.0, s = 1.0;
    for (std::size_t i = l; i <= k; ++i) {
        const double f = s * e[i];
        e[i] = c * e[i];
        if (Negligible(f, anorm))
            break;
        const double g = w[i];
        const double h = SafeHypot(f, g);
        w[i] = h;
        c = g / h;
        s = -f / h;
        RotateColumns(u, nm, i, c, s);
    }
}

// One implicitly shifted QR sweep over the block l..k (shift from the trailing 2 x 2 block).
void QrSweep(DenseMatrix& u, std::vector<double>& w, std::vector<double>& e, DenseMatrix& v,
             std::size_t l, std::size_t k)
{
    double x = w[l];
    const std::size_t nm = k - 1;
    double y = w[nm];
    double g = e[nm];
    double h = e[k];
    double z = w[k];
    double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
    g = SafeHypot(f, 1.0);
    f = ((x - z) * (x + z) + h * ((y / (f + std::copysign(g, f))) - h)) / x;

    double c = 1.0, s = 1.0;
    for (std::size_t j = l; j <= nm; ++j) {
        const std::size_t i = j + 1;
        g = e[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = SafeHypot(f, h);
        e[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        RotateColumns(v, j, i, c, s);
        z = SafeHypot(f, h);
        w[j] = z;
        // The rotation is arbitrary when z is 0.
        if (z != 0.0) {
            c = f / z;
            s = h / z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        RotateColumns(u, j, i, c, s);
    }
    e[l] = 0.0;
    e[k] = f;
    w[k] = x;
}

}  // namespace

double SafeHypot(double a, double b)
{
    const double absA = std::fabs(a);
    const double absB = std::fabs(b);
    if (absA > absB) {
        const double r = absB / absA;
        return absA * std::sqrt(1.0 + r * r);
    }
    if (absB == 0.0)
        return 0.0;
    const double r = absA / absB;
    return absB * std::sqrt(1.0 + r * r);
}

bool SingularValueDecompose(DenseMatrix& a, std::vector<double>& w, DenseMatrix& v)
{
    const std::size_t m = a.Rows();
    const std::size_t n = a.Cols();
    w.assign(n, 0.0);
    v = DenseMatrix(n, n);
    if (m < n)
        return false;
    // A non-finite anorm would defeat every convergence test below.
    for (std::size_t r = 0; r < m; ++r)
        for (std::size_t c = 0; c < n; ++c)
            if (!std::isfinite(a(r, c)))
                return false;

    std::vector<double> e(n, 0.0);
    const double anorm = Bidiagonalize(a, w, e);
    AccumulateRight(a, e, v);
    AccumulateLeft(a, w);

    for (std::size_t k = n; k-- > 0;) {
        for (int iteration = 1;; ++iteration) {
            // Find the top l of the unreduced block ending at k. e[0] is always 0, so l = 0
            // ends the search even when rounding has made anorm useless.
            std::size_t l = k;
            bool cancel = false;
            for (;; --l) {
                if (l == 0 || Negligible(e[l], anorm))
                    break;
                if (Negligible(w[l - 1], anorm)) {
                    cancel = true;
                    break;
                }
            }
            if (cancel)
                CancelSuperdiagonal(a, w, e, l, k, anorm);
            if (l == k) {
                if (w[k] < 0.0) {
                    w[k] = -w[k];
                    for (std::size_t j = 0; j < n; ++j)
                        v(j, k) = -v(j, k);
                }
                break;
            }
            if (iteration == kMaxIterations)
                return false;
            QrSweep(a, w, e, v, l, k);
        }
    }
    return true;
}

void SingularValueSolve(const DenseMatrix& u, std::span<const double> w, const DenseMatrix& v,
                        std::span<const double> b, std::span<double> x)
{
    const std::size_t m = u.Rows();
    const std::size_t n = u.Cols();
    assert(w.size() == n && b.size() == m && x.size() == n && v.Rows() == n && v.Cols() == n);
    std::vector<double> t(n, 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        if (w[j] == 0.0)
            continue;
        double dot = 0.0;
        for (std::size_t i = 0; i < m; ++i)
            dot += u(i, j) * b[i];
        t[j] = dot / w[j];
    }
    for (std::size_t j = 0; j < n; ++j) {
        double sum = 0.0;
        for (std::size_t k = 0; k < n; ++k)
            sum += v(j, k) * t[k];
        x[j] = sum;
    }
}

}  // namespace Tessar
