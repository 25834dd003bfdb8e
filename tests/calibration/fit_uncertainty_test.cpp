// The uncertainty of a least-squares fit against independent references: exact rational
// arithmetic on the normal equations (X^T X and its inverse) for the residual standard
// deviation, the standard errors and the prediction half-widths, and Student's t from a
// series of its distribution function (not the library the engine uses).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "calibration/calibration_fit.h"
#include "calibration/curve_fit.h"
#include "calibration/fit_uncertainty.h"
#include "tests/calibration/fit_record.h"
#include "tests/calibration/least_squares_reference.h"

namespace {

using Tessar::CalibrationData;
using Tessar::FitUncertainty;
using TestSupport::Exact;
using TestSupport::ExactFit;
using TestSupport::ExactLeastSquares;
using TestSupport::ExactVarianceFactor;
using TestSupport::Rational;
using TestSupport::Record;
using TestSupport::ToDouble;

constexpr double kRelative = 1e-10;

// P(|T| < t) for Student's t with nu degrees of freedom, by the finite series of its
// distribution function (Abramowitz and Stegun 26.7.3 and 26.7.4), in long double.
long double CentralProbability(long double t, int nu)
{
    const long double theta = std::atan(t / std::sqrt(static_cast<long double>(nu)));
    const long double c2 = std::cos(theta) * std::cos(theta);
    const long double s = std::sin(theta);
    if (nu % 2 == 0) {
        long double term = 1, sum = 1;
        for (int k = 2; k <= nu - 2; k += 2) {
            term *= c2 * (k - 1) / k;
            sum += term;
        }
        return s * sum;
    }
    long double sum = 0;
    if (nu > 1) {
        long double term = 1;
        sum = 1;
        for (int k = 3; k <= nu - 2; k += 2) {
            term *= c2 * (k - 1) / k;
            sum += term;
        }
        sum *= s * std::cos(theta);
    }
    return 2 / std::numbers::pi_v<long double> * (theta + sum);
}

// t(0.975, nu) by bisection on the series.
double ReferenceQuantile(int nu)
{
    long double low = 0, high = 100;
    for (int i = 0; i < 200; ++i) {
        const long double mid = (low + high) / 2;
        (CentralProbability(mid, nu) < 0.95L ? low : high) = mid;
    }
    return static_cast<double>((low + high) / 2);
}

void ExpectRelative(double got, double want, const std::string& what)
{
    EXPECT_NEAR(got, want, kRelative * std::fabs(want)) << what;
}

TEST(FitUncertainty, StudentQuantileMatchesTheDistributionSeries)
{
    for (int nu : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 20, 30, 60, 120}) {
        const double t = Tessar::StudentQuantile(0.975, nu);
        EXPECT_NEAR(static_cast<double>(CentralProbability(t, nu)), 0.95, 1e-13) << "nu " << nu;
        EXPECT_NEAR(t, ReferenceQuantile(nu), 1e-11 * t) << "nu " << nu;
    }
    // The closed forms of one and two degrees of freedom.
    EXPECT_NEAR(Tessar::StudentQuantile(0.975, 1), std::tan(0.475 * std::numbers::pi), 1e-12);
    EXPECT_NEAR(Tessar::StudentQuantile(0.975, 2), 0.95 / std::sqrt(2 * 0.975 * 0.025), 1e-12);
    EXPECT_TRUE(std::isnan(Tessar::StudentQuantile(0.975, 0)));
    EXPECT_TRUE(std::isnan(Tessar::StudentQuantile(1.0, 3)));
}

std::vector<double> Wobbly(const std::vector<double>& x, double a, double b, double c, double d)
{
    std::vector<double> y;
    for (double v : x) y.push_back(a + b * v + c * v * v * v + 0.05 * std::sin(7 * v + d));
    return y;
}

struct PolynomialCase {
    std::string name;
    int32_t kind;
    bool forceOrigin;
    std::vector<double> x;
    std::vector<double> y;
    std::vector<double> sigma;  // empty: unweighted
};

