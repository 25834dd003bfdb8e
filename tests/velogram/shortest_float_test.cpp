// The shortest float writer against std::to_chars, whose text it must write byte for byte: the
// values where its digit removal, its rounding and its choice of notation change course, every
// float of the binades around 1 and at both ends of the range, and random bit patterns.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "host/velogram/shortest_float.h"

namespace {

using Velogram::kShortestFloatMaxChars;
using Velogram::WriteShortestFloat;

std::string Mine(float v)
{
    char text[kShortestFloatMaxChars + 8];
    std::memset(text, '#', sizeof text);
    char* end = WriteShortestFloat(text, v);
    EXPECT_LE(end - text, static_cast<std::ptrdiff_t>(kShortestFloatMaxChars));
    return std::string(text, end);
}

std::string Library(float v)
{
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

// Every float whose bits lie in [first, last), against the library; stops at the first few
// differences.
void ExpectSameOverBits(uint32_t first, uint32_t last, uint32_t stride = 1)
{
    int wrong = 0;
    for (uint64_t b = first; b < last && wrong < 5; b += stride) {
        const float v = std::bit_cast<float>(static_cast<uint32_t>(b));
        const std::string mine = Mine(v);
        if (mine != Library(v)) {
            ADD_FAILURE() << "bits 0x" << std::hex << b << ": wrote " << mine << ", the library " << Library(v);
            ++wrong;
        }
    }
}

TEST(ShortestFloat, ValuesWhereTheTextChangesCourse)
{
    const float inf = std::numeric_limits<float>::infinity();
    for (float v : {1.0f, -1.0f, 0.1f, 0.3f, 2.5f, 1e7f, 1e8f, 1e9f, 1e10f, 123456789.0f, 16777216.0f, 16777217.0f,
                    1e-4f, 1e-5f, 1.5e-5f, 0.001234f, 3.4028235e38f, 1.17549435e-38f, 1.4e-45f, 7e-45f, 1e-45f,
                    9.999999e-5f, 299792458.0f, 0.000099f, 1e20f, 33554432.0f, 100.0f, 1000000.0f, 12345678.0f,
                    -0.0f, 0.0f, inf, -inf, std::nanf(""), -std::nanf("")})
        EXPECT_EQ(Mine(v), Library(v)) << "value bits 0x" << std::hex << std::bit_cast<uint32_t>(v);
    // The powers of ten, their neighbours, and the powers of two (whose lower gap is narrower).
    for (int e = -45; e <= 38; ++e) {
        const float p = static_cast<float>(std::pow(10.0, e));
        for (float v : {p, std::nextafter(p, 0.0f), std::nextafter(p, inf)})
            EXPECT_EQ(Mine(v), Library(v)) << "near 1e" << e;
    }
    for (int e = -149; e <= 127; ++e) {
        const float p = std::ldexp(1.0f, e);
        EXPECT_EQ(Mine(p), Library(p)) << "2^" << e;
        EXPECT_EQ(Mine(-p), Library(-p)) << "-2^" << e;
    }
}

TEST(ShortestFloat, EveryFloatOfTheBinadesAroundOneAndAtTheEnds)
{
    ExpectSameOverBits(std::bit_cast<uint32_t>(0.25f), std::bit_cast<uint32_t>(4.0f));
    ExpectSameOverBits(0x00000001u, 0x00900000u);  // subnormals and the first normal binade
    ExpectSameOverBits(0x7F000000u, 0x7F800000u);  // the largest binade
    ExpectSameOverBits(0x80000001u, 0x80100000u);  // negative subnormals
}

TEST(ShortestFloat, RandomBitPatterns)
{
    std::mt19937 random(2026);
    int wrong = 0;
    for (int k = 0; k < 2'000'000 && wrong < 5; ++k) {
        const float v = std::bit_cast<float>(static_cast<uint32_t>(random()));
        if (Mine(v) != Library(v)) {
            ADD_FAILURE() << "bits 0x" << std::hex << std::bit_cast<uint32_t>(v) << ": wrote " << Mine(v)
                          << ", the library " << Library(v);
            ++wrong;
        }
    }
}

}  // namespace
