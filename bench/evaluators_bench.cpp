// Throughput of the calibration evaluators on the sample path of the enumerators: a block of
// 4096 float samples is widened to double, evaluated in place, and narrowed back to float.
//
// Beside every block through the evaluator the same run times a block through the bare pass
// (widen and narrow, nothing computed), alternately and in thread CPU time, so the printed
// ratio compares like with like on a noisy machine. Counters:
//   ns_per_sample   the whole path, evaluator included
//   bare_ns         the bare pass, measured right after
//   ratio           ns_per_sample / bare_ns
//   extra_ratio     (ns_per_sample - bare_ns) / bare_ns: the evaluator's own cost against the pass
// The plain_* entries are the definitions as plain loops, the yardstick of the kernels. The
// point_to_point_* entries go through a CalibrationEvaluator built once, as the enumerators do;
// point_to_point_*_per_call through EvaluatePointToPoint, which builds the table every block.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "bench/thread_cpu_clock.h"
#include "calibration/calibration_evaluator.h"
#include "calibration/evaluators.h"
#include "calibration/fit_kind.h"

namespace {

constexpr std::size_t kBlock = 4096;
constexpr std::size_t kBlocksPerTiming = 64;

using Definition = bool (*)(const std::vector<double>&, double*, double*);
// A block's evaluation, its coefficients bound.
using Evaluator = std::function<bool(double*, double*)>;

bool Logarithmic(const std::vector<double>& c, double* f, double* l) { return Tessar::EvaluateLogarithmic(f, c, l); }
bool Exponential(const std::vector<double>& c, double* f, double* l) { return Tessar::EvaluateExponential(f, c, l); }

// The definitions written as plain loops, compiled like any code outside the kernels (for the
// baseline instruction set): what each kernel is measured against.
template <std::size_t N>
bool PlainPolynomial(const std::vector<double>& c, double* f, double* l)
{
    double k[N];  // a local copy, which the samples cannot alias
    std::copy_n(c.begin(), N, k);
    for (double* v = f; v != l; ++v) {
        double r = k[N - 1];
        for (std::size_t j = N - 1; j-- > 0;)
            r = r * *v + k[j];
        *v = r;
    }
    return true;
}

bool PlainLogarithmic(const std::vector<double>& c, double* f, double* l)
{
    for (double* v = f; v != l; ++v)
        *v = *v > 0.0 ? c[0] + c[1] * static_cast<float>(std::log(static_cast<double>(static_cast<float>(*v))))
                      : std::nan("");
    return true;
}

bool PlainExponential(const std::vector<double>& c, double* f, double* l)
{
    for (double* v = f; v != l; ++v)
        *v = c[1] * std::exp(c[0] * *v);
    return true;
}

// The segment rule sample by sample: a linear scan over the segments' maps.
bool PlainPointToPoint(const std::vector<double>& c, double* f, double* l)
{
    const std::size_t s = c.size() / 2 - 1;
    std::vector<double> slopes(s), offsets(s);
    for (std::size_t i = 0; i < s; ++i) {
        const double span = c[2 * i + 2] - c[2 * i];
        slopes[i] = (c[2 * i + 3] - c[2 * i + 1]) / span;
        offsets[i] = (c[2 * i + 2] * c[2 * i + 1] - c[2 * i] * c[2 * i + 3]) / span;
    }
    for (double* v = f; v != l; ++v) {
        const double x = *v;
        std::size_t i = 0;
        if (x >= c[2 * (s - 1)])
            i = s - 1;
        else
            while (i + 1 < s && x >= c[2 * i + 2])
                ++i;
        if (x == x)
            *v = slopes[i] * x + offsets[i];
    }
    return true;
}

// Samples over [low, high]: a smooth signal (slow sine plus a little ripple), or uniform noise.
std::vector<float> Samples(bool smooth, double low, double high)
{
    std::vector<float> samples(kBlock);
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> pick(low, high);
    for (std::size_t i = 0; i < kBlock; ++i) {
        const double phase = 2.0 * M_PI * static_cast<double>(i) / kBlock;
        const double unit = smooth ? 0.5 + 0.45 * std::sin(phase) + 0.05 * std::sin(37 * phase) : 0.0;
        samples[i] = static_cast<float>(smooth ? low + (high - low) * unit : pick(random));
    }
    return samples;
}

// n points spread over [low, high] on a curve, as a point-to-point table x0, y0, x1, y1, ...
std::vector<double> PointTable(std::size_t points, double low, double high)
{
    std::vector<double> c;
    for (std::size_t i = 0; i < points; ++i) {
        const double x = low + (high - low) * static_cast<double>(i) / static_cast<double>(points - 1);
        c.push_back(x);
        c.push_back(3.0 * x + 0.2 * x * x);
    }
    return c;
}

// One block through the sample path: widen, evaluate, narrow.
inline void PassBlock(const Evaluator& evaluate, const float* in, double* work, float* out)
{
    for (std::size_t i = 0; i < kBlock; ++i)
        work[i] = in[i];
    evaluate(work, work + kBlock);
    for (std::size_t i = 0; i < kBlock; ++i)
        out[i] = static_cast<float>(work[i]);
}

void Run(benchmark::State& state, const Evaluator& evaluate, bool smooth, double low, double high)
{
    const std::vector<float> in = Samples(smooth, low, high);
    std::vector<double> work(kBlock);
    std::vector<float> out(kBlock);
    using Clock = ThreadCpuClock;

    // Each iteration times kBlocksPerTiming blocks through the evaluator and as many bare
    // blocks, the two groups taking turns to go first (reading the thread's CPU clock costs
    // microseconds here, and what runs first after it runs slower).
    Clock::duration evaluatedTime{};
    Clock::duration bareTime{};
    auto timeBlocks = [&](const Evaluator& through) {
        const auto start = Clock::now();
        for (std::size_t k = 0; k < kBlocksPerTiming; ++k) {
            PassBlock(through, in.data(), work.data(), out.data());
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
        }
        return Clock::now() - start;
    };
    // The bare pass goes through the same call as the evaluator, to an evaluator that does
    // nothing: called directly, the compiler would merge its widening and narrowing loops.
    const Evaluator nothing = [](double*, double*) { return true; };
    bool evaluatorFirst = true;
    for (auto _ : state) {
        if (evaluatorFirst) {
            evaluatedTime += timeBlocks(evaluate);
            bareTime += timeBlocks(nothing);
        } else {
            bareTime += timeBlocks(nothing);
            evaluatedTime += timeBlocks(evaluate);
        }
        evaluatorFirst = !evaluatorFirst;
    }
    const double evaluated = std::chrono::duration<double, std::nano>(evaluatedTime).count();
    const double bare = std::chrono::duration<double, std::nano>(bareTime).count();
    const auto iterations = static_cast<std::size_t>(state.iterations()) * kBlocksPerTiming;

    const double samples = static_cast<double>(iterations) * kBlock;
    state.SetItemsProcessed(static_cast<int64_t>(samples));
    state.counters["ns_per_sample"] = evaluated / samples;
    state.counters["bare_ns"] = bare / samples;
    state.counters["ratio"] = evaluated / bare;
    state.counters["extra_ratio"] = (evaluated - bare) / bare;
}

void RegisterEvaluator(const std::string& name, const Evaluator& evaluate, double low, double high)
{
    for (bool smooth : {true, false}) {
        const std::string full = name + (smooth ? "/smooth" : "/random");
        benchmark::RegisterBenchmark(full.c_str(), [=](benchmark::State& state) {
            Run(state, evaluate, smooth, low, high);
        });
    }
}

void Register(const std::string& name, Definition definition, const std::vector<double>& c, double low, double high)
{
    RegisterEvaluator(name, [definition, c](double* f, double* l) { return definition(c, f, l); }, low, high);
}

// Point to point as the enumerators evaluate it (the table built once) and per call.
void RegisterPointToPoint(std::size_t points)
{
    const std::vector<double> c = PointTable(points, -8.0, 8.0);
    const auto prepared = std::make_shared<const Tessar::CalibrationEvaluator>(
        static_cast<int32_t>(Tessar::FitKind::PointToPoint), c);
    const std::string name = "point_to_point_" + std::to_string(points);
    RegisterEvaluator(name, [prepared](double* f, double* l) { return prepared->Evaluate(f, l); }, -10.0, 10.0);
    Register(name + "_per_call", Tessar::EvaluatePointToPoint, c, -10.0, 10.0);
}

[[maybe_unused]] const int kRegistered = [] {
    RegisterEvaluator("bare_pass", [](double*, double*) { return true; }, -10.0, 10.0);
    Register("linear", Tessar::EvaluatePolynomial, {0.5, 2.0}, -10.0, 10.0);
    Register("quadratic", Tessar::EvaluatePolynomial, {0.5, 2.0, -0.03}, -10.0, 10.0);
    Register("quintic", Tessar::EvaluatePolynomial, {0.5, 2.0, -0.03, 1e-3, -2e-5, 3e-7}, -10.0, 10.0);
    Register("logarithmic", Logarithmic, {1.5, 20.0}, 0.01, 100.0);
    Register("logarithmic_mixed_signs", Logarithmic, {1.5, 20.0}, -5.0, 100.0);
    Register("exponential", Exponential, {0.3, 2.0}, -10.0, 10.0);
    RegisterPointToPoint(2);
    RegisterPointToPoint(12);
    RegisterPointToPoint(64);
    RegisterPointToPoint(1000);
    Register("plain_linear", PlainPolynomial<2>, {0.5, 2.0}, -10.0, 10.0);
    Register("plain_quintic", PlainPolynomial<6>, {0.5, 2.0, -0.03, 1e-3, -2e-5, 3e-7}, -10.0, 10.0);
    Register("plain_logarithmic", PlainLogarithmic, {1.5, 20.0}, 0.01, 100.0);
    Register("plain_exponential", PlainExponential, {0.3, 2.0}, -10.0, 10.0);
    Register("plain_point_to_point_12", PlainPointToPoint, PointTable(12, -8.0, 8.0), -10.0, 10.0);
    Register("plain_point_to_point_64", PlainPointToPoint, PointTable(64, -8.0, 8.0), -10.0, 10.0);
    Register("plain_point_to_point_1000", PlainPointToPoint, PointTable(1000, -8.0, 8.0), -10.0, 10.0);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
