// Curve fitting: the decomposition, the least-squares fits and the record operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "calibration/calibration_data.h"
#include "calibration/calibration_fit.h"
#include "calibration/curve_fit.h"
#include "calibration/fit_kind.h"
#include "calibration/svd.h"
#include "tests/calibration/fit_record.h"
#include "tests/calibration/least_squares_reference.h"

namespace {

using Tessar::CalibrationData;
using Tessar::CCurveFit;
using Tessar::DenseMatrix;
using TestSupport::QrLeastSquares;
using TestSupport::Record;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();


// The polynomial least-squares answer of the given order (constant column dropped under force
// origin), constant term first.
std::vector<double> ReferencePolynomial(int order, const std::vector<double>& x, const std::vector<double>& y,
                                        bool forceOrigin)
{
    const int first = forceOrigin ? 1 : 0;
    std::vector<std::vector<long double>> a;
    for (double xi : x) {
        std::vector<long double> row;
        for (int k = first; k <= order; ++k)
            row.push_back(std::pow(static_cast<long double>(xi), k));
        a.push_back(row);
    }
    const std::vector<long double> solved = QrLeastSquares(a, std::vector<long double>(y.begin(), y.end()));
    std::vector<double> c(static_cast<std::size_t>(first), 0.0);
    for (long double v : solved)
        c.push_back(static_cast<double>(v));
    return c;
}

std::vector<double> Range(double first, double last, int count)
{
    std::vector<double> v;
    for (int i = 0; i < count; ++i)
        v.push_back(first + (last - first) * i / (count - 1));
    return v;
}

std::vector<double> PolynomialValues(const std::vector<double>& c, const std::vector<double>& x)
{
    std::vector<double> y;
    for (double xi : x) {
        long double v = 0;
        for (std::size_t k = c.size(); k-- > 0;)
            v = v * xi + c[k];
        y.push_back(static_cast<double>(v));
    }
    return y;
}

void ExpectSignificantDigits(const std::vector<double>& got, const std::vector<double>& expected,
                             double relative, const std::string& what)
{
    ASSERT_EQ(got.size(), expected.size()) << what;
    for (std::size_t k = 0; k < got.size(); ++k)
        EXPECT_NEAR(got[k], expected[k], relative * std::fabs(expected[k])) << what << ", c" << k;
}

// ---------------------------------------------------------------------------------------------
// Decomposition

TEST(SingularValueDecompose, ReconstructsWithOrthonormalFactors)
{
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> value(-5.0, 5.0);
    for (auto [m, n] : {std::pair<std::size_t, std::size_t>{12, 6}, {6, 6}, {2, 2}, {7, 1}, {9, 3}}) {
        DenseMatrix a(m, n);
        for (std::size_t i = 0; i < m; ++i)
            for (std::size_t j = 0; j < n; ++j)
                a(i, j) = value(random);
        DenseMatrix u = a;
        std::vector<double> w;
        DenseMatrix v(1, 1);
        ASSERT_TRUE(Tessar::SingularValueDecompose(u, w, v)) << m << "x" << n;
        for (std::size_t i = 0; i < m; ++i)
            for (std::size_t j = 0; j < n; ++j) {
                double sum = 0;
                for (std::size_t k = 0; k < n; ++k)
                    sum += u(i, k) * w[k] * v(j, k);
                EXPECT_NEAR(sum, a(i, j), 1e-13) << m << "x" << n;
            }
        for (std::size_t j = 0; j < n; ++j) {
            EXPECT_GE(w[j], 0.0);
            for (std::size_t k = 0; k < n; ++k) {
                double uu = 0, vv = 0;
                for (std::size_t i = 0; i < m; ++i)
                    uu += u(i, j) * u(i, k);
                for (std::size_t i = 0; i < n; ++i)
                    vv += v(i, j) * v(i, k);
                EXPECT_NEAR(uu, j == k ? 1.0 : 0.0, 1e-14);
                EXPECT_NEAR(vv, j == k ? 1.0 : 0.0, 1e-14);
            }
        }
    }
}

TEST(SingularValueDecompose, RankDeficientMatrixHasAZeroValue)
{
    // Third column = first + second; the fourth is all zeros.
    DenseMatrix a(5, 4);
    const double rows[5][2] = {{1, 2}, {3, -1}, {0.5, 4}, {-2, 2}, {7, 1}};
    for (std::size_t i = 0; i < 5; ++i) {
        a(i, 0) = rows[i][0];
        a(i, 1) = rows[i][1];
        a(i, 2) = rows[i][0] + rows[i][1];
    }
    std::vector<double> w;
    DenseMatrix v(1, 1);
    ASSERT_TRUE(Tessar::SingularValueDecompose(a, w, v));
    std::sort(w.begin(), w.end());
    EXPECT_EQ(w[0], 0.0);
    EXPECT_LT(w[1], 1e-14 * w[3]);
    EXPECT_GT(w[2], 1.0);
}

TEST(SingularValueDecompose, RefusesWhatItCannotDecompose)
{
    std::vector<double> w;
    DenseMatrix v(1, 1);
    DenseMatrix wide(2, 3);
    EXPECT_FALSE(Tessar::SingularValueDecompose(wide, w, v));
    for (double bad : {kNaN, kInf, -kInf}) {
        DenseMatrix a(3, 2);
        a(0, 0) = 1;
        a(1, 1) = 2;
        a(2, 0) = bad;
        EXPECT_FALSE(Tessar::SingularValueDecompose(a, w, v)) << bad;
    }
}

TEST(SafeHypot, NeitherOverflowsNorUnderflows)
{
    EXPECT_DOUBLE_EQ(Tessar::SafeHypot(3, 4), 5.0);
    EXPECT_DOUBLE_EQ(Tessar::SafeHypot(-4, 3), 5.0);
    EXPECT_EQ(Tessar::SafeHypot(0, 0), 0.0);
    EXPECT_EQ(Tessar::SafeHypot(0, -2.5), 2.5);
    EXPECT_DOUBLE_EQ(Tessar::SafeHypot(1e300, 1e300), std::sqrt(2.0) * 1e300);
    EXPECT_DOUBLE_EQ(Tessar::SafeHypot(3e-300, 4e-300), 5e-300);
}

// ---------------------------------------------------------------------------------------------
// Least squares: accuracy

TEST(CurveFitAccuracy, LoadCellQuadraticKeepsItsSquareTerm)
{
    // Raw counts of a load cell, 1e5 .. 3e6: the columns 1, x, x^2 span twelve decades.
    const std::vector<double> exact = {2.5, 4.2e-3, 3.1e-10};
    const std::vector<double> x = Range(1e5, 3e6, 10);
    const std::vector<double> y = PolynomialValues(exact, x);
    std::vector<double> c;
    double chiSquare = -1;
    ASSERT_TRUE(CCurveFit().PolynomialFit(2, x, y, c, chiSquare, false));
    ExpectSignificantDigits(c, exact, 1e-8, "load cell");
    const double sumSquares = std::inner_product(y.begin(), y.end(), y.begin(), 0.0);
    EXPECT_LT(chiSquare, 1e-24 * sumSquares);
}

TEST(CurveFitAccuracy, ExactPolynomialsGiveTheirCoefficients)
{
    struct Case {
        std::string name;
        std::vector<double> exact;
    };
    const std::vector<Case> cases = {
        {"1 + x + ... + x^5", {1, 1, 1, 1, 1, 1}},
        {"1 + 0.1x + ... + 1e-5x^5", {1, 0.1, 0.01, 1e-3, 1e-4, 1e-5}},
        {"quartic", {-3, 0.5, 2, -0.25, 0.01}},
        {"cubic", {100, -7, 0.3, 0.002}},
        {"quadratic", {0.5, -1, 0.125}},
        {"line", {-4, 2.5}},
    };
    const std::vector<double> x = Range(0, 20, 21);
    for (const Case& k : cases) {
        std::vector<double> c;
        double chiSquare;
        const int order = static_cast<int>(k.exact.size()) - 1;
        const std::vector<double> y = PolynomialValues(k.exact, x);
        ASSERT_TRUE(CCurveFit().PolynomialFit(order, x, y, c, chiSquare, false)) << k.name;
        ExpectSignificantDigits(c, k.exact, 5e-9, k.name);  // 8 significant digits of the nominal curve
        // and 12 of the exact least-squares coefficients of the same double data
        const std::vector<TestSupport::Rational> exact = TestSupport::ExactPolynomialFit(x, y, order);
        for (std::size_t j = 0; j < c.size(); ++j)
            EXPECT_NEAR(c[j], TestSupport::ToDouble(exact[j]), 1e-12 * std::fabs(TestSupport::ToDouble(exact[j])))
                << k.name << ", c" << j;
    }
}

TEST(CurveFitAccuracy, NoisyDataAgreeWithAnIndependentSolution)
{
    std::mt19937_64 random(42);
    std::normal_distribution<double> noise(0.0, 1.0);
    struct Case {
        std::string name;
        int order;
        std::vector<double> x;
        std::vector<double> truth;
        double sigma;
        bool forceOrigin;
    };
    const std::vector<Case> cases = {
        {"quintic 0..20", 5, Range(0, 20, 12), {1, 1, 1, 1, 1, 1}, 50.0, false},
        {"load cell", 2, Range(1.5e5, 3e6, 12), {2.5, 4.2e-3, 3.1e-10}, 3.0, false},
        {"cubic through origin", 3, Range(-3, 9, 8), {0, 2, -0.5, 0.1}, 0.2, true},
        {"quartic, mV", 4, Range(0.001, 0.010, 9), {1, 2e3, -1e5, 3e6, 1e8}, 0.01, false},
    };
    for (const Case& k : cases) {
        std::vector<double> y = PolynomialValues(k.truth, k.x);
        for (double& v : y)
            v += k.sigma * noise(random);
        const std::vector<double> expected = ReferencePolynomial(k.order, k.x, y, k.forceOrigin);
        std::vector<double> c;
        double chiSquare;
        ASSERT_TRUE(CCurveFit().PolynomialFit(k.order, k.x, y, c, chiSquare, k.forceOrigin)) << k.name;
        ExpectSignificantDigits(c, expected, 1e-8, k.name);
        double residuals = 0;
        const std::vector<double> fitted = PolynomialValues(expected, k.x);
        for (std::size_t i = 0; i < y.size(); ++i)
            residuals += (y[i] - fitted[i]) * (y[i] - fitted[i]);
        EXPECT_NEAR(chiSquare, residuals, 1e-8 * residuals) << k.name;
    }
}

// ---------------------------------------------------------------------------------------------
// Least squares: behaviour

TEST(CurveFit, UnequalLengthsFailForEveryLeastSquaresKind)
{
    for (int32_t kind = 0; kind <= 6; ++kind) {
        CalibrationData data = Record(kind, {1, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 4, 5, 6});
        EXPECT_FALSE(Tessar::FitCalibration(data)) << kind;
        EXPECT_EQ(data.coefficients_.size(), kind <= 4 ? kind + 2u : 2u) << kind;
    }
}

TEST(CurveFit, NonFiniteOrTooFewPointsFail)
{
    struct Case {
        std::string name;
        int32_t kind;
        std::vector<double> raw, calibrated;
    };
    const std::vector<Case> cases = {
        {"NaN raw", 1, {1, kNaN, 3, 4}, {1, 2, 3, 4}},
        {"NaN calibrated", 0, {1, 2, 3}, {1, kNaN, 3}},
        {"infinite calibrated", 2, {1, 2, 3, 4}, {1, 2, kInf, 4}},
        {"x^5 overflows", 4, {1, 2, 3, 4, 5, 1e70}, {1, 2, 3, 4, 5, 6}},
        {"fewer points than coefficients", 2, {1, 2}, {3, 4}},
        {"no points", 0, {}, {}},
        {"logarithm of a negative raw value", 5, {-1, 2, 3}, {1, 2, 3}},
        {"NaN calibrated, exponential", 6, {1, 2, 3}, {1, kNaN, 3}},
    };
    for (const Case& k : cases) {
        CalibrationData data = Record(k.kind, k.raw, k.calibrated);
        EXPECT_FALSE(Tessar::FitCalibration(data)) << k.name;
    }
}

TEST(CurveFit, TwoPointLine)
{
    CalibrationData data = Record(0, {0, 1}, {0, 2});
    ASSERT_TRUE(Tessar::HasEnoughPoints(data));
    ASSERT_TRUE(Tessar::FitCalibration(data));
    ASSERT_EQ(data.coefficients_.size(), 2u);
    EXPECT_NEAR(data.coefficients_[0], 0.0, 1e-15);
    EXPECT_NEAR(data.coefficients_[1], 2.0, 1e-15);
    EXPECT_NEAR(data.chiSquare_, 0.0, 1e-28);
    EXPECT_NEAR(data.sse_, 0.0, 1e-28);
    const double r = Tessar::CorrelationCoefficient(data.rawValues_, data.calibratedValues_);
    EXPECT_DOUBLE_EQ(r * r, 1.0);
}

TEST(CurveFit, ForceOriginKeepsAnExactZeroConstant)
{
    CalibrationData line = Record(0, {1, 2}, {2, 4.2}, true);
    ASSERT_TRUE(Tessar::FitCalibration(line));
    ASSERT_EQ(line.coefficients_.size(), 2u);
    EXPECT_EQ(line.coefficients_[0], 0.0);
    EXPECT_DOUBLE_EQ(line.coefficients_[1], 2.08);  // sum xy / sum x^2
    EXPECT_NEAR(line.chiSquare_, 0.008, 1e-15);     // (2 - 2.08)^2 + (4.2 - 4.16)^2

    // Large raw values as well: the zero column stays out of the equilibration.
    CalibrationData quadratic = Record(1, {2e5, 9e5, 1.7e6, 2.9e6}, {10, 47, 88, 160}, true);
    ASSERT_TRUE(Tessar::FitCalibration(quadratic));
    EXPECT_EQ(quadratic.coefficients_[0], 0.0);
    ExpectSignificantDigits(quadratic.coefficients_,
                            ReferencePolynomial(2, quadratic.rawValues_, quadratic.calibratedValues_, true), 1e-9,
                            "quadratic through the origin");
}

TEST(CurveFit, ExponentialFit)
{
    CalibrationData data = Record(6, {0, 1}, {1, std::exp(1.0)});
    ASSERT_TRUE(Tessar::FitCalibration(data));
    EXPECT_NEAR(data.coefficients_[0], 1.0, 1e-15);  // rate first
    EXPECT_NEAR(data.coefficients_[1], 1.0, 1e-15);  // amplitude second

    const std::vector<double> x = {0.5, 1, 2, 4, 7};
    std::vector<double> y;
    for (double xi : x)
        y.push_back(2.5 * std::exp(-0.3 * xi));
    std::vector<double> c;
    double chiSquare;
    ASSERT_TRUE(CCurveFit().ExponentialFit(x, y, c, chiSquare));
    EXPECT_NEAR(c[0], -0.3, 1e-13);
    EXPECT_NEAR(c[1], 2.5, 1e-13);
    EXPECT_LT(chiSquare, 1e-25);

    for (double bad : {0.0, -1.0}) {
        CalibrationData failing = Record(6, {0, 1, 2}, {1, bad, 3});
        EXPECT_FALSE(Tessar::FitCalibration(failing)) << bad;
    }
}

TEST(CurveFit, LogarithmicFit)
{
    const std::vector<double> x = {0.5, 1, 3, 10, 250};
    std::vector<double> y;
    for (double xi : x)
        y.push_back(3.0 + 2.0 * std::log(xi));
    CalibrationData data = Record(5, x, y);
    ASSERT_TRUE(Tessar::FitCalibration(data));
    EXPECT_NEAR(data.coefficients_[0], 3.0, 1e-13);
    EXPECT_NEAR(data.coefficients_[1], 2.0, 1e-13);
    // The SSE comes from the evaluator, whose logarithm is rounded to float.
    EXPECT_GT(data.sse_, 0.0);
    EXPECT_LT(data.sse_, 1e-10);

    CalibrationData zero = Record(5, {0, 1, 2}, {1, 2, 3});
    EXPECT_FALSE(Tessar::FitCalibration(zero));
}

TEST(CurveFit, ChiSquareAndSseAgreeForPolynomials)
{
    CalibrationData data = Record(2, {0, 1, 2, 3, 4, 5}, {1.1, 1.9, 5.2, 9.8, 17.5, 26.1});
    ASSERT_TRUE(Tessar::FitCalibration(data));
    EXPECT_GT(data.chiSquare_, 0.01);
    EXPECT_NEAR(data.sse_, data.chiSquare_, 1e-12 * data.chiSquare_);
}

// ---------------------------------------------------------------------------------------------
// Record operations

TEST(FitCalibration, HasEnoughPointsPerKind)
{
    struct Case {
        int32_t kind;
        std::size_t raw, calibrated;
        bool expected;
    };
    const std::vector<Case> cases = {
        {0, 2, 2, true},  {0, 1, 1, false}, {1, 3, 3, true},  {1, 2, 2, false}, {2, 4, 4, true},
        {3, 4, 4, false}, {3, 5, 5, true},  {4, 5, 5, false}, {4, 6, 6, true},  {5, 2, 2, true},
        {6, 1, 1, false}, {7, 2, 2, true},  {7, 1, 1, false}, {4, 6, 5, false}, {4, 5, 6, false},
        {-1, 12, 12, false}, {8, 12, 12, false},
    };
    for (const Case& k : cases) {
        const CalibrationData data = Record(k.kind, std::vector<double>(k.raw, 1.0), std::vector<double>(k.calibrated, 1.0));
        EXPECT_EQ(Tessar::HasEnoughPoints(data), k.expected) << "kind " << k.kind << ", " << k.raw << "/" << k.calibrated;
    }
}

TEST(FitCalibration, PointToPointSortsThePoints)
{
    std::vector<std::pair<double, double>> points = {{1, 10}, {2, 20}, {4, 0}};
    do {
        std::vector<double> raw, calibrated;
        for (auto [x, y] : points) {
            raw.push_back(x);
            calibrated.push_back(y);
        }
        CalibrationData data = Record(7, raw, calibrated);
        data.chiSquare_ = 5;
        ASSERT_TRUE(Tessar::FitCalibration(data));
        EXPECT_EQ(data.coefficients_, (std::vector<double>{1, 10, 2, 20, 4, 0}));
        EXPECT_EQ(data.chiSquare_, 0.0);
        EXPECT_EQ(data.sse_, 0.0);
    } while (std::next_permutation(points.begin(), points.end()));
}

TEST(FitCalibration, PointToPointFailures)
{
    CalibrationData repeated = Record(7, {1, 2, 2}, {5, 6, 7});
    EXPECT_FALSE(Tessar::FitCalibration(repeated));
    EXPECT_EQ(repeated.coefficients_.size(), 6u);
    CalibrationData unequal = Record(7, {1, 2, 3}, {5, 6});
    EXPECT_FALSE(Tessar::FitCalibration(unequal));
    CalibrationData nan = Record(7, {1, kNaN, 3}, {5, 6, 7});
    EXPECT_FALSE(Tessar::FitCalibration(nan));
}

TEST(FitCalibration, UnknownKindFailsWithoutFitting)
{
    CalibrationData data = Record(9, {1, 2, 3}, {2, 2, 5});
    data.coefficients_ = {7, 8};
    data.chiSquare_ = 3.5;
    EXPECT_FALSE(Tessar::FitCalibration(data));
    EXPECT_EQ(data.coefficients_, (std::vector<double>{7, 8}));
    EXPECT_EQ(data.chiSquare_, 3.5);
    EXPECT_EQ(data.sse_, 1.0 + 0.0 + 4.0);  // the identity stands in for the function
}

TEST(FitCalibration, ComputeSseUsesTheRecordsFunction)
{
    CalibrationData data = Record(0, {0, 1, 2}, {1, 2, 7});
    data.coefficients_ = {1, 2};  // y = 1 + 2x: residuals 0, -1, 2
    EXPECT_EQ(Tessar::ComputeSse(data), 3u);
    EXPECT_EQ(data.sse_, 5.0);

    data.calibratedValues_.pop_back();  // only matched points count
    EXPECT_EQ(Tessar::ComputeSse(data), 2u);
    EXPECT_EQ(data.sse_, 1.0);

    data.fitKind_ = 6;
    data.coefficients_ = {0.0, 1.5};  // y = 1.5 everywhere
    EXPECT_EQ(Tessar::ComputeSse(data), 2u);
    EXPECT_EQ(data.sse_, 0.25 + 0.25);
}

TEST(FitCalibration, CorrelationCoefficient)
{
    using Tessar::CorrelationCoefficient;
    EXPECT_DOUBLE_EQ(CorrelationCoefficient({1, 2, 3}, {2, 4, 6}), 1.0);
    EXPECT_DOUBLE_EQ(CorrelationCoefficient({1, 2, 3}, {3, 2, 1}), -1.0);
    EXPECT_DOUBLE_EQ(CorrelationCoefficient({1, 2, 3, 4}, {1, 3, 2, 4}), 0.8);
    EXPECT_DOUBLE_EQ(CorrelationCoefficient({1, 2, 3, 100}, {2, 4, 6}), 1.0);  // first min(n) points
    EXPECT_TRUE(std::isnan(CorrelationCoefficient({1, 1, 1}, {1, 2, 3})));
    EXPECT_TRUE(std::isnan(CorrelationCoefficient({}, {})));
}

}  // namespace