// s, every standard error and the half-width at raw values inside and outside the points,
// against the exact fit of the same points.
void ExpectMatchesExactFit(const PolynomialCase& c)
{
    CalibrationData data = Record(c.kind, c.x, c.y, c.forceOrigin);
    ASSERT_TRUE(Tessar::FitCalibration(data)) << c.name;
    // A weighted record holds the weighted fit's coefficients.
    double chiSquare = 0;
    if (!c.sigma.empty()) {
        ASSERT_TRUE(Tessar::CCurveFit().PolynomialFit(c.kind + 1, c.x, c.y, data.coefficients_, chiSquare,
                                                      c.forceOrigin, c.sigma));
    }
    FitUncertainty u;
    ASSERT_TRUE(u.Build(data, c.sigma)) << c.name;

    const int degree = c.kind + 1;
    std::vector<double> weights;
    for (double s : c.sigma) weights.push_back(1 / (s * s));
    const ExactFit exact = ExactLeastSquares(c.x, c.y, degree, !c.forceOrigin, weights);
    const int nu = static_cast<int>(c.x.size()) - (degree + (c.forceOrigin ? 0 : 1));
    ASSERT_EQ(u.DegreesOfFreedom(), nu) << c.name;
    const Rational variance = exact.weightedSse / nu;
    ExpectRelative(u.ResidualStandardDeviation(), std::sqrt(ToDouble(variance)), c.name + ": s");

    const std::vector<double> errors = u.StandardErrors();
    ASSERT_EQ(errors.size(), static_cast<size_t>(degree + 1)) << c.name;
    if (c.forceOrigin) {
        EXPECT_EQ(errors[0], 0.0) << c.name << ": c0 is fixed";
    }
    for (int k = exact.first; k <= degree; ++k) {
        const std::size_t j = static_cast<std::size_t>(k - exact.first);
        ExpectRelative(errors[static_cast<std::size_t>(k)], std::sqrt(ToDouble(variance * exact.inverse[j][j])),
                       c.name + ": SE of c" + std::to_string(k));
    }

    const double t = ReferenceQuantile(nu);
    const std::vector<double> raw = {c.x.front(), c.x[c.x.size() / 2], c.x.back(), c.x.back() + 2, -1.5};
    std::vector<double> batch(raw.size());
    u.HalfWidths(raw, batch);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const double want = t * std::sqrt(ToDouble(variance * (1 + ExactVarianceFactor(exact, raw[i]))));
        const Tessar::PredictionInterval at = u.At(raw[i]);
        const std::string where = c.name + " at " + std::to_string(raw[i]);
        ExpectRelative(at.halfWidth, want, where);
        ExpectRelative(at.upper - at.fitted, want, where + ": upper");
        ExpectRelative(batch[i], want, where + ": in a block");
        EXPECT_NEAR(at.fitted, ToDouble(TestSupport::ExactPolynomialValue(exact.coefficients, raw[i])),
                    1e-12 * (1 + std::fabs(at.fitted)))
            << where;
    }
}

TEST(FitUncertainty, PolynomialFitsMatchExactArithmetic)
{
    const std::vector<double> x5 = {0, 1, 2.5, 4, 5.5};
    const std::vector<double> x8 = {-3, -2, -0.5, 0.25, 1, 2, 3.5, 5};
    const std::vector<PolynomialCase> cases = {
        {"linear", 0, false, x5, Wobbly(x5, 1, 2, 0, 0), {}},
        {"linear, far from zero", 0, false, {1000, 1001, 1002, 1004, 1007}, Wobbly(x5, 3, 0.2, 0, 1), {}},
        {"quadratic", 1, false, x8, Wobbly(x8, -1, 0.5, 0.01, 2), {}},
        {"cubic", 2, false, x8, Wobbly(x8, 2, -1, 0.2, 3), {}},
        {"linear through the origin", 0, true, x5, Wobbly(x5, 0, 3, 0, 4), {}},
        {"quadratic through the origin", 1, true, x8, Wobbly(x8, 0, 1, 0.05, 5), {}},
        {"cubic, one degree of freedom", 2, false, {0, 1, 2, 3, 4}, {0.1, 1.2, 7.9, 27.3, 63.8}, {}},
        {"weighted linear", 0, false, x5, Wobbly(x5, 1, 2, 0, 6), {0.5, 1, 2, 1, 0.25}},
        {"weighted quadratic", 1, false, x8, Wobbly(x8, 1, 1, 0.03, 7), {1, 2, 1, 0.5, 0.5, 1, 3, 1}},
    };
    for (const PolynomialCase& c : cases) ExpectMatchesExactFit(c);
}

