// Point to point through PointToPointTable's bucket index and the kernels, against a plain
// linear scan over one GUILib::Graticule per segment, on every instruction set.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "calibration/calibration_evaluator.h"
#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"
#include "calibration/point_to_point_table.h"
#include "values/graticule.h"
#include "tests/calibration/kernel_targets.h"

namespace {

using Tessar::PointToPointTable;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

// The segment rule written out: x < x0 segment 0, x >= x_{s-1} the last, else the first i
// with x_i <= x < x_{i+1}, else none (s).
struct LinearScan {
    explicit LinearScan(const std::vector<double>& c) : segments(c.size() / 2 - 1), maps(segments)
    {
        for (std::size_t i = 0; i <= segments; ++i)
            xs.push_back(c[2 * i]);
        for (std::size_t i = 0; i < segments; ++i) {
            maps[i].SetXPair(c[2 * i], c[2 * i + 2]);
            maps[i].SetYPair(c[2 * i + 1], c[2 * i + 3]);
        }
    }

    std::size_t Segment(double x) const
    {
        if (x < xs[0])
            return 0;
        if (x >= xs[segments - 1])
            return segments - 1;
        for (std::size_t i = 0; i < segments; ++i)
            if (xs[i] <= x && x < xs[i + 1])
                return i;
        return segments;
    }

    double Map(double x) const
    {
        const std::size_t i = Segment(x);
        return i == segments ? x : maps[i].Map(x);
    }

