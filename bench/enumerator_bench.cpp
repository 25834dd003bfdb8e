// Throughput of the calibrated channel's sample enumerator (TessarEnum::Next) over a source
// stream that delivers blocks of 4096 samples, for the linear, quintic, logarithmic and
// exponential calibrations and point to point at 12 and 64 points.
//
// Beside every measurement the same run times, for the same number of blocks and alternately
// with it in thread CPU time:
//   source_ns      the source stream's Next alone (what the enumerator cannot avoid)
//   bare_ns        the bare float -> double -> float pass over a block
//   evaluator_ns   the evaluator's own path on float samples, built once (as evaluators_bench
//                  times it): the block copied and calibrated in place
// Counters (per sample): ns_per_sample (Next), and the ratios
//   to_source      ns_per_sample / source_ns
//   to_bare        ns_per_sample / bare_ns
//   added          (ns_per_sample - source_ns - evaluator_ns) / evaluator_ns: what the enumerator
//                  adds to the evaluator's own cost (aim: at most 0.25)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "bench/thread_cpu_clock.h"
#include "module/calc_enum_class.h"
#include "module/class_object_list.h"
#include "calibration/calibration_evaluator.h"
#include "platform/com_ptr.h"
#include "tests/support/module_doubles.h"

namespace {

constexpr uint32_t kBlock = 4096;
using Clock = ThreadCpuClock;
constexpr size_t kBlocksPerTiming = 64;
using platform::ComPtr;

struct Calibration {
    const char* name;
    int32_t kind;
    std::vector<double> coefficients;
    double low, high;  // range of the raw samples
};

std::vector<double> PointTable(int points, double low, double high)
{
    std::vector<double> c;
    for (int i = 0; i < points; ++i) {
        const double x = low + (high - low) * i / (points - 1);
        c.push_back(x);
        c.push_back(3.0 * x + 0.2 * x * x);
    }
    return c;
}

// The settings text form of a calibration (head only; the enumerator reads no points).
std::u16string SettingsText(const Calibration& c)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << c.kind << "\t0\tV\t0\t0\t" << c.coefficients.size() << '\t';
    for (double v : c.coefficients) out << v << '\t';
    out << "0\t";
    const std::string s = out.str();
    return std::u16string(s.begin(), s.end());
}

std::vector<float> Samples(double low, double high)
{
    std::vector<float> samples(kBlock);
    for (uint32_t i = 0; i < kBlock; ++i) {
        const double phase = 2.0 * M_PI * i / kBlock;
        const double unit = 0.5 + 0.45 * std::sin(phase) + 0.05 * std::sin(37 * phase);
        samples[i] = static_cast<float>(low + (high - low) * unit);
    }
    return samples;
}

double NsPerSample(Clock::duration spent, size_t blocks)
{
    return std::chrono::duration<double, std::nano>(spent).count() / (double(blocks) * kBlock);
}

void Run(benchmark::State& state, const Calibration& c)
{
    TestSupport::FakeFramework::Install();
    const std::vector<float> raw = Samples(c.low, c.high);
    auto source = ComPtr<TestSupport::FakeSourceStream>::Adopt(new TestSupport::FakeSourceStream(raw));
    source->SetCycling(true);

    ComPtr<ICalcEnum> e;
    Tessar::TheCalcEnumClass().CreateEnumerator(0, e.Put());
    e->SetSettingsText(KVI::String(SettingsText(c)).Interface(), nullptr);
    IUnknown* sources[] = {source.Get()};
    e->Connect(1, sources, nullptr, 0);
    ComPtr<IEnumFloatEx> stream;
    e->QueryInterface(IID_IEnumFloatEx, stream.PutVoid());

    std::vector<float> buffer(kBlock);
    std::vector<double> work(kBlock);
    uint32_t got = 0;

    // The four passes, kBlocksPerTiming blocks each, timed in turn with a different one first
    // on every iteration (see thread_cpu_clock.h).
    auto enumeratorNext = [&] { stream->Next(kBlock, buffer.data(), &got); };
    auto sourceNext = [&] { source->Next(kBlock, buffer.data(), &got); };
    auto barePass = [&] {
        for (uint32_t i = 0; i < kBlock; ++i) work[i] = raw[i];
        benchmark::DoNotOptimize(work.data());
        for (uint32_t i = 0; i < kBlock; ++i) buffer[i] = static_cast<float>(work[i]);
    };
    const Tessar::CalibrationEvaluator evaluator(c.kind, c.coefficients);
    auto evaluatorPass = [&] {
        std::copy(raw.begin(), raw.begin() + kBlock, buffer.begin());
        evaluator.Evaluate(buffer.data(), buffer.data() + kBlock);
    };
    std::array<Clock::duration, 4> spent{};
    auto timePass = [&](int which) {
        const auto start = Clock::now();
        for (size_t k = 0; k < kBlocksPerTiming; ++k) {
            switch (which) {
            case 0: enumeratorNext(); break;
            case 1: sourceNext(); break;
            case 2: barePass(); break;
            default: evaluatorPass(); break;
            }
            benchmark::DoNotOptimize(buffer.data());
            benchmark::ClobberMemory();
        }
        spent[which] += Clock::now() - start;
    };
    int firstPass = 0;
    for (auto _ : state) {
        for (int k = 0; k < 4; ++k)
            timePass((firstPass + k) % 4);
        firstPass = (firstPass + 1) % 4;
    }
    const auto blocks = static_cast<size_t>(state.iterations()) * kBlocksPerTiming;
    const double next = NsPerSample(spent[0], blocks);
    const double sourceNs = NsPerSample(spent[1], blocks);
    const double bareNs = NsPerSample(spent[2], blocks);
    const double evaluatorNs = NsPerSample(spent[3], blocks);

    state.SetItemsProcessed(static_cast<int64_t>(blocks * kBlock));
    state.counters["ns_per_sample"] = next;
    state.counters["source_ns"] = sourceNs;
    state.counters["bare_ns"] = bareNs;
    state.counters["evaluator_ns"] = evaluatorNs;
    state.counters["to_source"] = next / sourceNs;
    state.counters["to_bare"] = next / bareNs;
    state.counters["added"] = (next - sourceNs - evaluatorNs) / evaluatorNs;
}

[[maybe_unused]] const int kRegistered = [] {
    static const Calibration calibrations[] = {
        {"linear", 0, {0.5, 2.0}, -10, 10},
        {"quintic", 4, {0.5, 2.0, -0.03, 1e-3, -2e-5, 3e-7}, -10, 10},
        {"logarithmic", 5, {1.5, 20.0}, 0.01, 100},
        {"exponential", 6, {0.3, 2.0}, -10, 10},
        {"point_to_point_12", 7, PointTable(12, -8, 8), -10, 10},
        {"point_to_point_64", 7, PointTable(64, -8, 8), -10, 10},
    };
    for (const Calibration& c : calibrations)
        benchmark::RegisterBenchmark((std::string("enumerator_next/") + c.name).c_str(),
                                     [&c](benchmark::State& state) { Run(state, c); });
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
