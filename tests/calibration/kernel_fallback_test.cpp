// The logarithmic and exponential kernels recompute, with the library function, exactly the
// lanes whose float rounding their vector value cannot decide: inputs chosen so that the
// library's value lies next to a float midpoint, out-of-range arguments and results, and
// ordinary inputs, which must not be recomputed. On every instruction set.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "calibration/evaluators.h"
#include "calibration/exponential_kernel.h"
#include "calibration/logarithmic_kernel.h"
#include "tests/calibration/kernel_targets.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

// Distance in units in the last place from y to the nearest midpoint between two normal
// floats (y's 29 low significand bits against the pattern 1 followed by 28 zeros).
uint64_t UlpsFromFloatMidpoint(double y)
{
    const uint64_t low = Bits(y) & ((uint64_t{1} << 29) - 1);
    const uint64_t midpoint = uint64_t{1} << 28;
    return low > midpoint ? low - midpoint : midpoint - low;
}

double LogDefinition(double x)
{
    if (!(x > 0.0))
        return std::bit_cast<double>(Tessar::kLogarithmicNaNBits);
    return static_cast<float>(std::log(static_cast<double>(static_cast<float>(x))));
}

// Floats whose library logarithm lies within 2048 units of a float midpoint (the kernel
// recomputes within 4096 of its own value, which is within 1000 of the library's), and floats
// whose logarithm lies more than 8192 away.
void FloatsByLogDistance(std::vector<double>& near, std::vector<double>& far)
{
    for (uint32_t b = 0x3F000000u; near.size() < 16; b += 7) {  // from 0.5 upwards
        const double x = std::bit_cast<float>(b);
        const uint64_t ulps = UlpsFromFloatMidpoint(std::log(x));
        if (ulps <= 2048)
            near.push_back(x);
        else if (ulps > 8192 && far.size() < 4096)
            far.push_back(x);
    }
}

TEST(KernelFallback, LogarithmRecomputesExactlyTheUndecidedLanes)
{
    std::vector<double> near, far;
    FloatsByLogDistance(near, far);
    TestSupport::ForEachKernelTarget([&] {
        std::vector<double> block = near;
        EXPECT_EQ(Tessar::LogarithmicKernel(0.0, 1.0, block.data(), block.size()), near.size());
        for (std::size_t i = 0; i < near.size(); ++i)
            ASSERT_EQ(Bits(block[i]), Bits(LogDefinition(near[i]))) << "x = " << near[i];

        block = far;
        EXPECT_EQ(Tessar::LogarithmicKernel(0.0, 1.0, block.data(), block.size()), 0u);
        for (std::size_t i = 0; i < far.size(); ++i)
            ASSERT_EQ(Bits(block[i]), Bits(LogDefinition(far[i]))) << "x = " << far[i];

        // Positive values whose float is not a normal one (0, subnormal, infinity, or the
        // largest float from above) are recomputed; non-positive ones and NaN are not, nor the
        // largest and smallest normal floats, nor the padding of a partial vector.
        const double largest = std::numeric_limits<float>::max();
        const double smallest = std::numeric_limits<float>::min();
        std::vector<double> special = {1e-50, 1e-40, 1e300, kInf, std::nextafter(largest, kInf), 0.0, -1.0, -kInf,
                                       std::nan(""), 1.0, 2.0, largest, smallest};
        const std::vector<double> raw = special;
        EXPECT_EQ(Tessar::LogarithmicKernel(0.0, 1.0, special.data(), special.size()), 5u);
        for (std::size_t i = 0; i < raw.size(); ++i)
            EXPECT_EQ(Bits(special[i]), Bits(LogDefinition(raw[i]))) << "x = " << raw[i];
    });
}

// c1 exp(c0 x) rounded to float, by the library.
float ExpDefinition(double c0, double c1, double x) { return static_cast<float>(c1 * std::exp(c0 * x)); }

bool SameFloat(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) || (a != a && b != b); }

TEST(KernelFallback, ExponentialRecomputesExactlyTheUndecidedLanes)
{
    const double c0 = 0.731, c1 = -3.25;
    // Arguments whose library result lies next to a float midpoint, and ones far from it.
    std::mt19937_64 random(77);
    std::uniform_real_distribution<double> pick(-60.0, 60.0);
    std::vector<double> near, far;
    while (near.size() < 16) {
        const double x = pick(random);
        const uint64_t ulps = UlpsFromFloatMidpoint(c1 * std::exp(c0 * x));
        if (ulps <= 400)
            near.push_back(x);
        else if (ulps > 4096 && far.size() < 4096)
            far.push_back(x);
    }
    TestSupport::ForEachKernelTarget([&] {
        std::vector<double> block = near;
        EXPECT_EQ(Tessar::ExponentialKernel(c0, c1, block.data(), block.size()), near.size());
        for (std::size_t i = 0; i < near.size(); ++i) {
            // Recomputed lanes are the library's value itself, not just its float.
            ASSERT_EQ(Bits(block[i]), Bits(c1 * std::exp(c0 * near[i]))) << "x = " << near[i];
        }
        block = far;
        EXPECT_EQ(Tessar::ExponentialKernel(c0, c1, block.data(), block.size()), 0u);
        for (std::size_t i = 0; i < far.size(); ++i)
            ASSERT_TRUE(SameFloat(static_cast<float>(block[i]), ExpDefinition(c0, c1, far[i]))) << "x = " << far[i];
    });
}

TEST(KernelFallback, ExponentialRangesOutsideTheVectorCode)
{
    struct Case {
        double c0, c1, x;
        bool recomputed;
    };
    const std::vector<Case> cases = {
        {1.0, 1.0, 707.0, true},          // above the vector exponential's accurate range
        {1.0, 1e-300, 709.5, true},       // ... where a small amplitude brings it back into range
        {1.0, 1.0, 710.0, false},         // infinity
        {1.0, 1.0, -720.0, true},         // a subnormal exponential
        {1.0, 1e300, -740.0, true},       // ... times a large amplitude: a normal result
        {1.0, 1.0, -746.0, false},        // zero
        {1.0, -2.0, -kInf, false},
        {1.0, 1.0, std::nan(""), false},
        {0.0, 1.0, kInf, false},          // 0 * inf: NaN
        {1.0, 1e-40, 0.5, true},          // a result that rounds to a subnormal float
        {1.0, 1e-60, 0.5, false},         // ... or to zero
        {1.0, 1e300, 1.0, false},         // ... or to infinity
        {2.0, 1.0 + 0x1p-24, 0.0, true},  // exactly a midpoint between two floats
    };
    TestSupport::ForEachKernelTarget([&] {
        for (const Case& k : cases) {
            double v = k.x;
            EXPECT_EQ(Tessar::ExponentialKernel(k.c0, k.c1, &v, 1), k.recomputed ? 1u : 0u)
                << "x = " << k.x << ", c1 = " << k.c1;
            const double expected = k.c1 * std::exp(k.c0 * k.x);
            if (k.recomputed) {
                EXPECT_TRUE(Bits(v) == Bits(expected) || (v != v && expected != expected))
                    << "x = " << k.x << ", c1 = " << k.c1;
            }
            EXPECT_TRUE(SameFloat(static_cast<float>(v), static_cast<float>(expected))) << "x = " << k.x;
        }
    });
}

}  // namespace
