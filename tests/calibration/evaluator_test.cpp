// The in-place evaluators and the segment map they share with the graph components.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"
#include "values/graticule.h"

namespace {

using Tessar::EvaluateCalibration;
using Tessar::EvaluateExponential;
using Tessar::EvaluateLogarithmic;
using Tessar::EvaluatePointToPoint;
using Tessar::EvaluatePolynomial;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

// Block lengths around the vector widths and the kernels' 256-sample passes.
const std::vector<std::size_t> kBlockLengths = {0, 1, 3, 7, 8, 9, 255, 256, 257, 1000};

std::vector<double> RandomValues(std::size_t n, double low, double high, unsigned seed)
{
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> pick(low, high);
    std::vector<double> values(n);
    for (double& v : values)
        v = pick(random);
    return values;
}

// The definitions, sample by sample.
double HornerReference(const std::vector<double>& c, double x)
{
    double v = c.back();
    for (std::size_t k = c.size() - 1; k-- > 0;)
        v = v * x + c[k];
    return v;
}

double LogarithmicReference(const std::vector<double>& c, double x)
{
    if (!(x > 0.0))
        return std::bit_cast<double>(Tessar::kLogarithmicNaNBits);
    const float xf = static_cast<float>(x);
    const float l = static_cast<float>(std::log(static_cast<double>(xf)));
    return c[0] + c[1] * static_cast<double>(l);
}

// The point-to-point rule written out with one Graticule per segment.
double PointToPointReference(const std::vector<double>& c, double x)
{
    const std::size_t s = c.size() / 2 - 1;
    std::vector<GUILib::Graticule> maps(s);
    for (std::size_t i = 0; i < s; ++i) {
        maps[i].SetXPair(c[2 * i], c[2 * i + 2]);
        maps[i].SetYPair(c[2 * i + 1], c[2 * i + 3]);
    }
    if (x < c[0])
        return maps[0].Map(x);
    if (x >= c[2 * (s - 1)])
        return maps[s - 1].Map(x);
    for (std::size_t i = 0; i < s; ++i)
        if (c[2 * i] <= x && x < c[2 * i + 2])
            return maps[i].Map(x);
    return x;
}

// Units in the last place between two finite doubles of the same sign.
uint64_t UlpDistance(double a, double b)
{
    const auto ia = static_cast<int64_t>(Bits(a));
    const auto ib = static_cast<int64_t>(Bits(b));
    return static_cast<uint64_t>(ia > ib ? ia - ib : ib - ia);
}

// ---------------------------------------------------------------------------------------------

struct ShortCoefficientsCase {
    std::string name;
    bool (*evaluate)(const std::vector<double>&, double*, double*);
    std::vector<double> coefficients;
};

bool Logarithmic(const std::vector<double>& c, double* f, double* l) { return EvaluateLogarithmic(f, c, l); }
bool Exponential(const std::vector<double>& c, double* f, double* l) { return EvaluateExponential(f, c, l); }

TEST(Evaluators, TooFewCoefficientsLeaveTheRangeUntouched)
{
    const std::vector<ShortCoefficientsCase> cases = {
        {"polynomial, none", EvaluatePolynomial, {}},
        {"logarithmic, none", Logarithmic, {}},
        {"logarithmic, one", Logarithmic, {1.0}},
        {"exponential, one", Exponential, {2.0}},
        {"point to point, one point", EvaluatePointToPoint, {1.0, 2.0}},
        {"point to point, three values", EvaluatePointToPoint, {1.0, 2.0, 3.0}},
    };
    for (const ShortCoefficientsCase& c : cases) {
        std::vector<double> block = {-1.0, 0.0, 0.5, kNaN, 1e300};
        const std::vector<double> before = block;
        EXPECT_FALSE(c.evaluate(c.coefficients, block.data(), block.data() + block.size())) << c.name;
        for (std::size_t i = 0; i < block.size(); ++i)
            EXPECT_EQ(Bits(block[i]), Bits(before[i])) << c.name << " sample " << i;
    }
}

TEST(Evaluators, PolynomialFollowsHornersRuleForEveryLength)
{
    const std::vector<double> all = {0.25, -1.5, 2.0, 0.125, -3.0e-3, 7.5e-5, 1.0e-6, -2.5e-8};
    for (std::size_t count = 1; count <= all.size(); ++count) {
        const std::vector<double> c(all.begin(), all.begin() + count);
        for (std::size_t n : kBlockLengths) {
            std::vector<double> block = RandomValues(n, -50.0, 50.0, static_cast<unsigned>(count * 1000 + n));
            const std::vector<double> raw = block;
            ASSERT_TRUE(EvaluatePolynomial(c, block.data(), block.data() + n));
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(Bits(block[i]), Bits(HornerReference(c, raw[i])))
                    << count << " coefficients, sample " << i << " of " << n;
        }
    }
}

TEST(Evaluators, PolynomialKeepsNaNForEveryLength)
{
    for (std::size_t count = 1; count <= 8; ++count) {
        const std::vector<double> c(count, 1.5);
        std::vector<double> block(17, 2.0);
        block[3] = kNaN;
        block[16] = -kNaN;
        ASSERT_TRUE(EvaluatePolynomial(c, block.data(), block.data() + block.size()));
        EXPECT_TRUE(std::isnan(block[3])) << count;
        EXPECT_TRUE(std::isnan(block[16])) << count;
        EXPECT_FALSE(std::isnan(block[0])) << count;
    }
}

TEST(Evaluators, LogarithmicSpecialValues)
{
    const std::vector<double> c = {3.0, 2.0};
    const uint64_t nanBits = Tessar::kLogarithmicNaNBits;
    struct Case {
        double x;
        uint64_t expected;
    };
    const std::vector<Case> cases = {
        {1.0, Bits(3.0)},                // ln 1 = 0: c0
        {0.0, nanBits},
        {-0.0, nanBits},
        {-1.0, nanBits},
        {-kInf, nanBits},
        {kNaN, nanBits},
        {-kNaN, nanBits},
        {1e-50, Bits(-kInf)},            // positive, but 0 once rounded to float: L = -inf
        {1e300, Bits(kInf)},             // infinite once rounded to float
        {kInf, Bits(kInf)},
        {std::exp(1.0), Bits(LogarithmicReference(c, std::exp(1.0)))},
    };
    for (const Case& k : cases) {
        double x = k.x;
        ASSERT_TRUE(EvaluateLogarithmic(&x, c, &x + 1));
        EXPECT_EQ(Bits(x), k.expected) << "x = " << k.x;
    }
}

TEST(Evaluators, LogarithmicMatchesItsDefinitionOnSampledFloats)
{
    // A sampled version of the exhaustive check: random bit patterns over the whole positive
    // float range, the neighbourhood of 1, subnormals, and doubles that round to floats.
    std::mt19937 random(7);
    std::vector<double> xs;
    for (int i = 0; i < 200000; ++i)
        xs.push_back(std::bit_cast<float>(static_cast<uint32_t>(random() % 0x7F800000u)));
    for (uint32_t b = 0x3F7FF000u; b < 0x3F801000u; ++b)  // 1 - 2^-12 .. 1 + 2^-11
        xs.push_back(std::bit_cast<float>(b));
    for (uint32_t b = 1; b < 5000; ++b)
        xs.push_back(std::bit_cast<float>(b));
    for (double d : RandomValues(20000, 1e-3, 1e6, 11))
        xs.push_back(d);
    xs.push_back(std::numeric_limits<float>::max());
    xs.push_back(std::numeric_limits<float>::denorm_min());

    const std::vector<double> c = {-1.25, 0.75};
    std::vector<double> block = xs;
    ASSERT_TRUE(EvaluateLogarithmic(block.data(), c, block.data() + block.size()));
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < xs.size(); ++i)
        if (Bits(block[i]) != Bits(LogarithmicReference(c, xs[i])) && ++wrong <= 5)
            ADD_FAILURE() << "x = " << xs[i] << " (float bits 0x" << std::hex
                          << std::bit_cast<uint32_t>(static_cast<float>(xs[i])) << ")";
    EXPECT_EQ(wrong, 0u);
}

