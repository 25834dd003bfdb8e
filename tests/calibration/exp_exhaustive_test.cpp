// The calibrated channel's float samples of an exponential calibration are exactly those of
// the library exponential: TessarEnum::Next's output equals (float)(c1 * std::exp(c0 * x))
// for the coefficients of its settings text, on a dense sweep of consecutive floats (around
// the arguments where the float result overflows, becomes subnormal and underflows, and a
// strided walk over every argument that matters) and on a billion random samples with random
// coefficients. Run in Release (ctest -L exhaustive); under the sanitizers every 4099th sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "calibration/exponential_kernel.h"
#include "module/calc_enum_class.h"
#include "module/class_object_list.h"
#include "platform/com_ptr.h"
#include "tests/calibration/exhaustive_scale.h"
#include "tests/calibration/kernel_targets.h"
#include "tests/support/module_doubles.h"

namespace {

using platform::ComPtr;

constexpr uint64_t kScaleDown = TestSupport::kExhaustiveStride;

constexpr uint64_t kRandomSamples = 1'000'000'000 / kScaleDown;
constexpr uint32_t kBatch = 1 << 16;  // samples per enumerator read
constexpr uint32_t kWindow = static_cast<uint32_t>((1u << 21) / kScaleDown);  // consecutive floats per window
constexpr uint32_t kStride = static_cast<uint32_t>(97 * kScaleDown);  // the walk's step in float bit patterns

// A coefficient as the settings text writes it (six significant digits) and as it reads back.
struct Coefficient {
    std::string text;
    double value;
};

Coefficient SixDigits(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.5e", v);
    return {text, std::strtod(text, nullptr)};
}

// An enumerator with the exponential calibration c1 exp(c0 x).
ComPtr<IEnumFloatEx> ExponentialEnumerator(const Coefficient& c0, const Coefficient& c1, ComPtr<ICalcEnum>& e)
{
    e.Reset();
    Tessar::TheCalcEnumClass().CreateEnumerator(0, e.Put());
    const std::string text = "6\t0\tV\t0\t0\t2\t" + c0.text + "\t" + c1.text + "\t0\t";
    e->SetSettingsText(KVI::String(std::u16string(text.begin(), text.end())).Interface(), nullptr);
    ComPtr<IEnumFloatEx> stream;
    e->QueryInterface(IID_IEnumFloatEx, stream.PutVoid());
    return stream;
}

struct Mismatch {
    double c0, c1;
    float x, got, expected;
};

// Reads the samples through a new enumerator and compares every output with the library's;
// returns the number of differences, keeping the first few.
uint64_t Check(const Coefficient& c0, const Coefficient& c1, const std::vector<float>& samples,
               std::vector<Mismatch>& first)
{
    ComPtr<ICalcEnum> e;
    ComPtr<IEnumFloatEx> stream = ExponentialEnumerator(c0, c1, e);
    auto source = ComPtr<TestSupport::FakeSourceStream>::Adopt(new TestSupport::FakeSourceStream(samples));
    IUnknown* sources[] = {source.Get()};
    if (e->Connect(1, sources, nullptr, 0) != S_OK)
        return samples.size();
    std::vector<float> out(samples.size());
    uint32_t got = 0;
    stream->Next(static_cast<uint32_t>(out.size()), out.data(), &got);
    if (got != out.size())
        return samples.size();
    uint64_t mismatches = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float expected = static_cast<float>(c1.value * std::exp(c0.value * static_cast<double>(samples[i])));
        const bool same = std::bit_cast<uint32_t>(out[i]) == std::bit_cast<uint32_t>(expected) ||
                          (std::isnan(out[i]) && std::isnan(expected));
        if (!same) {
            if (first.size() < 8)
                first.push_back({c0.value, c1.value, samples[i], out[i], expected});
            ++mismatches;
        }
    }
    return mismatches;
}

