// The accuracy of the least-squares fits on points far from zero and on ill-conditioned
// points, their failures when doubles cannot carry a fit, and the conditioning they report;
// every expectation comes from exact rational arithmetic or long double QR.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "calibration/calibration_data.h"
#include "calibration/calibration_fit.h"
#include "calibration/curve_fit.h"
#include "calibration/evaluators.h"
#include "tests/calibration/fit_record.h"
#include "tests/calibration/least_squares_reference.h"

namespace {

using Tessar::CalibrationData;
using Tessar::CCurveFit;
using Tessar::FitDiagnostics;
using Tessar::FitFailure;
using TestSupport::Exact;
using TestSupport::ExactPolynomialFit;
using TestSupport::ExactPolynomialValue;
using TestSupport::Record;
using TestSupport::Rational;
using TestSupport::ToDouble;

std::vector<double> Steps(double first, double step, int count)
{
    std::vector<double> v;
    for (int i = 0; i < count; ++i) v.push_back(first + step * i);
    return v;
}

// Significant digits of got against the exact value (17 when equal).
double CorrectDigits(double got, const Rational& exact)
{
    if (exact == 0) return got == 0 ? 17 : 0;
    const double error = std::fabs(ToDouble((Exact(got) - exact) / exact));
    return error == 0 ? 17 : std::min(17.0, -std::log10(error));
}

// The calibrated values the channel computes from the stored coefficients (the evaluator in
// double precision) against the exact least-squares fitted values, over the range of y.
double LargestMissOverRange(const std::vector<double>& coefficients, const std::vector<Rational>& exact,
                            const std::vector<double>& x, const std::vector<double>& y)
{
    std::vector<double> evaluated = x;
    Tessar::EvaluatePolynomial(coefficients, evaluated.data(), evaluated.data() + evaluated.size());
    const auto [low, high] = std::minmax_element(y.begin(), y.end());
    double miss = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        miss = std::max(miss, std::fabs(ToDouble(Exact(evaluated[i]) - ExactPolynomialValue(exact, x[i]))));
    return miss / (*high - *low);
}

// Twelve raw values 1000..1011 mV: the columns 1, x, ..., x^5 agree to ten digits, and the
// stored coefficients of a cubic cancel to a third of a million.
TEST(ScaledFit, PointsFarFromZeroGiveTheLeastSquaresFittedValues)
{
    const std::vector<double> x = Steps(1000, 1, 12);
    std::mt19937_64 random(18);
    std::normal_distribution<double> noise(0.0, 1.0);
    struct Case {
        std::string name;
        int order;
        double noise;
    };
    for (const Case& k : std::vector<Case>{{"cubic, exact", 3, 0},
                                           {"quintic, exact", 5, 0},
                                           {"quintic, noisy", 5, 1e-6},
                                           {"quadratic, noisy", 2, 1e-3},
                                           {"cubic, noisy", 3, 1e-2}}) {
        std::vector<double> y;
        for (double xi : x) {
            const double t = xi - 1000;
            y.push_back(0.5 + 0.01 * t * t + 0.001 * t * t * t + k.noise * noise(random));
        }
        CalibrationData data = Record(k.order - 1, x, y);
        ASSERT_TRUE(Tessar::FitCalibration(data)) << k.name;
        const std::vector<Rational> exact = ExactPolynomialFit(x, y, k.order);
        EXPECT_LE(LargestMissOverRange(data.coefficients_, exact, x, y), 1e-9) << k.name;
        // The chi-square is that of the least-squares solution, not of a poorer one.
        Rational exactChiSquare = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const Rational r = Exact(y[i]) - ExactPolynomialValue(exact, x[i]);
            exactChiSquare += r * r;
        }
        // What rounding the coefficients to doubles costs at best: 1e-9 of the range a point.
        const double range = *std::max_element(y.begin(), y.end()) - *std::min_element(y.begin(), y.end());
        const double floor = double(x.size()) * (1e-9 * range) * (1e-9 * range);
        EXPECT_GE(data.chiSquare_, ToDouble(exactChiSquare) * (1 - 1e-9)) << k.name;
        EXPECT_LE(data.chiSquare_, ToDouble(exactChiSquare) * (1 + 1e-6) + floor) << k.name;
    }
}