// The logarithmic kind is the linear fit in ln x: its errors and its band at x0 are those of
// that fit at ln x0.
TEST(FitUncertainty, LogarithmicIsTheLinearFitInTheLogarithmOfX)
{
    const std::vector<double> x = {0.5, 1, 2, 4, 8, 16};
    const std::vector<double> y = {-0.62, 0.1, 0.74, 1.38, 2.05, 2.71};
    CalibrationData data = Record(5, x, y);
    ASSERT_TRUE(Tessar::FitCalibration(data));
    FitUncertainty u;
    ASSERT_TRUE(u.Build(data));
    std::vector<double> t;
    for (double v : x) t.push_back(static_cast<double>(std::log(static_cast<long double>(v))));
    const ExactFit exact = ExactLeastSquares(t, y, 1);
    const Rational variance = exact.weightedSse / 4;
    const std::vector<double> errors = u.StandardErrors();
    ExpectRelative(errors[0], std::sqrt(ToDouble(variance * exact.inverse[0][0])), "SE of c0");
    ExpectRelative(errors[1], std::sqrt(ToDouble(variance * exact.inverse[1][1])), "SE of c1");
    for (double x0 : {0.25, 3.0, 40.0}) {
        const double t0 = static_cast<double>(std::log(static_cast<long double>(x0)));
        const double want = ReferenceQuantile(4) * std::sqrt(ToDouble(variance * (1 + ExactVarianceFactor(exact, t0))));
        ExpectRelative(u.At(x0).halfWidth, want, "at " + std::to_string(x0));
    }
    EXPECT_TRUE(std::isnan(u.At(0).halfWidth));
    EXPECT_TRUE(std::isnan(u.At(-1).fitted));
}

// The exponential kind is the linear fit of ln y: the rate's error is the slope's, the
// amplitude's is c1 times the intercept's, and the interval is y e^-h .. y e^h.
TEST(FitUncertainty, ExponentialIsTheLinearFitOfTheLogarithmOfY)
{
    const std::vector<double> x = {0, 0.5, 1, 1.5, 2, 3, 4};
    const std::vector<double> y = {2.1, 2.9, 3.8, 5.3, 7.0, 12.9, 22.4};
    CalibrationData data = Record(6, x, y);
    ASSERT_TRUE(Tessar::FitCalibration(data));
    FitUncertainty u;
    ASSERT_TRUE(u.Build(data));
    std::vector<double> z;
    for (double v : y) z.push_back(static_cast<double>(std::log(static_cast<long double>(v))));
    const ExactFit exact = ExactLeastSquares(x, z, 1);
    const Rational variance = exact.weightedSse / 5;
    const double amplitude = data.coefficients_[1];
    const std::vector<double> errors = u.StandardErrors();
    ExpectRelative(errors[0], std::sqrt(ToDouble(variance * exact.inverse[1][1])), "SE of the rate");
    ExpectRelative(errors[1], amplitude * std::sqrt(ToDouble(variance * exact.inverse[0][0])), "SE of the amplitude");
    ExpectRelative(u.ResidualStandardDeviation(), std::sqrt(ToDouble(variance)), "s in ln y");
    for (double x0 : {-1.0, 1.25, 6.0}) {
        const double h = ReferenceQuantile(5) * std::sqrt(ToDouble(variance * (1 + ExactVarianceFactor(exact, x0))));
        const double fitted = amplitude * std::exp(data.coefficients_[0] * x0);
        const Tessar::PredictionInterval at = u.At(x0);
        const std::string where = "at " + std::to_string(x0);
        ExpectRelative(at.lower, fitted * std::exp(-h), where + ": lower");
        ExpectRelative(at.upper, fitted * std::exp(h), where + ": upper");
        ExpectRelative(at.halfWidth, fitted * std::sinh(h), where + ": half-width");
        std::vector<double> batch{x0};
        u.HalfWidths(batch, batch);
        ExpectRelative(batch[0], fitted * std::sinh(h), where + ": in a block");
    }
}

