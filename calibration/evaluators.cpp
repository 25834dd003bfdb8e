#include "calibration/evaluators.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <limits>
#include <new>

#include "calibration/fit_kind.h"
#include "values/graticule.h"

// The sample loops are compiled for four instruction-set levels (x86-64 and its v2, v3 and v4
// levels: SSE4.2, AVX2 with FMA, AVX-512) and picked at load time. This file is built with
// -ffp-contract=off, so every variant performs the same roundings and the results are
// identical on every processor.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(TESSAR_NO_EVALUATOR_CLONES)
#define TESSAR_SAMPLE_KERNEL \
    __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "arch=x86-64-v2", "default")))
#define TESSAR_HAND_DISPATCH 1
#else
#define TESSAR_SAMPLE_KERNEL
#define TESSAR_HAND_DISPATCH 0
#endif
#define TESSAR_INLINE [[gnu::always_inline]] inline

namespace Tessar {

namespace {

using std::size_t;
using std::uint64_t;

// Samples handled per pass of the kernels that need scratch space (kept on the stack).
constexpr size_t kChunk = 256;

#if TESSAR_HAND_DISPATCH
// The instruction-set level of the processor, for the kernels that are dispatched by hand.
// Probed once.
enum class InstructionSet { Baseline, Sse42, Avx2Fma, Avx512 };

InstructionSet DetectInstructionSet()
{
    static const InstructionSet detected = [] {
        __builtin_cpu_init();
        const bool v2 = __builtin_cpu_supports("sse4.2") && __builtin_cpu_supports("ssse3") &&
                        __builtin_cpu_supports("popcnt");
        const bool v3 = v2 && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") &&
                        __builtin_cpu_supports("bmi2");
        const bool v4 = v3 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw");
        return v4 ? InstructionSet::Avx512
                  : v3 ? InstructionSet::Avx2Fma : v2 ? InstructionSet::Sse42 : InstructionSet::Baseline;
    }();
    return detected;
}
#endif

// ---------------------------------------------------------------------------------------------
// Polynomial

template <size_t N>
TESSAR_INLINE void HornerFixed(const double* coefficients, double* v, size_t n)
{
    // A local copy lets the compiler keep the coefficients in registers: the caller's vector
    // could otherwise alias the buffer.
    std::array<double, N> c;
    std::copy_n(coefficients, N, c.begin());
    for (size_t i = 0; i < n; ++i) {
        const double x = v[i];
        double r = c[N - 1];
        for (size_t k = N - 1; k-- > 0;)
            r = r * x + c[k];
        v[i] = r;
    }
}

TESSAR_INLINE void HornerAnyLength(const double* c, size_t count, double* v, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const double x = v[i];
        double r = c[count - 1];
        for (size_t k = count - 1; k-- > 0;)
            r = r * x + c[k];
        v[i] = r;
    }
}

TESSAR_SAMPLE_KERNEL void PolynomialKernel(const double* c, size_t count, double* v, size_t n)
{
    switch (count) {
    case 1: {
        // A constant would turn NaN samples into numbers; they stay NaN.
        const double c0 = c[0];
        for (size_t i = 0; i < n; ++i)
            v[i] = v[i] == v[i] ? c0 : v[i];
        break;
    }
    case 2: HornerFixed<2>(c, v, n); break;
    case 3: HornerFixed<3>(c, v, n); break;
    case 4: HornerFixed<4>(c, v, n); break;
    case 5: HornerFixed<5>(c, v, n); break;
    case 6: HornerFixed<6>(c, v, n); break;
    default: HornerAnyLength(c, count, v, n); break;
    }
}

// ---------------------------------------------------------------------------------------------
// Logarithmic
//
// L must equal (float)std::log((double)xf) exactly. The kernel computes y = ln(xf) in double to
// about 2^-49 relative error (under 32 units in the last place of y), far more than float
// needs, and accepts its rounding to float unless y lies within kMidpointMargin units of a
// midpoint between two floats. Outside that margin, std::log's value (within 1 unit of the
// true one) lies on the same side of every midpoint as y and rounds to the same float. A block
// of kChunk samples with a lane inside the margin (about one float in 260000), or with a
// positive x that rounds to float 0 or infinity, has its positive lanes recomputed with
// std::log itself.
//
// Because the result is exact whatever the rounding of the intermediate steps, this kernel may
// use fused multiply-adds where the processor has them; it is therefore dispatched by hand
// rather than by target_clones, whose variants share one body.

constexpr double kLn2Hi = 6.93147180369123816490e-01;  // 32 significant bits: k * kLn2Hi is exact
constexpr double kLn2Lo = 1.90821492927058770002e-10;  // ln 2 - kLn2Hi
// The 29 low bits of a double's significand are those that rounding to float drops; the
// midpoint between two floats has exactly the top one of them set.
constexpr uint64_t kDroppedBits = (1ULL << 29) - 1;
constexpr uint64_t kMidpoint = 1ULL << 28;
constexpr uint64_t kMidpointMargin = 1024;  // units in the last place of y
// |ln xf| <= 103.3 for every positive finite float; the kernel's value for xf == 0 or
// infinity is near +-709.
constexpr uint64_t kMagnitudeBits = 0x7FFFFFFFFFFFFFFFULL;
constexpr uint64_t kLogLimitBits = 0x405A000000000000ULL;  // 104.0

template <bool kFma>
TESSAR_INLINE double MulAdd(double a, double b, double c)
{
    if constexpr (kFma)
        return __builtin_fma(a, b, c);
    else
        return a * b + c;
}

// ln(d) for a positive normal double d holding a float value, to ~2^-49 relative. Lanes with
// other values compute garbage without trapping (every integer step is unsigned).
template <bool kFma>
TESSAR_INLINE double LogOfFloatValue(double d)
{
    // d = 2^k m with m in [sqrt(1/2), sqrt(2)). Adding 1024 to the exponent before the shift
    // keeps the integer arithmetic unsigned.
    const uint64_t bits = std::bit_cast<uint64_t>(d);
    const uint64_t biased = bits + (0x4000000000000000ULL - 0x3FE6A09E667F3BCDULL);
    const uint64_t e = biased >> 52;  // k + 1024
    const double k = std::bit_cast<double>(e | 0x4330000000000000ULL) - (0x1p52 + 1024.0);
    const double m = std::bit_cast<double>(bits - (e << 52) + (1024ULL << 52));
    // ln m = 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.1716. m has at most 24 significant
    // bits, so m - 1 and m + 1 are exact and s is correctly rounded.
    const double f = m - 1.0;
    const double s = f / (2.0 + f);
    // 2 atanh(s) = 2s (1 + z P(z)), z = s^2 < 0.0295, P(z) = 1/3 + z/5 + z^2/7 + ...: the
    // series economised to degree 5 on [0, 0.02944] (Chebyshev), error below 2^-50 of 2s.
    const double z = s * s;
    double p = MulAdd<kFma>(0.08311323704123474, z, 0.09070066815051928);
    p = MulAdd<kFma>(p, z, 0.1111143190292295);
    p = MulAdd<kFma>(p, z, 0.1428571206127087);
    p = MulAdd<kFma>(p, z, 0.20000000005631804);
    p = MulAdd<kFma>(p, z, 0.3333333333333103);
    const double twoS = s + s;
    const double lnM = MulAdd<kFma>(twoS, z * p, twoS);
    return MulAdd<kFma>(k, kLn2Hi, MulAdd<kFma>(k, kLn2Lo, lnM));
}

template <bool kFma>
TESSAR_INLINE void LogarithmicBlocks(double c0, double c1, double* v, size_t n)
{
    const double nan = std::bit_cast<double>(kLogarithmicNaNBits);
    double raw[kChunk];
    for (size_t base = 0; base < n; base += kChunk) {
        double* x = v + base;
        const size_t len = std::min(kChunk, n - base);
        std::copy_n(x, len, raw);
        uint64_t recompute = 0;
        for (size_t i = 0; i < len; ++i) {
            const double value = raw[i];
            const double y = LogOfFloatValue<kFma>(static_cast<float>(value));
            const uint64_t yBits = std::bit_cast<uint64_t>(y);
            const bool nearMidpoint =
                (yBits & kDroppedBits) - (kMidpoint - kMidpointMargin) <= 2 * kMidpointMargin;
            const bool outOfRange = (yBits & kMagnitudeBits) > kLogLimitBits;
            const bool positive = value > 0.0;
            recompute |= positive & (nearMidpoint | outOfRange);
            // Every value is computed before the choice: the loop must stay branch-free. The
            // final product and sum are never fused: they are part of the definition.
            const double l = static_cast<float>(y);
            const double result = c0 + c1 * l;
            x[i] = positive ? result : nan;
        }
        if (recompute == 0)
            continue;
        for (size_t i = 0; i < len; ++i) {
            if (raw[i] > 0.0) {
                const float l = static_cast<float>(std::log(static_cast<double>(static_cast<float>(raw[i]))));
                x[i] = c0 + c1 * static_cast<double>(l);
            }
        }
    }
}

#if TESSAR_HAND_DISPATCH
__attribute__((target("arch=x86-64-v4"))) void LogarithmicAvx512(double c0, double c1, double* v, size_t n)
{
    LogarithmicBlocks<true>(c0, c1, v, n);
}

__attribute__((target("arch=x86-64-v3"))) void LogarithmicAvx2(double c0, double c1, double* v, size_t n)
{
    LogarithmicBlocks<true>(c0, c1, v, n);
}

__attribute__((target("arch=x86-64-v2"))) void LogarithmicSse42(double c0, double c1, double* v, size_t n)
{
    LogarithmicBlocks<false>(c0, c1, v, n);
}
#endif

void LogarithmicKernel(double c0, double c1, double* v, size_t n)
{
#if TESSAR_HAND_DISPATCH
    switch (DetectInstructionSet()) {
    case InstructionSet::Avx512: return LogarithmicAvx512(c0, c1, v, n);
    case InstructionSet::Avx2Fma: return LogarithmicAvx2(c0, c1, v, n);
    case InstructionSet::Sse42: return LogarithmicSse42(c0, c1, v, n);
    case InstructionSet::Baseline: break;
    }
#endif
#if defined(__FMA__)
    LogarithmicBlocks<true>(c0, c1, v, n);
#else
    LogarithmicBlocks<false>(c0, c1, v, n);
#endif
}

// ---------------------------------------------------------------------------------------------
// Exponential: exp(t) = 2^k exp(r), k = round(t / ln 2), |r| <= ln(2) / 2, exp(r) by a
// polynomial. t is clamped to +-800, beyond which exp is 0 or infinity anyway, so 2^k splits
// into two normal powers of two.

constexpr double kLog2e = 1.4426950408889634074;
constexpr double kShifter = 0x1.8p52;  // adding it rounds to an integer held in the low bits
constexpr uint64_t kShifterBits = 0x4338000000000000ULL;

TESSAR_INLINE double ExpClamped(double t)
{
    const double shifted = t * kLog2e + kShifter;
    const double k = shifted - kShifter;
    const double r = (t - k * kLn2Hi) - k * kLn2Lo;
    // exp(r) on [-0.3466, 0.3466]: the Taylor series economised to degree 11 (Chebyshev),
    // error below 2^-57.
    const double p =
        1.0 + r * (1.0 + r * (0.5000000000000019 + r * (0.16666666666666702 +
        r * (0.041666666666487974 + r * (0.00833333333330951 + r * (0.001388888895234707 +
        r * (0.00019841269909250933 + r * (2.480148544815057e-05 + r * (2.7557224927351573e-06 +
        r * (2.763265216957956e-07 + r * 2.5114879796112005e-08))))))))));
    // u = k + 2048 > 0; 2^k = 2^k1 * 2^k2 with k1 = floor(k / 2), k2 = k - k1, each a normal
    // power (|k| <= 1155). Multiplying by them one after the other rounds only once, also when
    // the result is subnormal.
    const uint64_t u = std::bit_cast<uint64_t>(shifted) - kShifterBits + 2048;
    const uint64_t half = u >> 1;  // k1 + 1024
    const double scale1 = std::bit_cast<double>((half - 1) << 52);
    const double scale2 = std::bit_cast<double>((u - half - 1) << 52);
    return (p * scale1) * scale2;
}

TESSAR_SAMPLE_KERNEL void ExponentialKernel(double c0, double c1, double* v, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const double t = c0 * v[i];
        // A NaN t becomes -800 here (std::max keeps its first argument when unordered) and is
        // restored below.
        const double clamped = std::max(-800.0, std::min(t, 800.0));
        const double y = c1 * ExpClamped(clamped);
        v[i] = t == t ? y : t;
    }
}