    std::size_t segments;
    std::vector<double> xs;
    std::vector<GUILib::Graticule> maps;
};

std::vector<double> Table(const std::vector<double>& xs, std::mt19937_64& random)
{
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    std::vector<double> c;
    for (double x : xs) {
        c.push_back(x);
        c.push_back(value(random));
    }
    return c;
}

std::vector<double> SortedUnique(std::vector<double> xs)
{
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    return xs;
}

// Random samples over the table's range and past it, every x exactly and its neighbours, and
// the special values.
std::vector<double> Samples(const std::vector<double>& c, std::mt19937_64& random)
{
    double low = kInf, high = -kInf;
    for (std::size_t i = 0; i + 1 < c.size(); i += 2) {
        if (std::isfinite(c[i])) {
            low = std::min(low, c[i]);
            high = std::max(high, c[i]);
        }
    }
    const double margin = std::isfinite(high - low) ? (high - low) * 0.2 + 1.0 : 0.0;
    std::uniform_real_distribution<double> pick(low - margin, high + margin);
    std::vector<double> xs;
    for (int i = 0; i < 1500; ++i)
        xs.push_back(pick(random));
    for (std::size_t i = 0; i + 1 < c.size(); i += 2) {
        xs.push_back(c[i]);
        xs.push_back(std::nextafter(c[i], -kInf));
        xs.push_back(std::nextafter(c[i], kInf));
    }
    for (double special : {kInf, -kInf, kMax, -kMax, 0.0, -0.0, 5e-324, std::bit_cast<double>(0x7FF8000000004321ULL),
                           std::bit_cast<double>(0xFFF0000000000001ULL)})
        xs.push_back(special);
    return xs;
}

struct TableCase {
    std::string name;
    std::vector<double> coefficients;
};

std::vector<TableCase> Tables()
{
    std::mt19937_64 random(2024);
    std::uniform_real_distribution<double> uniform(-100.0, 100.0);
    std::normal_distribution<double> logScale(0.0, 3.0);
    std::vector<TableCase> tables;
    // Sizes around the register tables (16 segments) and the inline storage (12 points).
    for (std::size_t points : {2, 3, 5, 9, 12, 13, 16, 17, 18, 33, 64, 200, 1000}) {
        std::vector<double> xs(points);
        for (double& x : xs)
            x = uniform(random);
        tables.push_back({"uniform, " + std::to_string(points) + " points", Table(SortedUnique(xs), random)});
        for (double& x : xs)
            x = std::exp(logScale(random));  // clustered near 0: many breaks share a bucket
        tables.push_back({"clustered, " + std::to_string(points) + " points", Table(SortedUnique(xs), random)});
    }
    std::vector<double> even;
    for (int i = 0; i < 40; ++i)
        even.push_back(i * 0.25);
    tables.push_back({"evenly spaced", Table(even, random)});
    // Breaks so far apart that their span is not a double: the index has one bucket.
    std::vector<double> wide;
    for (int i = 0; i < 20; ++i)
        wide.push_back(-kMax + i * (kMax / 10.0));
    tables.push_back({"span beyond the doubles", Table(wide, random)});
    // Not strictly increasing: the rule applied literally.
    std::vector<double> shuffled = even;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    tables.push_back({"shuffled", Table(shuffled, random)});
    std::vector<double> repeated = even;
    repeated[20] = repeated[19];
    tables.push_back({"a repeated x", Table(repeated, random)});
    std::vector<double> withInfinity = even;
    withInfinity.back() = kInf;
    tables.push_back({"an infinite x", Table(withInfinity, random)});
    std::vector<double> odd = Table(even, random);
    odd.push_back(7.0);
    tables.push_back({"odd length", odd});
    return tables;
}

TEST(PointToPointIndex, FindsTheSegmentOfTheLinearScan)
{
    std::mt19937_64 random(5);
    for (const TableCase& t : Tables()) {
        const PointToPointTable table(t.coefficients);
        const LinearScan reference(t.coefficients);
        for (double x : Samples(t.coefficients, random))
            ASSERT_EQ(table.SegmentOf(x), reference.Segment(x)) << t.name << ", x = " << x;
    }
}

TEST(PointToPointIndex, EvaluatesLikeTheLinearScanOnEveryInstructionSet)
{
    const std::vector<TableCase> tables = Tables();
    TestSupport::ForEachKernelTarget([&] {
        std::mt19937_64 random(9);
        for (const TableCase& t : tables) {
            const LinearScan reference(t.coefficients);
            const std::vector<double> xs = Samples(t.coefficients, random);
            // Block lengths that leave partial vectors and partial passes.
            for (std::size_t n : {xs.size(), std::size_t{7}, std::size_t{1}}) {
                std::vector<double> block(xs.begin(), xs.begin() + n);
                ASSERT_TRUE(Tessar::EvaluatePointToPoint(t.coefficients, block.data(), block.data() + n));
                for (std::size_t i = 0; i < n; ++i)
                    ASSERT_EQ(Bits(block[i]), Bits(reference.Map(xs[i])))
                        << t.name << ", x = " << xs[i] << " (sample " << i << " of " << n << ")";
            }
        }
    });
}

TEST(PointToPointIndex, AnEvaluatorBuiltOnceAndItsCopiesEvaluateLikeTheLinearScan)
{
    const std::vector<TableCase> tables = Tables();
    constexpr auto kPointToPoint = static_cast<int32_t>(Tessar::FitKind::PointToPoint);
    TestSupport::ForEachKernelTarget([&] {
        std::mt19937_64 random(11);
        for (const TableCase& t : tables) {
            const LinearScan reference(t.coefficients);
            const std::vector<double> xs = Samples(t.coefficients, random);
            auto original = std::make_unique<Tessar::CalibrationEvaluator>(kPointToPoint, t.coefficients);
            Tessar::CalibrationEvaluator assigned;
            assigned = *original;
            const Tessar::CalibrationEvaluator copied(*original);
            // Block after block through the original, then through copies that outlive it.
            std::vector<double> block = xs;
            ASSERT_TRUE(original->Evaluate(block.data(), block.data() + block.size()));
            original.reset();
            std::vector<double> second = xs, third = xs;
            ASSERT_TRUE(copied.Evaluate(second.data(), second.data() + second.size()));
            ASSERT_TRUE(assigned.Evaluate(third.data(), third.data() + third.size()));
            for (std::size_t i = 0; i < xs.size(); ++i) {
                const uint64_t expected = Bits(reference.Map(xs[i]));
                ASSERT_EQ(Bits(block[i]), expected) << t.name << ", x = " << xs[i];
                ASSERT_EQ(Bits(second[i]), expected) << t.name << " (copy), x = " << xs[i];
                ASSERT_EQ(Bits(third[i]), expected) << t.name << " (assigned), x = " << xs[i];
            }
        }
    });
    // Too few values for a table, and an evaluator of nothing, evaluate nothing.
    double x = 3.0;
    EXPECT_FALSE(Tessar::CalibrationEvaluator(kPointToPoint, {1.0, 2.0, 3.0}).Evaluate(&x, &x + 1));
    EXPECT_FALSE(Tessar::CalibrationEvaluator().Evaluate(&x, &x + 1));
    EXPECT_EQ(x, 3.0);
}

TEST(PointToPointIndex, ClusteredBreaksAreSearchedWithinTheirBucket)
{
    // The clustered tables must reach the search inside a bucket, or the test above would not
    // cover it.
    std::mt19937_64 random(1);
    std::vector<double> xs;
    for (int i = 0; i < 1000; ++i)
        xs.push_back(std::pow(10.0, -3.0 + 6.0 * i / 999.0));  // 1e-3 .. 1e3, log-spaced
    const PointToPointTable table(Table(xs, random));
    ASSERT_TRUE(table.Sorted());
    EXPECT_GE(table.SearchSteps(), 4);
    const PointToPointTable even(Table({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}, random));
    EXPECT_EQ(even.SearchSteps(), 1);
}

TEST(PointToPointIndex, ExtrapolatesBothEndsAndKeepsNaN)
{
    // y = 2x + 1 below 0 .. 10 and above, through 40 points on that line except the last
    // segment, which has slope -1.
    std::vector<double> c;
    for (int i = 0; i < 40; ++i) {
        c.push_back(i);
        c.push_back(2.0 * i + 1.0);
    }
    c.push_back(40);
    c.push_back(79.0 - 1.0);  // last segment: (39, 79) to (40, 78)
    struct Case {
        double x, expected;
    };
    const std::vector<Case> cases = {
        {-10.0, -19.0}, {0.0, 1.0}, {0.5, 2.0}, {39.0, 79.0}, {39.5, 78.5}, {40.0, 78.0}, {50.0, 68.0},
        {-kInf, -kInf}, {kInf, -kInf},
    };
    TestSupport::ForEachKernelTarget([&] {
        for (const Case& k : cases) {
            double x = k.x;
            ASSERT_TRUE(Tessar::EvaluatePointToPoint(c, &x, &x + 1));
            EXPECT_EQ(x, k.expected) << "x = " << k.x;
        }
        double nan = std::bit_cast<double>(0xFFF8000000000077ULL);
        ASSERT_TRUE(Tessar::EvaluatePointToPoint(c, &nan, &nan + 1));
        EXPECT_EQ(Bits(nan), 0xFFF8000000000077ULL);
    });
}

}  // namespace
