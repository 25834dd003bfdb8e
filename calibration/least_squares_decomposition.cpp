#include "calibration/least_squares_decomposition.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Tessar {

namespace {

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

bool LeastSquaresDecomposition::Decompose(DenseMatrix design)
{
    if (design.Cols() == 0 || design.Rows() < design.Cols())
        return false;
    if (!EquilibrateColumns(design, norms_) || !SingularValueDecompose(design, w_, v_))
        return false;
    u_ = std::move(design);

    const double wMax = *std::max_element(w_.begin(), w_.end());
    const double wMin = *std::min_element(w_.begin(), w_.end());
    conditionNumber_ = wMin > 0.0 ? wMax / wMin : std::numeric_limits<double>::infinity();
    const double cut = kSingularValueThreshold * std::max(wMax, 0.0);
    cutCount_ = 0;
    for (double& wj : w_) {
        if (wj < cut)
            wj = 0.0;
        if (wj == 0.0)
            ++cutCount_;
    }
    BuildCovarianceRoot();
    return true;
}

void LeastSquaresDecomposition::BuildCovarianceRoot()
{
    const std::size_t m = Cols();
    root_ = DenseMatrix(static_cast<std::size_t>(Rank()), m);
    std::size_t r = 0;
    for (std::size_t k = 0; k < m; ++k) {
        if (w_[k] == 0.0)
            continue;
        for (std::size_t j = 0; j < m; ++j)
            root_(r, j) = norms_[j] == 0.0 ? 0.0 : v_(j, k) / w_[k] / norms_[j];
        ++r;
    }
}

long double LeastSquaresDecomposition::VarianceFactor(std::span<const long double> g) const
{
    long double sum = 0;
    for (std::size_t r = 0; r < root_.Rows(); ++r) {
        long double dot = 0;
        for (std::size_t j = 0; j < root_.Cols(); ++j)
            dot += root_(r, j) * g[j];
        sum += dot * dot;
    }
    return sum;
}

DenseMatrix LeastSquaresDecomposition::Covariance() const
{
    const std::size_t m = Cols();
    DenseMatrix q(m, m);
    for (std::size_t j = 0; j < m; ++j)
        for (std::size_t k = 0; k < m; ++k) {
            long double sum = 0;
            for (std::size_t r = 0; r < root_.Rows(); ++r)
                sum += static_cast<long double>(root_(r, j)) * root_(r, k);
            q(j, k) = static_cast<double>(sum);
        }
    return q;
}

double LeastSquaresDecomposition::Leverage(std::size_t i) const
{
    long double sum = 0;
    for (std::size_t j = 0; j < Cols(); ++j)
        if (w_[j] != 0.0)
            sum += static_cast<long double>(u_(i, j)) * u_(i, j);
    return static_cast<double>(sum);
}

void LeastSquaresDecomposition::Solve(std::span<const double> b, std::span<double> x) const
{
    SingularValueSolve(u_, w_, v_, b, x);
    // A column that is zero at every point contributes nothing and cannot be determined; its
    // coefficient is exactly 0 rather than the rounding residue of the rotations.
    for (std::size_t j = 0; j < x.size(); ++j)
        x[j] = norms_[j] == 0.0 ? 0.0 : x[j] / norms_[j];
}

}  // namespace Tessar
