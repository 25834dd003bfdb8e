// The recorded numbers of a CSV column, as calibrate reads them: ReadShortDecimal against
// std::from_chars (which reads the same floats) on the same 4096 texts in the same run.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "host/velogram/short_decimal.h"

namespace {

constexpr std::size_t kValues = 4096;

// The recorded samples as a logger writes them: six decimals.
std::vector<std::string> Recorded()
{
    std::vector<std::string> texts(kValues);
    for (std::size_t i = 0; i < kValues; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6f", 2.5 + 2 * std::sin(static_cast<double>(i) * 0.001));
        texts[i] = text;
    }
    return texts;
}

template <class Read>
void Parse(benchmark::State& state, Read&& read)
{
    const std::vector<std::string> texts = Recorded();
    for (auto _ : state) {
        float sum = 0;
        for (const std::string& t : texts)
            sum += read(t.data(), t.data() + t.size());
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kValues));
}

void ParseLibrary(benchmark::State& state)
{
    Parse(state, [](const char* first, const char* last) {
        float v = 0;
        std::from_chars(first, last, v);
        return v;
    });
}

void ParseShortDecimal(benchmark::State& state)
{
    Parse(state, [](const char* first, const char* last) {
        float v = 0;
        Velogram::ReadShortDecimal(first, last, v);
        return v;
    });
}

BENCHMARK(ParseLibrary);
BENCHMARK(ParseShortDecimal);

}  // namespace

BENCHMARK_MAIN();
