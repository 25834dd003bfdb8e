// Throughput of the calibration evaluators on the sample path of the enumerators: a block of
// 4096 float samples is evaluated in place in one pass (each sample widened to double and
// rounded back to float by the kernel), as the calculated channel does without a range policy.
// The *_doubles entries take the path through a work buffer of doubles instead (widened,
// evaluated in place, narrowed back), as it does with one.
//
// Beside every block through the evaluator the same run times a block through the bare pass
// (widen and narrow, nothing computed), alternately and in thread CPU time, so the printed
// ratio compares like with like on a noisy machine. Counters:
//   ns_per_sample   the whole path, evaluator included
//   bare_ns         the bare pass, measured right after
//   ratio           ns_per_sample / bare_ns
//   extra_ratio     (ns_per_sample - bare_ns) / bare_ns: the evaluator's own cost against the pass
// The plain_* entries are the definitions as plain loops on the path through doubles, the
// yardstick of the kernels. Every other entry goes through a CalibrationEvaluator built once, as
// the enumerators do; point_to_point_*_per_call through EvaluatePointToPoint, which builds the
// segment table every block.
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

// One block through the path through doubles: widen, evaluate, narrow.
inline void PassBlock(const Evaluator& evaluate, const float* in, double* work, float* out)
{
    for (std::size_t i = 0; i < kBlock; ++i)
        work[i] = in[i];
    evaluate(work, work + kBlock);
    for (std::size_t i = 0; i < kBlock; ++i)
        out[i] = static_cast<float>(work[i]);
}

// A block from in to out, the way timed.
using Path = std::function<void(const float* in, double* work, float* out)>;

Path ThroughDoubles(Evaluator evaluate)
{
    return [evaluate](const float* in, double* work, float* out) { PassBlock(evaluate, in, work, out); };
}

// The channel's own path: the samples copied into the block they are calibrated in, in place.
Path InFloats(std::shared_ptr<const Tessar::CalibrationEvaluator> evaluator)
{
    return [evaluator](const float* in, double*, float* out) {
        std::copy(in, in + kBlock, out);
        evaluator->Evaluate(out, out + kBlock);
    };
}

void Run(benchmark::State& state, const Path& evaluate, bool smooth, double low, double high)
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
    auto timeBlocks = [&](const Path& through) {
        const auto start = Clock::now();
        for (std::size_t k = 0; k < kBlocksPerTiming; ++k) {
            through(in.data(), work.data(), out.data());
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
        }
        return Clock::now() - start;
    };
    // The bare pass goes through the same call as the evaluator, to an evaluator that does
    // nothing: called directly, the compiler would merge its widening and narrowing loops.
    const Path nothing = ThroughDoubles([](double*, double*) { return true; });
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

void RegisterPath(const std::string& name, const Path& path, double low, double high)
{
    for (bool smooth : {true, false}) {
        const std::string full = name + (smooth ? "/smooth" : "/random");
        benchmark::RegisterBenchmark(full.c_str(), [=](benchmark::State& state) {
            Run(state, path, smooth, low, high);
        });
    }
}

void RegisterPlain(const std::string& name, Definition definition, const std::vector<double>& c, double low,
                   double high)
{
    RegisterPath(name, ThroughDoubles([definition, c](double* f, double* l) { return definition(c, f, l); }), low,
                 high);
}

// A kind on both paths, through an evaluator built once.
void RegisterKind(const std::string& name, Tessar::FitKind kind, const std::vector<double>& c, double low,
                  double high)
{
    const auto evaluator = std::make_shared<const Tessar::CalibrationEvaluator>(static_cast<int32_t>(kind), c);
    RegisterPath(name, InFloats(evaluator), low, high);
    RegisterPath(name + "_doubles", ThroughDoubles([evaluator](double* f, double* l) { return evaluator->Evaluate(f, l); }),
                 low, high);
}

void RegisterPointToPoint(std::size_t points)
{
    const std::vector<double> c = PointTable(points, -8.0, 8.0);
    const std::string name = "point_to_point_" + std::to_string(points);
    RegisterKind(name, Tessar::FitKind::PointToPoint, c, -10.0, 10.0);
    RegisterPlain(name + "_per_call", Tessar::EvaluatePointToPoint, c, -10.0, 10.0);
}

[[maybe_unused]] const int kRegistered = [] {
    using Tessar::FitKind;
    RegisterPath("bare_pass", ThroughDoubles([](double*, double*) { return true; }), -10.0, 10.0);
    RegisterKind("linear", FitKind::Linear, {0.5, 2.0}, -10.0, 10.0);
    RegisterKind("quadratic", FitKind::Quadratic, {0.5, 2.0, -0.03}, -10.0, 10.0);
    RegisterKind("quintic", FitKind::Quintic, {0.5, 2.0, -0.03, 1e-3, -2e-5, 3e-7}, -10.0, 10.0);
    RegisterKind("logarithmic", FitKind::Logarithmic, {1.5, 20.0}, 0.01, 100.0);
    RegisterKind("logarithmic_mixed_signs", FitKind::Logarithmic, {1.5, 20.0}, -5.0, 100.0);
    RegisterKind("exponential", FitKind::Exponential, {0.3, 2.0}, -10.0, 10.0);
    for (std::size_t points : {2, 12, 64, 1000})
        RegisterPointToPoint(points);
    RegisterPlain("plain_linear", PlainPolynomial<2>, {0.5, 2.0}, -10.0, 10.0);
    RegisterPlain("plain_quintic", PlainPolynomial<6>, {0.5, 2.0, -0.03, 1e-3, -2e-5, 3e-7}, -10.0, 10.0);
    RegisterPlain("plain_logarithmic", PlainLogarithmic, {1.5, 20.0}, 0.01, 100.0);
    RegisterPlain("plain_exponential", PlainExponential, {0.3, 2.0}, -10.0, 10.0);
    for (std::size_t points : {12, 64, 1000})
        RegisterPlain("plain_point_to_point_" + std::to_string(points), PlainPointToPoint, PointTable(points, -8.0, 8.0),
                      -10.0, 10.0);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
