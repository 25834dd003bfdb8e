// The inverse curve: for every fit kind, the raw value it returns is the one the forward curve
// maps to the given calibrated value, to 1e-12 relative; and the values with no raw value, with
// two, or that are no number are named as such.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "calibration/calibration_fit.h"
#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"
#include "calibration/inverse_curve.h"
#include "tests/calibration/fit_record.h"

namespace {

using Tessar::CalibrationData;
using Tessar::InverseDomain;
using Tessar::InverseFailure;
using TestSupport::Record;

// The forward curve by its definition in long double, rounded once to a double (point to point
// by its evaluator).
double Forward(const CalibrationData& d, double x)
{
    const std::vector<double>& c = d.coefficients_;
    const long double t = x;
    if (d.fitKind_ == 5) return static_cast<double>(c[0] + c[1] * std::log(t));
    if (d.fitKind_ == 6) return static_cast<double>(c[1] * std::exp(c[0] * t));
    if (d.fitKind_ == 7) {
        double y = x;
        EXPECT_TRUE(Tessar::EvaluatePointToPoint(c, &y, &y + 1));
        return y;
    }
    long double y = 0;
    for (std::size_t k = c.size(); k-- > 0;) y = y * t + c[k];
    return static_cast<double>(y);
}

CalibrationData Fitted(int32_t kind, std::vector<double> raw, std::vector<double> calibrated, bool forceOrigin = false)
{
    CalibrationData d = Record(kind, std::move(raw), std::move(calibrated), forceOrigin);
    EXPECT_TRUE(Tessar::FitCalibration(d)) << "kind " << kind;
    return d;
}

// A record with given coefficients (the curve itself, no points to fit beyond its raw range).
CalibrationData Curve(int32_t kind, std::vector<double> coefficients, std::vector<double> raw)
{
    CalibrationData d = Record(kind, std::move(raw), {});
    d.coefficients_ = std::move(coefficients);
    return d;
}

std::vector<double> Range(double first, double step, int count)
{
    std::vector<double> v;
    for (int i = 0; i < count; ++i) v.push_back(first + step * i);
    return v;
}

TEST(InverseCurve, EveryKindReturnsTheRawValueTheCurveMapsToTheValue)
{
    const std::vector<double> x6 = {0, 1, 2, 3, 4, 5};
    const std::vector<double> far = Range(1000, 1, 12);
    std::vector<double> cubicFar;
    for (double v : far) cubicFar.push_back(0.5 + 0.3 * (v - 1000) + 0.01 * std::pow(v - 1000, 2) + 0.001 * std::pow(v - 1000, 3));
    struct Case {
        std::string name;
        CalibrationData data;
        std::vector<double> raw;  // raw values to go there and back
        InverseDomain domain = InverseDomain::PointsRange;
    };
    const std::vector<Case> cases = {
        {"linear", Fitted(0, x6, {1, 3.1, 4.9, 7.2, 9, 11.1}), {0, 0.3, 2.5, 5}},
        {"falling linear", Fitted(0, x6, {10, 8, 6.1, 3.9, 2, 0}), {0.1, 4.9}},
        {"quadratic", Fitted(1, x6, {1, 2.2, 4.1, 7.3, 11.2, 16.1}), {0.01, 1.7, 4.99}},
        {"cubic far from zero", Fitted(2, far, cubicFar), {1000, 1003.25, 1011}},
        {"quartic", Curve(3, {1, 1, 0.5, 0.2, 0.05}, x6), {0.5, 2, 4.75}},
        {"quintic", Curve(4, {-2, 3, 0.1, 0.01, 0.002, 0.0004}, x6), {0.2, 3.3, 5}},
        {"through the origin", Fitted(1, x6, {0, 2.05, 4.3, 6.2, 8.9, 11.2}, true), {0.4, 4.4}},
        {"logarithmic", Fitted(5, {0.5, 1, 2, 4, 8}, {-0.6, 0.1, 0.7, 1.4, 2.0}), {0.5, 0.75, 3, 8}},
        {"falling logarithmic", Curve(5, {2, -0.7}, {0.1, 100}), {0.15, 99}},
        {"exponential", Fitted(6, x6, {2, 3.3, 5.4, 9.1, 14.7, 24.5}), {0.3, 2.2, 5}},
        {"decaying exponential", Curve(6, {-1.5, 40}, {0, 10}), {0.7, 9.5}},
        {"point to point", Fitted(7, {1, 2, 4, 5}, {10, 20, 25, 40}), {1, 1.5, 3, 4.5, 5}},
        {"linear beyond its points", Fitted(0, x6, {1, 3.1, 4.9, 7.2, 9, 11.1}), {-20, 80},
         InverseDomain::ExtrapolatingEnds},
        {"quadratic beyond its points", Curve(1, {0, 0, 1}, {1, 3}), {0.25, 0.5, 10}, InverseDomain::ExtrapolatingEnds},
        {"logarithmic beyond its points", Fitted(5, {0.5, 1, 2, 4, 8}, {-0.6, 0.1, 0.7, 1.4, 2.0}), {0.01, 500},
         InverseDomain::ExtrapolatingEnds},
        {"exponential beyond its points", Curve(6, {0.5, 2}, {0, 5}), {-6, 12}, InverseDomain::ExtrapolatingEnds},
        {"point to point beyond its points", Fitted(7, {1, 2, 4, 5}, {10, 20, 25, 40}), {-3, 0.5, 9},
         InverseDomain::ExtrapolatingEnds},
    };
    for (const Case& c : cases) {
        for (double x : c.raw) {
            const double y = Forward(c.data, x);
            const Tessar::InverseResult r = Tessar::InvertCalibration(c.data, y, c.domain);
            const std::string where = c.name + ": " + std::to_string(x) + " -> " + std::to_string(y);
            ASSERT_EQ(r.failure, InverseFailure::None) << where;
            ASSERT_EQ(r.solutions.size(), 1u) << where;
            EXPECT_NEAR(r.raw, x, 1e-12 * std::max(std::fabs(x), 1e-300)) << where;
        }
    }
}

TEST(InverseCurve, ValuesWithoutOneSolutionAreNamed)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CalibrationData line = Fitted(0, {0, 1, 2}, {1, 3, 5});
    // A parabola through its turning point: y = (x - 2)^2 on raw 0..5.
    const CalibrationData bowl = Curve(1, {4, -4, 1}, {0, 5});
    struct Case {
        std::string name;
        CalibrationData data;
        double value;
        InverseDomain domain;
        InverseFailure failure;
        std::vector<double> solutions;
    };
    const std::vector<Case> cases = {
        {"NaN", line, nan, InverseDomain::ExtrapolatingEnds, InverseFailure::NotANumber, {}},
        {"infinity", line, INFINITY, InverseDomain::PointsRange, InverseFailure::NotANumber, {}},
        {"beyond the points", line, 6, InverseDomain::PointsRange, InverseFailure::NoSolution, {}},
        {"two roots of a parabola", bowl, 1, InverseDomain::PointsRange, InverseFailure::SeveralSolutions, {1, 3}},
        {"below the parabola's turning point", bowl, -0.5, InverseDomain::ExtrapolatingEnds,
         InverseFailure::NoSolution, {}},
        {"the turning point itself", bowl, 0, InverseDomain::PointsRange, InverseFailure::None, {2}},
        {"below the points", Curve(1, {0, 0, 1}, {1, 3}), 0.25, InverseDomain::PointsRange,
         InverseFailure::NoSolution, {}},
        {"exponential of the other sign", Curve(6, {0.5, 2}, {0, 5}), -1, InverseDomain::ExtrapolatingEnds,
         InverseFailure::NoSolution, {}},
        {"flat linear", Curve(0, {3, 0}, {0, 1}), 3, InverseDomain::PointsRange, InverseFailure::SeveralSolutions,
         {0, 1}},
        {"flat point-to-point segment", Fitted(7, {1, 2, 3}, {5, 5, 7}), 5, InverseDomain::PointsRange,
         InverseFailure::SeveralSolutions, {1, 2}},
        {"point to point, up and down", Fitted(7, {1, 2, 4}, {10, 20, 0}), 15, InverseDomain::PointsRange,
         InverseFailure::SeveralSolutions, {1.5, 2.5}},
        {"unknown kind", Curve(9, {1, 2}, {0, 1}), 1, InverseDomain::PointsRange, InverseFailure::NoCurve, {}},
        {"too few coefficients", Curve(2, {1, 2}, {0, 1}), 1, InverseDomain::PointsRange, InverseFailure::NoCurve, {}},
    };
    for (const Case& c : cases) {
        const Tessar::InverseResult r = Tessar::InvertCalibration(c.data, c.value, c.domain);
        EXPECT_EQ(r.failure, c.failure) << c.name;
        if (c.failure == InverseFailure::None) {
            EXPECT_NEAR(r.raw, c.solutions[0], 1e-9) << c.name;
            continue;
        }
        EXPECT_TRUE(std::isnan(r.raw)) << c.name;
        ASSERT_EQ(r.solutions.size(), c.solutions.size()) << c.name;
        for (std::size_t i = 0; i < c.solutions.size(); ++i)
            EXPECT_NEAR(r.solutions[i], c.solutions[i], 1e-12) << c.name << ", solution " << i;
    }
}

}  // namespace