TEST(Evaluators, LogarithmicBlockLengthsAndMixedSigns)
{
    const std::vector<double> c = {0.5, -4.0};
    for (std::size_t n : kBlockLengths) {
        std::vector<double> block = RandomValues(n, -10.0, 100.0, static_cast<unsigned>(n));
        if (n > 5)
            block[5] = kNaN;
        const std::vector<double> raw = block;
        ASSERT_TRUE(EvaluateLogarithmic(block.data(), c, block.data() + n));
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_EQ(Bits(block[i]), Bits(LogarithmicReference(c, raw[i]))) << "sample " << i << " of " << n;
    }
}

TEST(Evaluators, ExponentialAgreesWithTheLibraryExponential)
{
    struct Coefficients {
        double rate, amplitude;
    };
    const std::vector<Coefficients> sets = {{1.0, 1.0}, {-0.37, 250.0}, {3.5, -2e-3}, {1e-4, 7.0}};
    for (const Coefficients& k : sets) {
        const std::vector<double> c = {k.rate, k.amplitude};
        // c0 x over the whole range where the result is a normal number, and past it.
        std::vector<double> block = RandomValues(4000, -700.0 / std::fabs(k.rate), 700.0 / std::fabs(k.rate), 5);
        const std::vector<double> raw = block;
        ASSERT_TRUE(EvaluateExponential(block.data(), c, block.data() + block.size()));
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const double expected = k.amplitude * std::exp(k.rate * raw[i]);
            ASSERT_LE(UlpDistance(block[i], expected), 2u) << "rate " << k.rate << " x " << raw[i];
        }
    }
}

