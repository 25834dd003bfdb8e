// Tessar::ScaledPolynomialFit: weighted least squares of a polynomial in an abscissa t,
//   z ~ c0 + c1 t + ... + c_d t^d   (or without c0: c0 = 0 exactly),
// the core of every least-squares calibration (t = x for the polynomials and the exponential's
// line, t = ln x for the logarithmic curve; z = y, or ln y for the exponential).
//
// Solved in the scaled variable u = (t - m) / s, m the midpoint and s the half-range of the
// t values (without the constant term m = 0 and s = max |t|, so the model keeps no constant):
// the columns u^k lie in [-1, 1] and are far from parallel however far the raw values sit
// from zero, where the columns 1, t, t^2 of raw values 1000..1011 agree to 1e-5 and the fit in
// powers of t loses ten digits. The scaled coefficients are converted to powers of t exactly
// in long double, rounded to double, and refined in the stored basis: the residuals of the
// double coefficients are computed in long double and the correction solved by the same
// decomposition, until the correction stops shrinking (two or three rounds). What remains is
// the rounding of the coefficients themselves.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "calibration/fit_diagnostics.h"
#include "calibration/least_squares_decomposition.h"

namespace Tessar {

class ScaledPolynomialFit {
public:
    // [in] t, z: n values each, finite; sigma: n standard deviations > 0, or empty for 1 each;
    //      degree: 1..5; constantTerm: false fits without c0.
    // Returns FitFailure::Refused when the sizes disagree, n is smaller than the number of
    // fitted coefficients or a value is not finite; NoConvergence when the decomposition fails;
    // else None (the coefficients are then still to be checked for finiteness).
    FitFailure Fit(std::span<const long double> t, std::span<const long double> z, std::span<const double> sigma,
             int degree, bool constantTerm);

    // degree + 1 coefficients in powers of t, constant term first (exactly 0 without the
    // constant term). May hold non-finite values when the conversion overflows.
    const std::vector<double>& Coefficients() const { return coefficients_; }

    // sum_i ((z_i - P(t_i)) / sigma_i)^2 of the stored coefficients, in long double.
    double ChiSquare() const { return chiSquare_; }

    // The fitted z of the scaled solve at each point, before any conversion: what the stored
    // coefficients should reproduce.
    std::span<const long double> ScaledFitted() const { return scaledFitted_; }

    // The decomposition of the scaled design matrix (columns u^k, rows over sigma).
    const LeastSquaresDecomposition& Decomposition() const { return decomposition_; }
    long double Centre() const { return centre_; }
    long double Scale() const { return scale_; }
    bool HasConstantTerm() const { return constantTerm_; }
    int Degree() const { return degree_; }

    std::size_t PointCount() const { return t_.size(); }

    // 1 - h_ii for every point i, h the hat matrix: the i-th component of the part of the unit
    // vector e_i that the design's columns do not reach, projected by the decomposition and
    // refined with long double residuals as the coefficients are, so that it keeps its digits
    // when h_ii is close to 1 (where 1 - h_ii from the leverage alone would lose them to the
    // conditioning). A point that alone determines a coefficient gets 0 (or a rounding residue).
    std::vector<long double> LeftOutShares() const;
    // (z_i - Z_i) / sigma_i, Z the fitted values of the least-squares solution itself (refined
    // in the scaled basis with long double residuals, not rounded to stored coefficients).
    std::vector<long double> ScaledResiduals() const;

    // The scaled basis at t: u^k for the fitted powers k, over sigma.
    void ScaledBasis(long double t, double sigma, std::span<double> out) const;
    // The same in long double, over no sigma: the row g of the variance factor g^T Q g
    // (LeastSquaresDecomposition) of the fitted value at t.
    void ScaledBasis(long double t, std::span<long double> out) const;

    // Coefficients a of the fitted powers of u (Decomposition's columns) as coefficients of
    // 1, t, ..., t^degree, exactly in long double. The map is linear: applied to the unit
    // vectors it gives the columns of the matrix that carries the scaled coefficients'
    // covariance to the stored ones'.
    template <class T>
    std::vector<long double> ToPowersOfT(std::span<const T> a) const;

private:
    // (z_i - P(t_i)) / sigma_i for the double coefficients c, in long double.
    std::vector<long double> Residuals(std::span<const double> c) const;
    void Refine();
    // b - A x for x the least-squares solution of A x = b (b over sigma), refined with long
    // double residuals of the design in long double.
    std::vector<long double> RefinedResidual(std::vector<long double> b) const;

    std::vector<long double> t_;
    std::vector<long double> z_;
    std::vector<double> sigma_;
    int degree_ = 0;
    bool constantTerm_ = true;
    long double centre_ = 0;
    long double scale_ = 1;
    LeastSquaresDecomposition decomposition_;
    std::vector<double> coefficients_;
    std::vector<long double> scaledFitted_;
    double chiSquare_ = 0;
};

}  // namespace Tessar
