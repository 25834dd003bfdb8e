// Tessar::LeastSquaresDecomposition: the singular value decomposition of a weighted design
// matrix with equilibrated columns, kept so that one decomposition answers several right-hand
// sides (the solve and the refinement rounds of the fits) and the quantities of a fit's
// uncertainty.
//
// The columns are scaled to unit Euclidean norm before the decomposition, so the singular-
// value threshold compares like with like; a column that is zero at every row stays zero and
// its coefficient is exactly 0.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "calibration/svd.h"

namespace Tessar {

class LeastSquaresDecomposition {
public:
    // Singular values below this factor times the largest one are treated as zero.
    static constexpr double kSingularValueThreshold = 1e-10;

    // [in] design: the n x m matrix A (n >= m >= 1) whose rows are already divided by the
    // points' standard deviations. Returns false when n < m, a value or a column norm is not
    // finite, or the decomposition does not converge; the object is then unusable.
    bool Decompose(DenseMatrix design);

    // The x (m values) minimising |A x - b|, b (n values) already divided by the standard
    // deviations; the components along cut singular values are left out (the minimum-norm
    // solution).
    void Solve(std::span<const double> b, std::span<double> x) const;

    // The 2-norm condition number of the equilibrated matrix before the cut: its largest
    // singular value over its smallest (infinity when the smallest is 0).
    double ConditionNumber() const { return conditionNumber_; }

    // How many singular values are zero after the threshold (zero columns included): when
    // any, the least-squares solution is not unique and Solve gives the minimum-norm one.
    int CutCount() const { return cutCount_; }
    // The rank after the cut: Cols() - CutCount().
    int Rank() const { return static_cast<int>(Cols()) - cutCount_; }

    std::size_t Rows() const { return u_.Rows(); }
    std::size_t Cols() const { return u_.Cols(); }

    // The quantities of a fit's uncertainty. Q below is the pseudo-inverse of A^T A that Solve
    // applies, A being the matrix given to Decompose (rows over the standard deviations, columns
    // as given, not equilibrated), formed from the decomposition and never from A^T A itself:
    // Q = D^-1 V W^+2 V^T D^-1, D the column norms, W^+ the reciprocal kept singular values.
    // Q is the covariance of Solve's x for right-hand sides of unit variance; scaled by the
    // residual variance it is the covariance of the fitted coefficients.

    // g^T Q g for one vector g of Cols() values (a row of basis values: the variance factor of
    // the fitted value there), accumulated in long double.
    long double VarianceFactor(std::span<const long double> g) const;

    // Q itself, Cols() x Cols().
    DenseMatrix Covariance() const;

    // R with Q = R^T R: Rank() rows of Cols() values, R = W^+ V^T D^-1 over the kept singular
    // values (zero for an all-zero column). g^T Q g is |R g|^2, which a caller evaluating many g
    // computes in double without going through this object.
    const DenseMatrix& CovarianceRoot() const { return root_; }

    // The leverage of row i (0 <= i < Rows()): the diagonal element of the hat matrix
    // A Q A^T, the sum of U(i, j)^2 over the kept singular values; in [0, 1].
    double Leverage(std::size_t i) const;

private:
    void BuildCovarianceRoot();

    DenseMatrix u_{0, 0};
    DenseMatrix v_{0, 0};
    std::vector<double> w_;
    std::vector<double> norms_;
    DenseMatrix root_{0, 0};
    double conditionNumber_ = 0;
    int cutCount_ = 0;
};

}  // namespace Tessar