// ---------------------------------------------------------------------------------------------
// Point to point

// Up to this many points the table lives on the stack and the segment is chosen by a fixed
// run of comparisons (the calibration dialog has 12 rows).
constexpr size_t kSmallTablePoints = 12;

// Segment maps and the points where the segment changes: breaks[k] = x_k for k = 1..s-1.
struct SegmentTable {
    const double* breaks;
    const double* slopes;
    const double* offsets;
    size_t segments;
};

// Builds the maps through GUILib::Graticule. Returns true when the x values are strictly
// increasing and finite, which the fast kernels need.
bool BuildSegments(const std::vector<double>& c, size_t segments, double* breaks, double* slopes,
                   double* offsets)
{
    bool increasing = true;
    for (size_t i = 0; i < segments; ++i) {
        GUILib::Graticule map;
        increasing &= map.SetXPair(c[2 * i], c[2 * i + 2]);
        map.SetYPair(c[2 * i + 1], c[2 * i + 3]);
        slopes[i] = map.Scale();
        offsets[i] = map.Offset();
        breaks[i] = c[2 * i];
    }
    return increasing;
}

// Sorted tables of up to kSmallTablePoints points, padded to B breaks: a padding break is
// +infinity and a padding segment repeats the last one, so x = +inf still lands on the last.
template <size_t B>
TESSAR_INLINE void SmallTableFixed(const SegmentTable& table, double* v, size_t n)
{
    std::array<double, B + 1> breaks;
    std::array<double, B + 1> slopes;
    std::array<double, B + 1> offsets;
    const size_t s = table.segments;
    for (size_t k = 0; k <= B; ++k) {
        const size_t from = std::min(k, s - 1);
        breaks[k] = k < s ? table.breaks[k] : std::numeric_limits<double>::infinity();
        slopes[k] = table.slopes[from];
        offsets[k] = table.offsets[from];
    }
    for (size_t i = 0; i < n; ++i) {
        const double x = v[i];
        double slope = slopes[0];
        double offset = offsets[0];
        // Breaks ascend, so the last one passed names the segment; a NaN passes none.
#pragma GCC unroll 16
        for (size_t k = 1; k <= B; ++k) {
            const bool past = x >= breaks[k];
            slope = past ? slopes[k] : slope;
            offset = past ? offsets[k] : offset;
        }
        const double y = slope * x + offset;
        v[i] = x == x ? y : x;
    }
}