TEST(Evaluators, ExponentialEdgeValues)
{
    const std::vector<double> c = {1.0, 2.0};
    struct Case {
        double x;
        double expected;
    };
    const std::vector<Case> cases = {
        {0.0, 2.0},            // the amplitude
        {1.0, 2.0 * std::exp(1.0)},
        {709.0, 2.0 * std::exp(709.0)},
        {710.0, kInf},         // overflow
        {1e6, kInf},
        {kInf, kInf},
        {-746.0, 0.0},         // underflow
        {-kInf, 0.0},
        {-740.0, 2.0 * std::exp(-740.0)},  // subnormal result
    };
    for (const Case& k : cases) {
        double x = k.x;
        ASSERT_TRUE(EvaluateExponential(&x, c, &x + 1));
        if (std::isfinite(k.expected) && k.expected != 0.0 && std::fabs(k.expected) < 1e-300)
            EXPECT_NEAR(x, k.expected, 4e-323) << "x = " << k.x;
        else if (std::isfinite(k.expected) && k.expected != 0.0)
            EXPECT_LE(UlpDistance(x, k.expected), 2u) << "x = " << k.x;
        else
            EXPECT_EQ(x, k.expected) << "x = " << k.x;
    }
    double nan = kNaN;
    ASSERT_TRUE(EvaluateExponential(&nan, c, &nan + 1));
    EXPECT_TRUE(std::isnan(nan));
    // A zero rate meets an infinite sample: 0 * inf has no value, as in c1 * exp(c0 * x).
    double inf = kInf;
    ASSERT_TRUE(EvaluateExponential(&inf, {0.0, 1.0}, &inf + 1));
    EXPECT_TRUE(std::isnan(inf));
}

TEST(Evaluators, PointToPointExample)
{
    // (1, 10), (2, 20), (4, 0): both ends extrapolate.
    const std::vector<double> c = {1, 10, 2, 20, 4, 0};
    struct Case {
        double x, expected;
    };
    const std::vector<Case> cases = {{0, 0}, {1, 10}, {1.5, 15}, {2, 20}, {3, 10}, {4, 0}, {5, -10}, {-1, -10}};
    for (const Case& k : cases) {
        double x = k.x;
        ASSERT_TRUE(EvaluatePointToPoint(c, &x, &x + 1));
        EXPECT_DOUBLE_EQ(x, k.expected) << "x = " << k.x;
    }
    double nan = std::bit_cast<double>(0x7FF8000000001234ULL);
    ASSERT_TRUE(EvaluatePointToPoint(c, &nan, &nan + 1));
    EXPECT_EQ(Bits(nan), 0x7FF8000000001234ULL);  // unchanged, payload and all
}

// Sorted random tables of every size class, and tables that are not sorted.
TEST(Evaluators, PointToPointFollowsTheSegmentRule)
{
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> value(-100.0, 100.0);
    auto sortedTable = [&](std::size_t points) {
        std::vector<double> xs(points);
        for (double& x : xs)
            x = value(random);
        std::sort(xs.begin(), xs.end());
        xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
        std::vector<double> c;
        for (double x : xs) {
            c.push_back(x);
            c.push_back(value(random));
        }
        return c;
    };
    std::vector<std::vector<double>> tables;
    for (std::size_t points : {2, 3, 4, 5, 6, 11, 12, 13, 20, 64})
        tables.push_back(sortedTable(points));
    tables.push_back({0, 0, 5, 5, 1, 1, 6, 6});           // not sorted
    tables.push_back({1, 10, 1, 20, 2, 30});              // repeated x: the map keeps x pair (0, 1)
    tables.push_back({3, 1, 2, 2, 1, 3, 0, 4, 7, 0, 5});  // descending, odd length
    tables.push_back({0, 0, kInf, 1, 2, 2});              // a non-finite x

    for (const std::vector<double>& c : tables) {
        std::vector<double> xs = RandomValues(600, -150.0, 150.0, static_cast<unsigned>(c.size()));
        for (std::size_t i = 0; i + 1 < c.size(); i += 2)
            xs.push_back(c[i]);  // every break exactly
        for (double special : {kInf, -kInf, kNaN, 0.0, -0.0})
            xs.push_back(special);
        std::vector<double> block = xs;
        ASSERT_TRUE(EvaluatePointToPoint(c, block.data(), block.data() + block.size()));
        for (std::size_t i = 0; i < xs.size(); ++i)
            ASSERT_EQ(Bits(block[i]), Bits(PointToPointReference(c, xs[i])))
                << c.size() / 2 << " points, x = " << xs[i];
    }
}

