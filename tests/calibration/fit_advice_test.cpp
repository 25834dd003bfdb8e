// The fit-kind advice against refits: every kind's PRESS from the hat matrix equals the sum of
// squared errors of the kind refitted without each point in turn and evaluated there.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calibration/calibration_fit.h"
#include "calibration/evaluators.h"
#include "calibration/fit_advice.h"
#include "calibration/fit_kind.h"
#include "tests/calibration/fit_record.h"
#include "tests/calibration/least_squares_reference.h"

namespace {

using Tessar::CalibrationData;
using TestSupport::Rational;
using TestSupport::Record;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The refitted curve at x by its definition, in long double (the sample evaluators round the
// logarithm to floats).
long double CurveAt(const CalibrationData& d, double x)
{
    const std::vector<double>& c = d.coefficients_;
    switch (static_cast<Tessar::FitKind>(d.fitKind_)) {
    case Tessar::FitKind::Logarithmic: return c[0] + c[1] * std::log(static_cast<long double>(x));
    case Tessar::FitKind::Exponential: return c[1] * std::exp(static_cast<long double>(c[0]) * x);
    case Tessar::FitKind::PointToPoint: {
        double y = x;
        Tessar::EvaluatePointToPoint(c, &y, &y + 1);
        return y;
    }
    default: {
        long double y = 0;
        for (std::size_t k = c.size(); k-- > 0;) y = y * x + c[k];
        return y;
    }
    }
}

// PRESS by n refits; NaN when the kind leaves no degree of freedom, a refit fails, or a refit
// no longer determines the curve (it cuts more singular values than the fit of every point:
// the point left out alone fixed a coefficient).
double PressByRefits(const CalibrationData& points, int32_t kind, std::size_t fewest)
{
    const std::size_t n = points.rawValues_.size();
    if (n < fewest + 1) return kNaN;
    CalibrationData all = points;
    all.fitKind_ = kind;
    Tessar::FitDiagnostics whole;
    if (!Tessar::FitCalibration(all, &whole)) return kNaN;
    long double press = 0;
    for (std::size_t i = 0; i < n; ++i) {
        CalibrationData d = points;
        d.fitKind_ = kind;
        d.rawValues_.erase(d.rawValues_.begin() + static_cast<std::ptrdiff_t>(i));
        d.calibratedValues_.erase(d.calibratedValues_.begin() + static_cast<std::ptrdiff_t>(i));
        Tessar::FitDiagnostics diagnostics;
        if (!Tessar::FitCalibration(d, &diagnostics) || diagnostics.singularValuesCut > whole.singularValuesCut)
            return kNaN;
        long double e = points.calibratedValues_[i] - CurveAt(d, points.rawValues_[i]);
        if (kind <= 4 && whole.singularValuesCut == 0) {
            // Polynomials far from their points lose digits in double coefficients: refit in
            // exact arithmetic.
            const std::vector<Rational> exact = TestSupport::ExactPolynomialFit(
                d.rawValues_, d.calibratedValues_, kind + 1, !points.forceOrigin_);
            e = TestSupport::ToDouble(TestSupport::Exact(points.calibratedValues_[i]) -
                                      TestSupport::ExactPolynomialValue(exact, points.rawValues_[i]));
        }
        press += e * e;
    }
    return static_cast<double>(press);
}

struct Case {
    std::string name;
    CalibrationData points;
};

std::vector<Case> Cases()
{
    return {
        {"nearly linear", Record(0, {0, 1, 2, 3, 4, 5, 6}, {0.02, 1.01, 1.97, 3.05, 3.98, 5.03, 5.96})},
        {"curved", Record(0, {-3, -2, -1, 0, 1, 2, 3, 4}, {9.1, 3.9, 1.05, 0.02, 0.97, 4.1, 8.9, 16.05})},
        {"growing", Record(0, {0.5, 1, 2, 3, 4, 5}, {2.6, 3.3, 5.4, 9.1, 14.6, 24.5})},
        {"logarithmic", Record(0, {0.5, 1, 2, 4, 8, 16, 32}, {-0.7, 0.02, 0.68, 1.41, 2.06, 2.79, 3.45})},
        {"replicates", Record(0, {1, 1, 2, 2, 3, 3, 4}, {1.1, 0.9, 2.05, 1.96, 3.1, 2.9, 4.02})},
        {"through the origin", Record(0, {1, 2, 3, 4, 5}, {2.1, 3.9, 6.2, 7.8, 10.1}, true)},
    };
}

TEST(FitAdvice, PressOfEveryKindEqualsTheRefitsLeavingEachPointOut)
{
    for (const Case& c : Cases()) {
        const Tessar::FitAdvice advice = Tessar::AdviseFitKind(c.points);
        for (int32_t kind = 0; kind < Tessar::kFitKindCount; ++kind) {
            // Least-squares kinds need one point more than coefficients; point to point three
            // distinct raw values.
            const std::size_t fewest = kind == 7 ? 2 : static_cast<std::size_t>(Tessar::FewestPoints(kind)) -
                                                           (c.points.forceOrigin_ && kind <= 4 ? 1 : 0);
            const double want = PressByRefits(c.points, kind, fewest);
            const double got = advice.press[static_cast<std::size_t>(kind)];
            const std::string where = c.name + ", kind " + std::to_string(kind);
            if (std::isnan(want)) {
                EXPECT_TRUE(std::isnan(got)) << where << ": " << got;
            } else {
                EXPECT_NEAR(got, want, 1e-9 * want + 1e-24) << where;
            }
        }
    }
}

// The best kind is the one the refits favour, and a kind with fewer coefficients is named when
// its refits come within 10 %.
TEST(FitAdvice, BestKindAndTheSimplerOneWithinTenPercent)
{
    for (const Case& c : Cases()) {
        const Tessar::FitAdvice advice = Tessar::AdviseFitKind(c.points);
        const std::size_t n = c.points.rawValues_.size();
        int32_t best = -1;
        for (int32_t kind = 0; kind < Tessar::kFitKindCount; ++kind) {
            const double p = advice.press[static_cast<std::size_t>(kind)];
            if (!std::isnan(p) && (best < 0 || p < advice.press[static_cast<std::size_t>(best)])) best = kind;
        }
        ASSERT_GE(best, 0) << c.name;
        EXPECT_EQ(advice.best, best) << c.name;
        const double limit = advice.press[static_cast<std::size_t>(best)] * 1.1;
        if (advice.simpler >= 0) {
            EXPECT_LT(Tessar::CoefficientCount(advice.simpler, n), Tessar::CoefficientCount(best, n)) << c.name;
            EXPECT_LE(advice.press[static_cast<std::size_t>(advice.simpler)], limit) << c.name;
        }
        for (int32_t kind = 0; kind < Tessar::kFitKindCount; ++kind) {
            const double p = advice.press[static_cast<std::size_t>(kind)];
            if (std::isnan(p) || p > limit || kind == advice.simpler) continue;
            if (Tessar::CoefficientCount(kind, n) < Tessar::CoefficientCount(best, n)) {
                ASSERT_GE(advice.simpler, 0) << c.name << ": kind " << kind << " qualifies";
                EXPECT_LE(Tessar::CoefficientCount(advice.simpler, n), Tessar::CoefficientCount(kind, n)) << c.name;
            }
        }
    }
    // Curved points: the parabola, far ahead of the line.
    const Tessar::FitAdvice curved = Tessar::AdviseFitKind(Cases()[1].points);
    EXPECT_EQ(curved.best, 1);
    EXPECT_EQ(curved.simpler, -1);
}

TEST(FitAdvice, TooFewPointsCompareNothing)
{
    const Tessar::FitAdvice two = Tessar::AdviseFitKind(Record(0, {1, 2}, {3, 4}));
    EXPECT_EQ(two.best, -1);
    EXPECT_EQ(two.simpler, -1);
    for (double p : two.press) EXPECT_TRUE(std::isnan(p));
    // Three points: the two-coefficient kinds and point to point, nothing of three or more.
    const Tessar::FitAdvice three = Tessar::AdviseFitKind(Record(0, {1, 2, 3}, {3, 4.5, 5.2}));
    EXPECT_FALSE(std::isnan(three.press[0]));
    EXPECT_TRUE(std::isnan(three.press[1]));
    EXPECT_FALSE(std::isnan(three.press[7]));
}

}  // namespace