TESSAR_SAMPLE_KERNEL void PointToPointSmallKernel(const SegmentTable& table, double* v, size_t n)
{
    if (table.segments == 1)
        SmallTableFixed<0>(table, v, n);
    else if (table.segments <= 4)
        SmallTableFixed<3>(table, v, n);
    else
        SmallTableFixed<kSmallTablePoints - 2>(table, v, n);
}

// Sorted tables of any size: the segment index counts the breaks at or below x, eight breaks
// per pass over the block (padding breaks are +infinity; x = +inf, which passes them, is
// brought back to the last segment).
TESSAR_SAMPLE_KERNEL void PointToPointLargeKernel(const SegmentTable& table, double* v, size_t n)
{
    constexpr size_t kGroup = 8;
    const size_t lastSegment = table.segments - 1;
    uint64_t index[kChunk];
    for (size_t base = 0; base < n; base += kChunk) {
        double* x = v + base;
        const size_t len = std::min(kChunk, n - base);
        std::fill_n(index, len, 0);
        for (size_t k = 1; k <= lastSegment; k += kGroup) {
            std::array<double, kGroup> breaks;
            for (size_t j = 0; j < kGroup; ++j)
                breaks[j] = k + j <= lastSegment ? table.breaks[k + j] : std::numeric_limits<double>::infinity();
            for (size_t i = 0; i < len; ++i) {
                const double xi = x[i];
                uint64_t passed = 0;
#pragma GCC unroll 8
                for (size_t j = 0; j < kGroup; ++j)
                    passed += xi >= breaks[j];
                index[i] += passed;
            }
        }
        for (size_t i = 0; i < len; ++i) {
            const uint64_t segment = std::min<uint64_t>(index[i], lastSegment);
            const double y = table.slopes[segment] * x[i] + table.offsets[segment];
            x[i] = x[i] == x[i] ? y : x[i];
        }
    }
}