TEST(ScaledFit, NoisyDataReplicatesAndForceOriginAgreeToTenDigits)
{
    std::mt19937_64 random(1811);
    std::normal_distribution<double> noise(0.0, 1.0);
    struct Case {
        std::string name;
        int order;
        std::vector<double> x;
        bool forceOrigin;
        double noise;
    };
    // Replicates: each raw value measured three times, as calibration laboratories do.
    std::vector<double> replicated;
    for (double v : Steps(80, 40, 12)) replicated.insert(replicated.end(), {v, v, v});
    const std::vector<Case> cases = {
        {"line, noisy", 1, Steps(0.5, 0.25, 12), false, 0.05},
        {"quadratic, replicates", 2, replicated, false, 0.5},
        {"line, replicates", 1, replicated, false, 0.5},
        {"cubic through the origin", 3, Steps(-3, 1.1, 11), true, 0.2},
        {"quadratic through the origin, far from zero", 2, Steps(2e5, 2.5e5, 12), true, 0.1},
        {"quartic, mV", 4, Steps(0.001, 0.001, 10), false, 0.01},
    };
    for (const Case& k : cases) {
        std::vector<double> y;
        for (double xi : k.x) y.push_back(1.5 + 0.8 * xi + 1e-4 * xi * xi + k.noise * noise(random));
        if (k.forceOrigin)
            for (std::size_t i = 0; i < y.size(); ++i) y[i] -= 1.5;
        const std::vector<Rational> exact = ExactPolynomialFit(k.x, y, k.order, !k.forceOrigin);
        std::vector<double> c;
        double chiSquare = -1;
        FitDiagnostics diagnostics;
        ASSERT_TRUE(CCurveFit().PolynomialFit(k.order, k.x, y, c, chiSquare, k.forceOrigin, {}, &diagnostics))
            << k.name;
        EXPECT_EQ(diagnostics.failure, FitFailure::None) << k.name;
        EXPECT_EQ(diagnostics.singularValuesCut, 0) << k.name;
        if (k.forceOrigin) {
            EXPECT_EQ(c[0], 0.0) << k.name;
        }
        for (std::size_t j = k.forceOrigin ? 1 : 0; j < c.size(); ++j)
            EXPECT_GE(CorrectDigits(c[j], exact[j]), 10) << k.name << ", c" << j;
    }
}

TEST(ScaledFit, RawValuesTooCloseForDoublesFailInsteadOfMissingThePoints)
{
    const double one = 1.0;
    const double next = one + 2.2e-16;  // the next double above 1
    FitDiagnostics diagnostics;
    // The two points themselves may come out exact (the coefficients +-2^52 are doubles), but
    // not a sample near them; generic values miss the points too.
    for (const std::vector<double>& y : {std::vector<double>{0, 1}, std::vector<double>{0.3, 0.7}}) {
        CalibrationData line = Record(0, {one, next}, y);
        EXPECT_FALSE(Tessar::FitCalibration(line, &diagnostics)) << y[1];
        EXPECT_EQ(diagnostics.failure, FitFailure::CannotCarry) << y[1];
    }

    // Far apart beside their distance from zero, the same points fit exactly.
    CalibrationData wide = Record(0, {1, 1.5}, {0, 1});
    ASSERT_TRUE(Tessar::FitCalibration(wide, &diagnostics));
    EXPECT_EQ(diagnostics.failure, FitFailure::None);
    EXPECT_EQ(wide.coefficients_, (std::vector<double>{-2, 2}));

    // A quadratic on raw values 1e8 + 1e-6 i: fitted exactly in u, but no doubles hold it.
    std::vector<double> x, y;
    for (int i = 0; i < 5; ++i) {
        x.push_back(1e8 + 1e-6 * i);
        y.push_back(double(i * i));
    }
    CalibrationData tight = Record(1, x, y);
    EXPECT_FALSE(Tessar::FitCalibration(tight, &diagnostics));
    EXPECT_EQ(diagnostics.failure, FitFailure::CannotCarry);
}

