// The evaluators on float samples (the calculated channel's own path, one pass) against the
// same samples widened to double, evaluated, and narrowed back, bit for bit, on every
// instruction set: ordinary values, every kind of special float, and partial vectors.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "calibration/calibration_evaluator.h"
#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"
#include "tests/calibration/kernel_targets.h"

namespace {

using Tessar::FitKind;

struct Case {
    std::string name;
    FitKind kind;
    std::vector<double> coefficients;
    float low, high;  // where the ordinary samples lie
};

std::vector<double> PointTable(int points, bool sorted)
{
    std::vector<double> c;
    for (int i = 0; i < points; ++i) {
        const double x = sorted ? -8.0 + 16.0 * i / (points - 1) : (i * 7 % points) - 3.0;
        c.push_back(x);
        c.push_back(0.3 * x * x - 2.0 * x + 1.0);
    }
    return c;
}

std::vector<Case> Cases()
{
    return {
        {"constant", FitKind::Linear, {2.5}, -10, 10},
        {"linear", FitKind::Linear, {0.5, 2.0}, -10, 10},
        {"quintic", FitKind::Quintic, {0.5, 2.0, -0.03, 1e-3, -2e-5, 3e-7}, -1e3f, 1e3f},
        {"eight coefficients", FitKind::Quintic, {1, -1, 0.5, -0.25, 0.125, 1e-3, 1e-4, 1e-5}, -30, 30},
        {"logarithmic", FitKind::Logarithmic, {1.5, 20.0}, -5, 100},
        {"logarithmic near 1", FitKind::Logarithmic, {0.0, 1.0}, 0.999f, 1.001f},
        {"exponential", FitKind::Exponential, {0.3, 2.0}, -10, 10},
        // Exponents across the vector code's range, into subnormal, zero and infinite results.
        {"exponential, every range", FitKind::Exponential, {100.0, 1e-3}, -8, 8},
        {"point to point, 2", FitKind::PointToPoint, PointTable(2, true), -10, 10},
        {"point to point, 12", FitKind::PointToPoint, PointTable(12, true), -10, 10},
        {"point to point, 64", FitKind::PointToPoint, PointTable(64, true), -10, 10},
        {"point to point, 1000", FitKind::PointToPoint, PointTable(1000, true), -10, 10},
        {"point to point, unsorted", FitKind::PointToPoint, PointTable(9, false), -10, 10},
    };
}

std::vector<float> Samples(const Case& c, std::mt19937_64& random)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    std::vector<float> s = {0.0f, -0.0f, kInf, -kInf, std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::max(), std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::denorm_min(), -1e-40f, 1.0f, -1.0f,
                            std::bit_cast<float>(0x7FC00000u), std::bit_cast<float>(0xFFC12345u),
                            std::bit_cast<float>(0x7F800001u) /* signalling */};
    std::uniform_real_distribution<float> ordinary(c.low, c.high);
    std::uniform_int_distribution<uint32_t> anyBits;
    for (int i = 0; i < 3000; ++i) s.push_back(ordinary(random));
    for (int i = 0; i < 500; ++i) s.push_back(std::bit_cast<float>(anyBits(random)));
    std::shuffle(s.begin(), s.end(), random);
    return s;
}

std::vector<uint32_t> Bits(const std::vector<float>& v)
{
    std::vector<uint32_t> bits;
    for (float f : v) bits.push_back(std::bit_cast<uint32_t>(f));
    return bits;
}

TEST(FloatSamples, OnePassGivesTheWidenEvaluateNarrowResultsOnEveryInstructionSet)
{
    const std::vector<Case> cases = Cases();
    TestSupport::ForEachKernelTarget([&] {
        std::mt19937_64 random(77);
        for (const Case& c : cases) {
            const auto kind = static_cast<int32_t>(c.kind);
            const Tessar::CalibrationEvaluator evaluator(kind, c.coefficients);
            const std::vector<float> all = Samples(c, random);
            // Whole blocks and partial vectors at either end.
            for (std::size_t n : {all.size(), std::size_t{13}, std::size_t{3}, std::size_t{1}}) {
                const std::vector<float> in(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n));
                std::vector<double> widened(in.begin(), in.end());
                ASSERT_TRUE(Tessar::EvaluateCalibration(kind, c.coefficients, widened.data(), widened.data() + n));
                std::vector<float> expected(n);
                for (std::size_t i = 0; i < n; ++i) expected[i] = static_cast<float>(widened[i]);

                std::vector<float> direct = in, prepared = in;
                ASSERT_TRUE(Tessar::EvaluateCalibration(kind, c.coefficients, direct.data(), direct.data() + n));
                ASSERT_TRUE(evaluator.Evaluate(prepared.data(), prepared.data() + n));
                const std::vector<uint32_t> want = Bits(expected), got = Bits(direct), kept = Bits(prepared);
                for (std::size_t i = 0; i < n; ++i) {
                    ASSERT_EQ(got[i], want[i]) << c.name << ", sample " << in[i] << " (bits " << std::hex
                                               << std::bit_cast<uint32_t>(in[i]) << ")";
                    ASSERT_EQ(kept[i], want[i]) << c.name << " (built once), sample " << in[i];
                }
            }
        }
    });
}

TEST(FloatSamples, TooFewCoefficientsLeaveTheSamplesAlone)
{
    std::vector<float> v = {1.0f, 2.0f};
    EXPECT_FALSE(Tessar::EvaluateCalibration(static_cast<int32_t>(FitKind::Logarithmic), {1.0}, v.data(), v.data() + 2));
    EXPECT_FALSE(Tessar::EvaluateCalibration(static_cast<int32_t>(FitKind::PointToPoint), {1, 2, 3}, v.data(), v.data() + 2));
    EXPECT_FALSE(Tessar::EvaluateCalibration(static_cast<int32_t>(FitKind::Linear), {}, v.data(), v.data() + 2));
    EXPECT_EQ(v, (std::vector<float>{1.0f, 2.0f}));
}

}  // namespace