// Unsorted or non-finite x values: the rule applied literally, sample by sample.
void PointToPointLiteral(const SegmentTable& table, const double* xs, double* v, size_t n)
{
    const size_t s = table.segments;
    const size_t none = s;
    for (size_t i = 0; i < n; ++i) {
        const double x = v[i];
        size_t segment = none;
        if (x < xs[0]) {
            segment = 0;
        } else if (x >= xs[s - 1]) {
            segment = s - 1;
        } else {
            for (size_t k = 0; k < s && segment == none; ++k)
                if (xs[k] <= x && x < xs[k + 1])
                    segment = k;
        }
        if (segment != none)
            v[i] = table.slopes[segment] * x + table.offsets[segment];
    }
}

void ApplySegments(const std::vector<double>& c, bool increasing, const SegmentTable& table,
                   double* v, size_t n, double* xs)
{
    if (!increasing) {
        for (size_t i = 0; i <= table.segments; ++i)
            xs[i] = c[2 * i];
        PointToPointLiteral(table, xs, v, n);
    } else if (table.segments + 1 <= kSmallTablePoints) {
        PointToPointSmallKernel(table, v, n);
    } else {
        PointToPointLargeKernel(table, v, n);
    }
}

size_t RangeLength(const double* first, const double* last)
{
    return last > first ? static_cast<size_t>(last - first) : 0;
}

}  // namespace

