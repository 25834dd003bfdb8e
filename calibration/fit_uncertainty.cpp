#include "calibration/fit_uncertainty.h"

#include <cmath>
#include <limits>

#include <boost/math/distributions/students_t.hpp>

#include "calibration/curve_fit.h"
#include "calibration/fit_kind.h"
#include "calibration/fitted_space.h"

namespace Tessar {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool IsExponential(int32_t kind) { return kind == static_cast<int32_t>(FitKind::Exponential); }

// L = R M^T (rank x (degree + 1)): the covariance root carried to the powers of t, so that the
// covariance of P's coefficients is s^2 L^T L.
std::vector<std::vector<long double>> RootInPowersOfT(const ScaledPolynomialFit& fit)
{
    const LeastSquaresDecomposition& d = fit.Decomposition();
    const DenseMatrix& root = d.CovarianceRoot();
    const std::size_t columns = d.Cols();
    const std::size_t powers = static_cast<std::size_t>(fit.Degree()) + 1;
    // Column j of M: the powers of t that scaled coefficient j stands for.
    std::vector<std::vector<long double>> m(columns);
    for (std::size_t j = 0; j < columns; ++j) {
        std::vector<long double> unit(columns, 0);
        unit[j] = 1;
        m[j] = fit.ToPowersOfT(std::span<const long double>(unit));
    }
    std::vector<std::vector<long double>> l(root.Rows(), std::vector<long double>(powers, 0));
    for (std::size_t r = 0; r < root.Rows(); ++r)
        for (std::size_t k = 0; k < powers; ++k)
            for (std::size_t j = 0; j < columns; ++j)
                l[r][k] += root(r, j) * m[j][k];
    return l;
}

}  // namespace

double StudentQuantile(double q, int32_t nu)
{
    if (nu < 1 || !(q > 0 && q < 1))
        return kNaN;
    const boost::math::students_t_distribution<double> distribution(static_cast<double>(nu));
    return boost::math::quantile(distribution, q);
}

bool FitUncertainty::Build(const CalibrationData& data, std::span<const double> sigma)
{
    kind_ = data.fitKind_;
    polynomial_ = FittedPolynomial(kind_, data.coefficients_);
    if (polynomial_.empty() ||
        FitInFittedSpace(kind_, data.forceOrigin_, data.rawValues_, data.calibratedValues_, sigma, fit_) !=
            FitFailure::None)
        return false;

    points_ = static_cast<int32_t>(fit_.PointCount());
    parameters_ = fit_.Decomposition().Rank();
    const int32_t nu = DegreesOfFreedom();
    s_ = nu > 0 ? std::sqrt(fit_.ChiSquare() / nu) : kNaN;
    studentT_ = StudentQuantile(0.5 + kPredictionCoverage / 2, nu);

    const std::vector<std::vector<long double>> l = RootInPowersOfT(fit_);
    const std::size_t powers = polynomial_.size();
    std::vector<long double> line(powers * powers, 0);
    const long double variance = static_cast<long double>(s_) * s_;
    for (std::size_t j = 0; j < powers; ++j)
        for (std::size_t k = 0; k < powers; ++k) {
            for (const std::vector<long double>& row : l)
                line[j * powers + k] += row[j] * row[k];
            line[j * powers + k] *= variance;
        }
    covariance_.assign(line.begin(), line.end());
    if (IsExponential(kind_)) {
        // Stored (rate, amplitude) = (b, e^a) of P = a + b t: first order in a.
        const long double amplitude = data.coefficients_[1];
        covariance_ = {static_cast<double>(line[3]), static_cast<double>(amplitude * line[2]),
                       static_cast<double>(amplitude * line[1]), static_cast<double>(amplitude * amplitude * line[0])};
    }
    return true;
}

std::vector<double> FitUncertainty::StandardErrors() const
{
    const std::size_t n = static_cast<std::size_t>(std::sqrt(static_cast<double>(covariance_.size())) + 0.5);
    std::vector<double> errors(n);
    for (std::size_t k = 0; k < n; ++k)
        errors[k] = std::sqrt(covariance_[k * n + k]);
    return errors;
}

PredictionInterval FitUncertainty::At(double x0, double sigma0) const
{
    const long double t0 = FittedAbscissa(kind_, x0);
    const long double z = EvaluateFitted(polynomial_, t0);
    std::vector<long double> g(fit_.Decomposition().Cols());
    fit_.ScaledBasis(t0, g);
    const long double factor = fit_.Decomposition().VarianceFactor(g);
    const long double h = studentT_ * s_ * std::sqrt(static_cast<long double>(sigma0) * sigma0 + factor);

    PredictionInterval interval;
    interval.fitted = static_cast<double>(CurveOrdinate(kind_, z));
    interval.lower = static_cast<double>(CurveOrdinate(kind_, z - h));
    interval.upper = static_cast<double>(CurveOrdinate(kind_, z + h));
    interval.halfWidth = static_cast<double>((CurveOrdinate(kind_, z + h) - CurveOrdinate(kind_, z - h)) / 2);
    return interval;
}

void FitUncertainty::HalfWidths(std::span<const double> raw, std::span<double> out) const
{
    const DenseMatrix& root = fit_.Decomposition().CovarianceRoot();
    const std::size_t rank = root.Rows();
    const std::size_t columns = root.Cols();
    const bool constantTerm = fit_.HasConstantTerm();
    const double centre = static_cast<double>(fit_.Centre());
    const double inverseScale = static_cast<double>(1 / fit_.Scale());
    const double spread = studentT_ * s_;
    const bool logarithmic = kind_ == static_cast<int32_t>(FitKind::Logarithmic);
    const bool exponential = IsExponential(kind_);
    double g[8];
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const double x = raw[i];
        const double t = logarithmic ? (x > 0 ? std::log(x) : kNaN) : x;
        const double u = (t - centre) * inverseScale;
        double power = constantTerm ? 1 : u;
        for (std::size_t j = 0; j < columns; ++j, power *= u)
            g[j] = power;
        double factor = 1;  // sigma0^2
        for (std::size_t r = 0; r < rank; ++r) {
            double dot = 0;
            for (std::size_t j = 0; j < columns; ++j)
                dot += root(r, j) * g[j];
            factor += dot * dot;
        }
        const double h = spread * std::sqrt(factor);
        if (exponential) {
            // (e^(z + h) - e^(z - h)) / 2 = e^z sinh h.
            double z = 0;
            for (std::size_t k = polynomial_.size(); k-- > 0;)
                z = z * t + static_cast<double>(polynomial_[k]);
            out[i] = std::exp(z) * std::sinh(h);
        } else {
            out[i] = h;
        }
    }
}

}  // namespace Tessar
