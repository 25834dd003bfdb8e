// Singular value decomposition and the least-squares back-substitution built on it, for the
// small dense systems of the calibration fits (at most 12 rows, at most 6 columns).
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace Tessar {

// A dense row-major matrix of doubles, 0-based: the work storage of the least-squares fit.
class DenseMatrix {
public:
    DenseMatrix(std::size_t rows, std::size_t cols) : rows_(rows), cols_(cols), data_(rows * cols) {}

    std::size_t Rows() const { return rows_; }
    std::size_t Cols() const { return cols_; }
    double& operator()(std::size_t r, std::size_t c) { return data_[r * cols_ + c]; }
    double operator()(std::size_t r, std::size_t c) const { return data_[r * cols_ + c]; }

private:
    std::size_t rows_;
    std::size_t cols_;
    std::vector<double> data_;
};

// Decomposes A (m x n, m >= n) as A = U diag(w) V^T by the Golub-Reinsch algorithm:
// Householder reduction to bidiagonal form (each column and row scaled by the sum of its
// absolute values), accumulation of the right-hand and then the left-hand transformations, and
// implicitly shifted QR sweeps from the last singular value to the first. An off-diagonal (or
// diagonal) element counts as zero when |e| + anorm == anorm, anorm being the largest
// |w_i| + |e_i| met in the reduction.
//   a  [in/out] A on entry, U (m x n, orthonormal columns) on return.
//   w  [out]    the n singular values, non-negative and NOT sorted.
//   v  [out]    V (n x n, orthogonal); resized by the callee.
// Returns false when a singular value has not converged after 30 iterations, when m < n, or
// when A holds a value that is not finite; a, w and v are then meaningless.
bool SingularValueDecompose(DenseMatrix& a, std::vector<double>& w, DenseMatrix& v);

// Solves A x = b in the least-squares sense from a decomposition of A:
//   t_j = (U^T b)_j / w_j for w_j != 0, else 0;  x = V t.
// Singular values the caller wants ignored must already be set to 0 (see the fit's threshold).
//   u [in] m x n, w [in] n values, v [in] n x n, b [in] m values, x [out] n values.
// Sizes must agree (checked by assertion only: the fit builds them together).
void SingularValueSolve(const DenseMatrix& u, std::span<const double> w, const DenseMatrix& v,
                        std::span<const double> b, std::span<double> x);

// sqrt(a^2 + b^2) without destructive overflow or underflow: the larger magnitude is factored
// out. 0 when both are 0.
double SafeHypot(double a, double b);

}  // namespace Tessar