TEST(Evaluators, CalibrationDispatchByKind)
{
    struct Case {
        int32_t kind;
        std::vector<double> coefficients;
        double x, expected;
    };
    const std::vector<Case> cases = {
        {0, {0.5, 2.0}, 1.0, 2.5},
        {4, {1, 1, 1, 1, 1, 1}, 2.0, 63.0},
        {5, {3.0, 2.0}, 1.0, 3.0},
        {6, {1.0, 2.0}, 0.0, 2.0},
        {7, {0, 0, 1, 10}, 0.5, 5.0},
        {-1, {1.0, 3.0}, 2.0, 7.0},  // unknown kinds evaluate the polynomial
        {42, {1.0, 3.0}, 2.0, 7.0},
    };
    for (const Case& k : cases) {
        double x = k.x;
        ASSERT_TRUE(EvaluateCalibration(k.kind, k.coefficients, &x, &x + 1)) << k.kind;
        EXPECT_DOUBLE_EQ(x, k.expected) << k.kind;
    }
    double x = 0.0;
    ASSERT_TRUE(EvaluateCalibration(static_cast<int32_t>(Tessar::FitKind::Logarithmic), {1.0, 1.0}, &x, &x + 1));
    EXPECT_EQ(Bits(x), Tessar::kLogarithmicNaNBits);
}

// ---------------------------------------------------------------------------------------------
// GUILib::Graticule

TEST(Graticule, StartsAsTheIdentity)
{
    const GUILib::Graticule map;
    EXPECT_EQ(map.Map(0.0), 0.0);
    EXPECT_EQ(map.Map(1.0), 1.0);
    EXPECT_EQ(map.Map(-7.25), -7.25);
    EXPECT_EQ(map.InverseMap(3.5), 3.5);
}

TEST(Graticule, MapsThroughItsTwoPoints)
{
    GUILib::Graticule map;
    ASSERT_TRUE(map.SetXPair(2.0, 4.0));
    map.SetYPair(20.0, 0.0);  // decreasing, like pixel rows
    EXPECT_EQ(map.Map(2.0), 20.0);
    EXPECT_EQ(map.Map(4.0), 0.0);
    EXPECT_EQ(map.Map(3.0), 10.0);
    EXPECT_EQ(map.Map(5.0), -10.0);
    EXPECT_EQ(map.Scale(), -10.0);
    EXPECT_EQ(map.Offset(), 40.0);
    EXPECT_DOUBLE_EQ(map.InverseMap(map.Map(3.7)), 3.7);
    // Rows to pixels: 25 rows of 12 pixels from pixel 30.
    GUILib::Graticule rows;
    ASSERT_TRUE(rows.SetXPair(0.0, 25.0));
    rows.SetYPair(30.0, 330.0);
    EXPECT_EQ(rows.Map(1.0), 42.0);
}

TEST(Graticule, RefusesAnXPairThatIsNotStrictlyIncreasing)
{
    struct Case {
        std::string name;
        double x0, x1;
    };
    const std::vector<Case> cases = {
        {"equal", 1.0, 1.0},  {"decreasing", 2.0, 1.0},   {"NaN first", kNaN, 1.0},
        {"NaN second", 0.0, kNaN}, {"infinite end", 0.0, kInf}, {"both infinite", -kInf, kInf},
    };
    for (const Case& k : cases) {
        GUILib::Graticule map;
        ASSERT_TRUE(map.SetXPair(10.0, 20.0));
        map.SetYPair(0.0, 100.0);
        EXPECT_FALSE(map.SetXPair(k.x0, k.x1)) << k.name;
        EXPECT_EQ(map.X0(), 10.0) << k.name;
        EXPECT_EQ(map.X1(), 20.0) << k.name;
        EXPECT_EQ(map.Map(15.0), 50.0) << k.name;
    }
}

TEST(Graticule, ConstantMapHasNoInverse)
{
    GUILib::Graticule map;
    map.SetYPair(5.0, 5.0);
    EXPECT_EQ(map.Map(123.0), 5.0);
    EXPECT_TRUE(std::isnan(map.InverseMap(5.0)));
}

}  // namespace