TEST(ScaledFit, ValuesThatOverflowFail)
{
    struct Case {
        std::string name;
        int32_t kind;
        std::vector<double> x, y;
    };
    const std::vector<Case> cases = {
        {"slope overflows", 0, {0, 1}, {1e308, -1e308}},
        {"chi-square overflows", 0, {0, 1, 2}, {1.5e308, -1.5e308, 1.5e308}},
        {"amplitude overflows", 6, {0, 1}, {1e300, 1e305}},
    };
    for (const Case& k : cases) {
        CalibrationData data = Record(k.kind, k.x, k.y);
        FitDiagnostics diagnostics;
        EXPECT_FALSE(Tessar::FitCalibration(data, &diagnostics)) << k.name;
        EXPECT_EQ(diagnostics.failure, FitFailure::NotFinite) << k.name;
    }
}

TEST(ScaledFit, ConditioningIsReported)
{
    FitDiagnostics diagnostics;
    CalibrationData line = Record(0, Steps(1000, 1, 12), Steps(5, 2, 12));
    ASSERT_TRUE(Tessar::FitCalibration(line, &diagnostics));
    // u spans [-1, 1] whatever the offset: the line is as well conditioned at 1000 as at 0.
    EXPECT_GE(diagnostics.conditionNumber, 1.0);
    EXPECT_LT(diagnostics.conditionNumber, 2.0);
    EXPECT_EQ(diagnostics.singularValuesCut, 0);

    CalibrationData quintic = Record(4, Steps(1000, 1, 12), Steps(5, 2, 12));
    ASSERT_TRUE(Tessar::FitCalibration(quintic, &diagnostics));
    EXPECT_GT(diagnostics.conditionNumber, 10.0);
    EXPECT_LT(diagnostics.conditionNumber, 1e4);

    // Replicates of one raw value: the slope is not determined; the minimum-norm fit is the
    // mean, and the cut singular value says so.
    CalibrationData one = Record(0, {2, 2, 2}, {1, 2, 6});
    ASSERT_TRUE(Tessar::FitCalibration(one, &diagnostics));
    EXPECT_EQ(diagnostics.singularValuesCut, 1);
    EXPECT_TRUE(std::isinf(diagnostics.conditionNumber));
    EXPECT_DOUBLE_EQ(one.coefficients_[0], 3.0);
    EXPECT_EQ(one.coefficients_[1], 0.0);

    // Point to point makes no decomposition.
    CalibrationData table = Record(7, {1, 2}, {3, 4});
    ASSERT_TRUE(Tessar::FitCalibration(table, &diagnostics));
    EXPECT_EQ(diagnostics.conditionNumber, 0.0);
}