bool EvaluatePolynomial(const std::vector<double>& coefficients, double* first, double* last) noexcept
{
    if (coefficients.empty())
        return false;
    PolynomialKernel(coefficients.data(), coefficients.size(), first, RangeLength(first, last));
    return true;
}

bool EvaluateLogarithmic(double* first, const std::vector<double>& coefficients, double* last) noexcept
{
    if (coefficients.size() < 2)
        return false;
    LogarithmicKernel(coefficients[0], coefficients[1], first, RangeLength(first, last));
    return true;
}

bool EvaluateExponential(double* first, const std::vector<double>& coefficients, double* last) noexcept
{
    if (coefficients.size() < 2)
        return false;
    ExponentialKernel(coefficients[0], coefficients[1], first, RangeLength(first, last));
    return true;
}

bool EvaluatePointToPoint(const std::vector<double>& coefficients, double* first, double* last) noexcept
{
    const size_t points = coefficients.size() / 2;
    if (points < 2)
        return false;
    const size_t segments = points - 1;
    const size_t n = RangeLength(first, last);
    if (points <= kSmallTablePoints) {
        std::array<double, kSmallTablePoints> breaks, slopes, offsets, xs;
        const bool increasing =
            BuildSegments(coefficients, segments, breaks.data(), slopes.data(), offsets.data());
        const SegmentTable table{breaks.data(), slopes.data(), offsets.data(), segments};
        ApplySegments(coefficients, increasing, table, first, n, xs.data());
        return true;
    }
    // A table this large comes only from a hand-made text form; the one allocation may fail.
    try {
        std::vector<double> storage(4 * points);
        double* breaks = storage.data();
        double* slopes = breaks + points;
        double* offsets = slopes + points;
        double* xs = offsets + points;
        const bool increasing = BuildSegments(coefficients, segments, breaks, slopes, offsets);
        ApplySegments(coefficients, increasing, SegmentTable{breaks, slopes, offsets, segments},
                      first, n, xs);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool EvaluateCalibration(int32_t fitKind, const std::vector<double>& coefficients, double* first,
                         double* last) noexcept
{
    switch (static_cast<FitKind>(fitKind)) {
    case FitKind::Logarithmic: return EvaluateLogarithmic(first, coefficients, last);
    case FitKind::Exponential: return EvaluateExponential(first, coefficients, last);
    case FitKind::PointToPoint: return EvaluatePointToPoint(coefficients, first, last);
    default: return EvaluatePolynomial(coefficients, first, last);
    }
}

}  // namespace Tessar
