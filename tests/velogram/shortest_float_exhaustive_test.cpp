// Every positive finite float through the shortest float writer against std::to_chars, byte for
// byte (2.1 billion values; about a minute on two cores in Release: ctest -L exhaustive). The
// negative ones differ only by the sign, which the unit tests cover. Under the sanitizers
// every 4099th float is taken instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "host/velogram/shortest_float.h"
#include "tests/calibration/exhaustive_scale.h"

namespace {

constexpr uint32_t kStride = TestSupport::kExhaustiveStride;
constexpr uint64_t kEnd = 0x7F800000u;  // infinity, the first float after the finite ones

// Returns the number of differences in the floats of [begin, end) on the stride, keeping the
// bits of the first few.
uint64_t Walk(uint64_t begin, uint64_t end, std::vector<uint32_t>& first)
{
    uint64_t wrong = 0;
    char mine[Velogram::kShortestFloatMaxChars];
    char library[64];
    for (uint64_t b = begin; b < end; b += kStride) {
        const float v = std::bit_cast<float>(static_cast<uint32_t>(b));
        const char* mineEnd = Velogram::WriteShortestFloat(mine, v);
        const char* libraryEnd = std::to_chars(library, library + sizeof library, v).ptr;
        if (mineEnd - mine != libraryEnd - library || std::memcmp(mine, library, static_cast<size_t>(mineEnd - mine))) {
            if (first.size() < 8)
                first.push_back(static_cast<uint32_t>(b));
            ++wrong;
        }
    }
    return wrong;
}

TEST(ShortestFloatExhaustive, EveryPositiveFiniteFloat)
{
    const unsigned threads = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const uint64_t steps = (kEnd + kStride - 1) / kStride;
    std::vector<std::vector<uint32_t>> first(threads);
    std::vector<uint64_t> wrong(threads, 0);
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        const uint64_t begin = steps * t / threads * kStride;
        const uint64_t end = t + 1 == threads ? kEnd : steps * (t + 1) / threads * kStride;
        workers.emplace_back([&, t, begin, end] { wrong[t] = Walk(begin, end, first[t]); });
    }
    for (std::thread& w : workers)
        w.join();
    uint64_t total = 0;
    for (unsigned t = 0; t < threads; ++t) {
        total += wrong[t];
        for (uint32_t bits : first[t]) {
            char text[64];
            const float v = std::bit_cast<float>(bits);
            ADD_FAILURE() << "bits 0x" << std::hex << bits << ": the library writes "
                          << std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
        }
    }
    EXPECT_EQ(total, 0u);
}

}  // namespace
