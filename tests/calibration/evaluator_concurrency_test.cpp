// The evaluators on several threads at once, from their first call: the kernels' run-time
// choice of instruction set is made by whichever thread comes first, and every thread must get
// the results one thread alone gets (ThreadSanitizer: ctest -L concurrency).
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <thread>
#include <vector>

#include "calibration/evaluators.h"

namespace {

struct Calibration {
    int32_t kind;
    std::vector<double> coefficients;
};

std::vector<double> Ramp(std::size_t n, double low, double high)
{
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = low + (high - low) * static_cast<double>(i) / static_cast<double>(n - 1);
    return v;
}

TEST(EvaluatorThreads, FirstCallsFromSeveralThreadsAgreeWithOneThread)
{
    std::vector<double> table;
    for (int i = 0; i < 40; ++i) {  // beyond the register tables: the bucket index
        table.push_back(i * 0.5 - 10.0);
        table.push_back(i * i * 0.01);
    }
    const std::vector<Calibration> calibrations = {
        {0, {0.5, 2.0}},
        {4, {0.5, 2.0, -0.03, 1e-3, -2e-5, 3e-7}},
        {5, {1.5, 20.0}},
        {6, {0.3, 2.0}},
        {7, {-8, 0, 0, 3, 8, 1}},
        {7, table},
    };
    const std::vector<double> raw = Ramp(5000, -12.0, 12.0);
    constexpr int kThreads = 4;
    std::vector<std::vector<std::vector<double>>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (const Calibration& c : calibrations) {
                std::vector<double> v = raw;
                Tessar::EvaluateCalibration(c.kind, c.coefficients, v.data(), v.data() + v.size());
                results[t].push_back(std::move(v));
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (std::size_t k = 0; k < calibrations.size(); ++k) {
        std::vector<double> alone = raw;
        const Calibration& c = calibrations[k];
        Tessar::EvaluateCalibration(c.kind, c.coefficients, alone.data(), alone.data() + alone.size());
        for (int t = 0; t < kThreads; ++t)
            for (std::size_t i = 0; i < raw.size(); ++i)
                ASSERT_EQ(std::bit_cast<uint64_t>(results[t][k][i]), std::bit_cast<uint64_t>(alone[i]))
                    << "kind " << c.kind << ", thread " << t << ", x = " << raw[i];
    }
}

}  // namespace