// The logarithmic and exponential fits are lines in ln x and of ln y; the scaling keeps them
// accurate where ln x spans little beside its size.
TEST(ScaledFit, LogarithmicAndExponentialFitsFarFromZero)
{
    std::mt19937_64 random(5);
    std::normal_distribution<double> noise(0.0, 1.0);
    const std::vector<double> x = Steps(20000, 200, 11);

    std::vector<double> y;
    for (double xi : x) y.push_back(3 + 2 * std::log(xi) + 1e-4 * noise(random));
    std::vector<std::vector<long double>> logRows;
    for (double xi : x) logRows.push_back({1.0L, std::log(static_cast<long double>(xi))});
    const std::vector<long double> logReference =
        TestSupport::QrLeastSquares(logRows, std::vector<long double>(y.begin(), y.end()));
    CalibrationData logarithmic = Record(5, x, y);
    ASSERT_TRUE(Tessar::FitCalibration(logarithmic));
    for (std::size_t j = 0; j < 2; ++j)
        EXPECT_NEAR(logarithmic.coefficients_[j], double(logReference[j]), 1e-10 * std::fabs(double(logReference[j])));

    const std::vector<double> raw = Steps(1000, 0.5, 12);
    std::vector<double> growth;
    for (double xi : raw) growth.push_back(2.5 * std::exp(0.01 * xi) * (1 + 1e-5 * noise(random)));
    std::vector<std::vector<long double>> lineRows;
    std::vector<long double> logY;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        lineRows.push_back({1.0L, static_cast<long double>(raw[i])});
        logY.push_back(std::log(static_cast<long double>(growth[i])));
    }
    const std::vector<long double> line = TestSupport::QrLeastSquares(lineRows, logY);
    CalibrationData exponential = Record(6, raw, growth);
    ASSERT_TRUE(Tessar::FitCalibration(exponential));
    EXPECT_NEAR(exponential.coefficients_[0], double(line[1]), 1e-10 * std::fabs(double(line[1])));
    EXPECT_NEAR(exponential.coefficients_[1], double(std::exp(line[0])), 1e-9 * double(std::exp(line[0])));
}

// Points weighted by 1 / SD^2 from their provenance, points without an SD taking the median SD,
// against the exact weighted least squares.
TEST(ScaledFit, InverseVarianceWeightsAgreeWithTheWeightedReference)
{
    CalibrationData data = Record(1, {0.5, 1, 1.5, 2, 2.5, 3, 3.5}, {1.2, 2.1, 2.9, 4.4, 5.0, 6.3, 6.9});
    const std::vector<double> sd = {0.01, 0.02, 0.0, 0.05, 0.01, -1, 0.04};  // 0 and -1: no SD
    for (size_t i = 0; i < sd.size(); ++i) {
        Tessar::PointProvenance p;
        p.measured = sd[i] != -1;
        p.mean = data.rawValues_[i];
        p.sd = std::max(sd[i], 0.0);
        p.count = 100;
        data.provenance_.push_back(p);
    }
    data.weights_ = int32_t(Tessar::PointWeights::InverseVariance);
    // The SDs that count: 0.01, 0.02, 0.05, 0.01, 0.04; their median 0.02.
    const std::vector<double> sigma = {0.01, 0.02, 0.02, 0.05, 0.01, 0.02, 0.04};
    EXPECT_EQ(Tessar::PointSigmas(data), sigma);

    std::vector<double> weights;
    for (double s : sigma) weights.push_back(1 / (s * s));
    const std::vector<Rational> exact = ExactPolynomialFit(data.rawValues_, data.calibratedValues_, 2, true, weights);
    ASSERT_TRUE(Tessar::FitCalibration(data));
    for (size_t j = 0; j < 3; ++j) EXPECT_GE(CorrectDigits(data.coefficients_[j], exact[j]), 10) << "c" << j;
    // The chi-square is the weighted sum; the SSE stays the plain one.
    double chiSquare = 0, sse = 0;
    for (size_t i = 0; i < sigma.size(); ++i) {
        const double r = data.calibratedValues_[i] - ToDouble(ExactPolynomialValue(exact, data.rawValues_[i]));
        chiSquare += r * r / (sigma[i] * sigma[i]);
        sse += r * r;
    }
    EXPECT_NEAR(data.chiSquare_, chiSquare, 1e-9 * chiSquare);
    EXPECT_NEAR(data.sse_, sse, 1e-9 * sse);

    // Without weighting, or without any SD, the fit is the plain one.
    CalibrationData plain = data;
    plain.weights_ = 0;
    EXPECT_TRUE(Tessar::PointSigmas(plain).empty());
    for (Tessar::PointProvenance& p : data.provenance_) p.measured = false;
    EXPECT_TRUE(Tessar::PointSigmas(data).empty());
}

}  // namespace
