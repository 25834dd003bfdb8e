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
    return true;
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
