// Every positive finite float through the logarithmic evaluator, against its definition
// c0 + c1 * (float)std::log((double)xf), as doubles and as the float samples of a channel. About 2.1 billion values: run in Release
// (ctest -L exhaustive). Under the sanitizers, where the walk would take hours, every 4099th
// float is taken instead.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"
#include "tests/calibration/exhaustive_scale.h"
#include "tests/calibration/kernel_targets.h"

namespace {

constexpr uint32_t kStride = TestSupport::kExhaustiveStride;

constexpr uint32_t kFirst = 0x00000001u;     // the smallest subnormal
constexpr uint32_t kLast = 0x7F7FFFFFu;      // the largest finite float
constexpr std::size_t kBlock = 4096;

struct Mismatch {
    uint32_t bits;
    double got;
    double expected;
};

// Walks [begin, end) by the stride; returns the number of mismatches, keeping the first few.
uint64_t Walk(uint32_t begin, uint32_t end, std::vector<Mismatch>& first)
{
    // Coefficients 0 and 1 make the result L itself, so any difference in L shows.
    const std::vector<double> c = {0.0, 1.0};
    std::vector<double> block(kBlock);
    std::vector<float> samples(kBlock);
    std::vector<uint32_t> bits(kBlock);
    uint64_t mismatches = 0;
    uint64_t next = begin;
    while (next < end) {
        std::size_t n = 0;
        for (; n < kBlock && next < end; ++n, next += kStride) {
            bits[n] = static_cast<uint32_t>(next);
            samples[n] = std::bit_cast<float>(bits[n]);
            block[n] = samples[n];
        }
        Tessar::EvaluateLogarithmic(block.data(), c, block.data() + n);
        Tessar::EvaluateCalibration(static_cast<int32_t>(Tessar::FitKind::Logarithmic), c, samples.data(), samples.data() + n);
        for (std::size_t i = 0; i < n; ++i) {
            const float xf = std::bit_cast<float>(bits[i]);
            const double expected = static_cast<float>(std::log(static_cast<double>(xf)));
            if (std::bit_cast<uint64_t>(block[i]) != std::bit_cast<uint64_t>(expected) ||
                std::bit_cast<uint32_t>(samples[i]) != std::bit_cast<uint32_t>(static_cast<float>(expected))) {
                if (first.size() < 8)
                    first.push_back({bits[i], block[i], expected});
                ++mismatches;
            }
        }
    }
    return mismatches;
}

TEST(LogarithmicExhaustive, EveryPositiveFiniteFloat)
{
    const auto start = std::chrono::steady_clock::now();
    const unsigned threads = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const uint64_t span = static_cast<uint64_t>(kLast) + 1 - kFirst;
    std::vector<std::vector<Mismatch>> first(threads);
    std::vector<uint64_t> counts(threads, 0);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        // Slice boundaries on the stride grid, so the walk is the same for any thread count.
        auto boundary = [&](unsigned k) {
            const uint64_t steps = (span + kStride - 1) / kStride;
            return static_cast<uint32_t>(kFirst + (steps * k / threads) * kStride);
        };
        const uint32_t begin = boundary(t);
        const uint32_t end = t + 1 == threads ? kLast + 1 : boundary(t + 1);
        workers.emplace_back([&, t, begin, end] { counts[t] = Walk(begin, end, first[t]); });
    }
    for (std::thread& w : workers)
        w.join();

    uint64_t mismatches = 0;
    for (unsigned t = 0; t < threads; ++t) {
        mismatches += counts[t];
        for (const Mismatch& m : first[t])
            ADD_FAILURE() << "float bits 0x" << std::hex << m.bits << ": got " << m.got
                          << ", expected " << m.expected;
    }
    EXPECT_EQ(mismatches, 0u);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("checked %llu floats (stride %u) on %u threads in %.1f s\n",
                static_cast<unsigned long long>((span + kStride - 1) / kStride), kStride, threads, seconds);
}

// The instruction sets other than the widest differ in how they look up the kernel's tables and
// whether they fuse multiply-adds: each of them on every float of [1/16, 16), where the tables'
// every interval is met at eight scales and ln x is small.
TEST(LogarithmicExhaustive, EveryFloatOfEightBinadesOnEveryInstructionSet)
{
    TestSupport::ForEachKernelTarget([] {
        std::vector<Mismatch> first;
        EXPECT_EQ(Walk(std::bit_cast<uint32_t>(0.0625f), std::bit_cast<uint32_t>(16.0f), first), 0u);
        for (const Mismatch& m : first)
            ADD_FAILURE() << "float bits 0x" << std::hex << m.bits << ": got " << m.got << ", expected " << m.expected;
    });
}

}  // namespace