// The hat matrix's diagonal: w_i g_i^T N^-1 g_i, summing to the number of fitted coefficients.
TEST(FitUncertainty, LeveragesAreTheHatMatrixDiagonal)
{
    const std::vector<double> x = {-2, -1, 0, 0.5, 1, 3};
    const std::vector<double> y = Wobbly(x, 1, 2, 0.1, 8);
    const std::vector<double> sigma = {1, 2, 1, 0.5, 1, 4};
    std::vector<double> weights;
    for (double s : sigma) weights.push_back(1 / (s * s));
    CalibrationData data = Record(1, x, y);
    double chiSquare = 0;
    ASSERT_TRUE(Tessar::CCurveFit().PolynomialFit(2, x, y, data.coefficients_, chiSquare, false, sigma));
    FitUncertainty u;
    ASSERT_TRUE(u.Build(data, sigma));
    const ExactFit exact = ExactLeastSquares(x, y, 2, true, weights);
    double trace = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double want = ToDouble(Exact(weights[i]) * ExactVarianceFactor(exact, x[i]));
        EXPECT_NEAR(u.Leverage(i), want, 1e-12) << "point " << i;
        trace += u.Leverage(i);
    }
    EXPECT_NEAR(trace, 3, 1e-12);
}

TEST(FitUncertainty, NoDegreesOfFreedomLeaveNoBand)
{
    struct Case {
        std::string name;
        CalibrationData data;
    } cases[] = {
        {"two points, linear", Record(0, {1, 2}, {3, 5})},
        {"three points, quadratic", Record(1, {0, 1, 2}, {1, 0, 3})},
        {"two points through the origin, quadratic", Record(1, {1, 2}, {1, 5}, true)},
    };
    for (Case& c : cases) {
        ASSERT_TRUE(Tessar::FitCalibration(c.data)) << c.name;
        FitUncertainty u;
        ASSERT_TRUE(u.Build(c.data)) << c.name;
        EXPECT_EQ(u.DegreesOfFreedom(), 0) << c.name;
        EXPECT_TRUE(std::isnan(u.ResidualStandardDeviation())) << c.name;
        for (double e : u.StandardErrors()) EXPECT_TRUE(std::isnan(e)) << c.name;
        const Tessar::PredictionInterval at = u.At(1.5);
        EXPECT_TRUE(std::isnan(at.halfWidth) && std::isnan(at.lower) && std::isnan(at.upper)) << c.name;
        EXPECT_TRUE(std::isfinite(at.fitted)) << c.name << ": the curve is still there";
        std::vector<double> batch{0.5, 1.5};
        u.HalfWidths(batch, batch);
        EXPECT_TRUE(std::isnan(batch[0]) && std::isnan(batch[1])) << c.name;
    }
    // Point to point has no least-squares fit, and so no uncertainty of one.
    CalibrationData table = Record(7, {1, 2, 3}, {2, 4, 5});
    ASSERT_TRUE(Tessar::FitCalibration(table));
    EXPECT_FALSE(FitUncertainty().Build(table));
}

}  // namespace
