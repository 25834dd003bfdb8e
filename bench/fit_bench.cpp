// Time of one calibration fit of twelve points, the largest table the dialog holds, for every
// least-squares kind: FitCalibration as the dialog and the report call it (scaled solve,
// conversion, refinement, checks), beside a single equilibrated decomposition of the plain
// polynomial design (FitLinearModel) of the same points in the same run. Counters:
//   us_per_fit   microseconds per FitCalibration
//   ratio        against the single decomposition
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <span>
#include <vector>

#include "calibration/calibration_data.h"
#include "calibration/calibration_fit.h"
#include "calibration/curve_fit.h"

namespace {

constexpr int kPoints = 12;

Tessar::CalibrationData Points(int32_t kind, double firstRaw)
{
    Tessar::CalibrationData data;
    data.fitKind_ = kind;
    for (int i = 0; i < kPoints; ++i) {
        const double x = firstRaw + i;
        data.rawValues_.push_back(x);
        data.calibratedValues_.push_back(kind == 6 ? 2 * std::exp(0.1 * i) : 0.5 + 0.3 * i + 0.01 * i * i * i);
    }
    return data;
}

double SingleDecompositionSeconds(const Tessar::CalibrationData& data, int order, int repeats)
{
    const Tessar::CCurveFit fit;
    const std::vector<double> sigma(data.rawValues_.size(), 1.0);
    std::vector<double> a(static_cast<std::size_t>(order) + 1);
    const auto powers = [](double v, std::span<double> out) {
        double p = 1;
        for (double& o : out) {
            o = p;
            p *= v;
        }
    };
    double chiSquare = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < repeats; ++r) {
        fit.FitLinearModel(data.rawValues_, data.calibratedValues_, sigma, a, chiSquare, powers);
        benchmark::DoNotOptimize(a.data());
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeats;
}

void BM_FitCalibration(benchmark::State& state)
{
    const auto kind = static_cast<int32_t>(state.range(0));
    const double firstRaw = static_cast<double>(state.range(1));
    const Tessar::CalibrationData points = Points(kind, firstRaw);
    const int order = kind <= 4 ? kind + 1 : 1;
    int64_t fits = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        Tessar::CalibrationData data = points;
        benchmark::DoNotOptimize(Tessar::FitCalibration(data));
        ++fits;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / double(fits);
    const double baseline = SingleDecompositionSeconds(points, order, 2000);
    state.counters["us_per_fit"] = seconds * 1e6;
    state.counters["baseline_us"] = baseline * 1e6;
    state.counters["ratio"] = seconds / baseline;
}

// kind, first raw value (0: near zero; 1000: the offset case)
BENCHMARK(BM_FitCalibration)
    ->ArgNames({"kind", "first_raw"})
    ->Args({0, 0})
    ->Args({2, 0})
    ->Args({4, 0})
    ->Args({4, 1000})
    ->Args({5, 1})
    ->Args({6, 0});

}  // namespace

BENCHMARK_MAIN();