void Report(const std::vector<std::vector<Mismatch>>& first)
{
    for (const std::vector<Mismatch>& list : first)
        for (const Mismatch& m : list)
            ADD_FAILURE() << "c0 = " << m.c0 << ", c1 = " << m.c1 << ", x = " << m.x << " (bits 0x" << std::hex
                          << std::bit_cast<uint32_t>(m.x) << std::dec << "): got " << m.got << ", expected "
                          << m.expected;
}

unsigned Threads() { return std::max(1u, std::min(4u, std::thread::hardware_concurrency())); }

// splitmix64: cheap, and a billion draws must not cost more than the check itself.
struct Random {
    uint64_t state;
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double Uniform(double low, double high) { return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1p-53; }
};

class ExponentialExhaustive : public testing::Test {
protected:
    void SetUp() override { TestSupport::FakeFramework::Install(); }
};

// Consecutive floats around the arguments where the float result of c1 exp(c0 x) crosses its
// boundaries, and every kStride-th float where c0 x lies within [-120, 100].
TEST_F(ExponentialExhaustive, DenseSweep)
{
    const auto start = std::chrono::steady_clock::now();
    struct Set {
        double c0, c1;
    };
    const std::vector<Set> sets = {{1.0, 1.0}, {-0.37, 250.0}, {3.5, -0.002}, {0.001, 7.0}, {42.0, 1e-20}};
    std::vector<std::vector<Mismatch>> first(sets.size());
    std::vector<uint64_t> mismatches(sets.size(), 0), checked(sets.size(), 0);
    std::vector<std::thread> workers;
    std::atomic<std::size_t> nextSet{0};
    for (unsigned t = 0; t < Threads(); ++t) {
        workers.emplace_back([&] {
            for (std::size_t k; (k = nextSet.fetch_add(1)) < sets.size();) {
                const Coefficient c0 = SixDigits(sets[k].c0), c1 = SixDigits(sets[k].c1);
                std::vector<float> samples;
                auto flush = [&] {
                    mismatches[k] += Check(c0, c1, samples, first[k]);
                    checked[k] += samples.size();
                    samples.clear();
                };
                // Results at the largest float, the smallest normal float, the smallest
                // subnormal and half of it (beyond which they round to 0).
                for (double target : {3.4028234e38, 1.1754944e-38, 1.4e-45, 7.0e-46}) {
                    const double t = std::log(target / std::fabs(c1.value));
                    const float centre = static_cast<float>(t / c0.value);
                    const uint32_t bits = std::bit_cast<uint32_t>(std::fabs(centre));
                    for (uint32_t b = bits - kWindow / 2; b != bits + kWindow / 2; ++b) {
                        samples.push_back(std::copysign(std::bit_cast<float>(b), centre));
                        if (samples.size() == kBatch)
                            flush();
                    }
                }
                // Every kStride-th float of either sign with |c0 x| <= 120.
                const uint32_t last = std::bit_cast<uint32_t>(static_cast<float>(120.0 / std::fabs(c0.value)));
                for (uint32_t b = 0; b <= last; b += kStride) {
                    for (float sign : {1.0f, -1.0f}) {
                        samples.push_back(sign * std::bit_cast<float>(b));
                        if (samples.size() == kBatch)
                            flush();
                    }
                }
                flush();
            }
        });
    }
    for (std::thread& w : workers)
        w.join();
    Report(first);
    uint64_t total = 0, wrong = 0;
    for (std::size_t k = 0; k < sets.size(); ++k) {
        total += checked[k];
        wrong += mismatches[k];
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_GT(total, 5u * 4 * kWindow);
    std::printf("dense sweep: %llu samples in %.1f s\n", static_cast<unsigned long long>(total),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

// Random coefficients (rates 1e-3 .. 1e2 and amplitudes 1e-6 .. 1e6 of either sign) and random
// arguments with c0 x in [-110, 95], so results cover zero, subnormal and normal floats and
// infinity.
TEST_F(ExponentialExhaustive, RandomSamples)
{
    const auto start = std::chrono::steady_clock::now();
    const unsigned threads = Threads();
    const uint64_t batches = kRandomSamples / kBatch + 1;
    std::vector<std::vector<Mismatch>> first(threads);
    std::vector<uint64_t> mismatches(threads, 0);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            Random random{0x5EED0000ULL + t};
            std::vector<float> samples(kBatch);
            for (uint64_t b = t; b < batches; b += threads) {
                const double sign0 = random.Next() & 1 ? 1.0 : -1.0;
                const double sign1 = random.Next() & 1 ? 1.0 : -1.0;
                const Coefficient c0 = SixDigits(sign0 * std::pow(10.0, random.Uniform(-3.0, 2.0)));
                const Coefficient c1 = SixDigits(sign1 * std::pow(10.0, random.Uniform(-6.0, 6.0)));
                for (float& x : samples)
                    x = static_cast<float>(random.Uniform(-110.0, 95.0) / c0.value);
                mismatches[t] += Check(c0, c1, samples, first[t]);
            }
        });
    }
    for (std::thread& w : workers)
        w.join();
    Report(first);
    uint64_t wrong = 0;
    for (uint64_t m : mismatches)
        wrong += m;
    EXPECT_EQ(wrong, 0u);
    std::printf("random: %llu samples on %u threads in %.1f s\n",
                static_cast<unsigned long long>(batches * kBatch), threads,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

// Each instruction set's kernel (they differ in how they look up the table and whether they fuse
// multiply-adds) on random arguments over the whole range where e^t is a normal double: the
// float samples equal the library's float, and the doubles lie within 2 units in the last place
// of the library's.
TEST_F(ExponentialExhaustive, EveryInstructionSetOnRandomArguments)
{
    constexpr std::size_t kSamples = 20'000'000 / kScaleDown;
    TestSupport::ForEachKernelTarget([] {
        Random random{0xE4B0ULL};
        std::vector<double> doubles(kBatch);
        std::vector<float> floats(kBatch);
        uint64_t wrongFloats = 0, wrongDoubles = 0;
        for (std::size_t done = 0; done < kSamples; done += kBatch) {
            const double c0 = (random.Next() & 1 ? 1.0 : -1.0) * std::pow(10.0, random.Uniform(-3.0, 2.0));
            const double c1 = (random.Next() & 1 ? 1.0 : -1.0) * std::pow(10.0, random.Uniform(-3.0, 3.0));
            for (uint32_t i = 0; i < kBatch; ++i) {
                floats[i] = static_cast<float>(random.Uniform(-708.0, 706.0) / c0);
                doubles[i] = floats[i];
            }
            const std::vector<float> raw = floats;
            Tessar::ExponentialKernel(c0, c1, doubles.data(), doubles.size());
            Tessar::ExponentialKernel(c0, c1, floats.data(), floats.size());
            for (uint32_t i = 0; i < kBatch; ++i) {
                const double expected = c1 * std::exp(c0 * static_cast<double>(raw[i]));
                const float expectedFloat = static_cast<float>(expected);
                if (std::bit_cast<uint32_t>(floats[i]) != std::bit_cast<uint32_t>(expectedFloat) && ++wrongFloats <= 4)
                    ADD_FAILURE() << "float: c0 = " << c0 << ", c1 = " << c1 << ", x = " << raw[i] << ": got "
                                  << floats[i] << ", expected " << expectedFloat;
                const int64_t a = std::bit_cast<int64_t>(doubles[i]), b = std::bit_cast<int64_t>(expected);
                if (std::isfinite(expected) && (a > b ? a - b : b - a) > 2 && ++wrongDoubles <= 4)
                    ADD_FAILURE() << "double: c0 = " << c0 << ", c1 = " << c1 << ", x = " << raw[i] << ": got "
                                  << doubles[i] << ", expected " << expected;
            }
        }
        EXPECT_EQ(wrongFloats, 0u);
        EXPECT_EQ(wrongDoubles, 0u);
    });
}

}  // namespace
