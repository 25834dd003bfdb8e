// The scale's tick engine: round steps, tick placement across decades, negative and tiny ranges,
// and the labels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "host/zor/gui/scale_ticks.h"

namespace {

using Zor::ComputeScaleTicks;
using Zor::FormatTickLabel;
using Zor::ScaleTicks;

std::vector<std::string> Labels(const ScaleTicks& t)
{
    std::vector<std::string> labels;
    for (int32_t i = 0; i < t.count; ++i) labels.push_back(FormatTickLabel(t.Value(i), t));
    return labels;
}

struct TickCase {
    const char* name;
    double lower;
    double upper;
    double maxIntervals;
    std::vector<std::string> labels;  // every major tick's label, lowest first
};

class TickPlacement : public testing::TestWithParam<TickCase> {};

TEST_P(TickPlacement, LabelsOfEveryMajorTick)
{
    const TickCase& c = GetParam();
    const ScaleTicks t = ComputeScaleTicks(c.lower, c.upper, c.maxIntervals);
    EXPECT_EQ(Labels(t), c.labels);
    for (int32_t i = 0; i < t.count; ++i) {
        EXPECT_GE(t.Value(i), c.lower - 1e-12 * std::fabs(c.lower)) << i;
        EXPECT_LE(t.Value(i), c.upper + 1e-12 * std::fabs(c.upper)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, TickPlacement,
    testing::Values(
        TickCase{"UnitRangeInTenths", 0, 1, 10, {"0.0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0"}},
        TickCase{"StepOfTwo", 0, 10, 5, {"0", "2", "4", "6", "8", "10"}},
        TickCase{"StepOfFiveFromNegative", -3.7, 12.2, 4, {"0", "5", "10"}},
        TickCase{"AcrossTwoDecades", 1e3, 1e5, 5, {"20000", "40000", "60000", "80000", "100000"}},
        TickCase{"AllNegative", -250, -50, 4, {"-250", "-200", "-150", "-100", "-50"}},
        TickCase{"ZeroInsideIsNeverMinusZero", -1, 1, 2, {"-1", "0", "1"}},
        TickCase{"HalfSteps", -1.2, 1.2, 5, {"-1.0", "-0.5", "0.0", "0.5", "1.0"}},
        TickCase{"Nanovolts", 1e-9, 5e-9, 4, {"1e-09", "2e-09", "3e-09", "4e-09", "5e-09"}},
        TickCase{"TinySpanFarFromZero", 1000, 1000.001, 5,
                 {"1000.0000", "1000.0002", "1000.0004", "1000.0006", "1000.0008", "1000.0010"}},
        TickCase{"TenMillionsGoScientific", 0, 5e7, 5, {"0", "1e+07", "2e+07", "3e+07", "4e+07", "5e+07"}},
        TickCase{"ScientificKeepsTheStepDigit", 1.2345e8, 1.2355e8, 5,
                 {"1.2346e+08", "1.2348e+08", "1.2350e+08", "1.2352e+08", "1.2354e+08"}},
        // A short axis between two round numbers: one interval allowed gives step 1 and no tick,
        // so the engine refines to 0.5.
        TickCase{"RefinedUntilATickFits", 0.1, 0.9, 1, {"0.5"}},
        TickCase{"FractionalIntervalsRoundDown", 0, 10, 2.9, {"0", "5", "10"}},
        TickCase{"NoIntervalsCountAsOne", 0, 10, std::numeric_limits<double>::quiet_NaN(), {"0", "10"}}),
    [](const testing::TestParamInfo<TickCase>& info) { return std::string(info.param.name); });

TEST(ScaleTicks, NoTicksForRangesThatAreNotRanges)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct {
        const char* name;
        double lower, upper;
    } cases[] = {{"empty", 1, 1},           {"reversed", 2, 1},          {"nan", nan, 1},
                 {"infinite", 0, inf},       {"span overflows", -1e308, 1e308},
                 // Steps below 1e-300 are not represented (denormal territory).
                 {"beyond 1e-300", 1e-305, 3e-305}};
    for (const auto& c : cases) {
        const ScaleTicks t = ComputeScaleTicks(c.lower, c.upper, 5);
        EXPECT_EQ(t.count, 0) << c.name;
        EXPECT_EQ(t.mantissa, 0) << c.name;
    }
    EXPECT_GT(ComputeScaleTicks(1e-300, 3e-300, 2).count, 0) << "1e-300 steps are still fine";
}

TEST(ScaleTicks, RoundStepIsTheSmallestRoundStepNotBelowRaw)
{
    struct {
        double raw;
        int32_t mantissa, exponent;
    } cases[] = {{1.0, 1, 0}, {1.01, 2, 0}, {2.0, 2, 0},    {2.5, 5, 0},    {5.0, 5, 0},      {5.1, 1, 1},
                 {0.2, 2, -1}, {0.3, 5, -1}, {999.9, 1, 3}, {1000, 1, 3}, {7e-12, 1, -11}, {3e15, 5, 15}};
    for (const auto& c : cases) {
        int32_t m = 0;
        int32_t e = 0;
        Zor::RoundStep(c.raw, &m, &e);
        EXPECT_EQ(m, c.mantissa) << c.raw;
        EXPECT_EQ(e, c.exponent) << c.raw;
    }
}

// Over many ranges of every size and place, the engine's promises hold: round steps, ticks
// inside the range at whole multiples, at most the allowed intervals unless refined, and labels
// that tell neighbouring ticks apart.
TEST(ScaleTicks, PromisesHoldOverRandomRanges)
{
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> exponent(-250.0, 250.0);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_real_distribution<double> spanDigits(-11.0, 3.0);
    std::uniform_int_distribution<int> intervals(1, 20);
    for (int n = 0; n < 20000; ++n) {
        const double magnitude = std::pow(10.0, exponent(random));
        const double lower = unit(random) * magnitude;
        // Spans from 1e-11 to 1e3 times the magnitude, so some ranges lie far from zero.
        const double span = std::pow(10.0, spanDigits(random)) * magnitude;
        const double upper = lower + span;
        const int allowed = intervals(random);
        if (!(upper > lower) || !std::isfinite(upper)) continue;
        const ScaleTicks t = ComputeScaleTicks(lower, upper, allowed);
        ASSERT_GT(t.count, 0) << lower << " " << upper;
        ASSERT_TRUE(t.mantissa == 1 || t.mantissa == 2 || t.mantissa == 5);
        const double step = t.Step();
        // The unrefined step keeps within the allowed intervals; a refined one only when that
        // step left no tick, and then span < 1 unrefined step holds.
        if (span / step > allowed + 1e-9) {
            EXPECT_LT(span / (step * 10.0), allowed) << lower << " " << upper;
        }
        std::set<std::string> seen;
        for (int32_t i = 0; i < t.count; ++i) {
            const double v = t.Value(i);
            ASSERT_GE(v, lower - 1e-9 * step);
            ASSERT_LE(v, upper + 1e-9 * step);
            ASSERT_TRUE(seen.insert(FormatTickLabel(v, t)).second) << "duplicate label " << FormatTickLabel(v, t);
        }
    }
}

TEST(ScaleTicks, ZeroNeverCarriesASign)
{
    const ScaleTicks t = ComputeScaleTicks(-0.3, 0.3, 6);
    ASSERT_EQ(t.mantissa, 1);
    ASSERT_EQ(t.exponent, -1);
    EXPECT_EQ(FormatTickLabel(-0.0, t), "0.0");
    EXPECT_EQ(FormatTickLabel(-1e-9, t), "0.0") << "rounds to zero without a sign";
    EXPECT_EQ(FormatTickLabel(0.2, t), "0.2");
    EXPECT_EQ(FormatTickLabel(-0.1, t), "-0.1");
}

TEST(ScaleTicks, ValuesComeFromMultiplesWithoutAccumulatedError)
{
    const ScaleTicks t = ComputeScaleTicks(0.0, 1.0, 10);
    ASSERT_EQ(t.count, 11);
    EXPECT_EQ(t.Value(3), 0.3);  // 3 / 10 rounds once; 0.1 + 0.1 + 0.1 would not be 0.3
    EXPECT_EQ(t.Value(7), 0.7);
    EXPECT_EQ(t.minorDivisions, 5);
    EXPECT_EQ(ComputeScaleTicks(0, 10, 5).minorDivisions, 4);  // step 2: minor ticks 0.5 apart
}

}  // namespace
