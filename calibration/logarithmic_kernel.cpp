#include "calibration/logarithmic_kernel.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "calibration/evaluators.h"

// Compiled once for each instruction set (hwy/foreach_target.h includes this file again).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "calibration/logarithmic_kernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/contrib/math/math-inl.h>

#include "calibration/kernel_lanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Tessar::HWY_NAMESPACE {

// Positive x whose float is a normal one, [2^-126, largest float]: as bits, an interval. The
// kernel rounds those to float itself; the others (which become subnormal floats, 0 or
// infinity) go to the library, as every x above the largest float does.
constexpr uint64_t kSmallestNormalFloatBits = 0x3810000000000000ULL;  // 2^-126
constexpr uint64_t kBeyondLargestFloatBits = 0x47EFFFFFE0000001ULL;   // just above 3.4028234663852886e38
// Units in the last place of ln xf around a float midpoint within which a lane is recomputed:
// far more than the vector logarithm (4) and std::log (1) can differ.
constexpr uint64_t kMidpointMargin = 1024;

template <class T>
HWY_INLINE size_t LogarithmicLanes(double c0, double c1, T* v, size_t n)
{
    const hn::ScalableTag<double> d;
    const hn::RebindToUnsigned<decltype(d)> du;
    const auto zero = hn::Zero(d);
    const auto nan = hn::Set(d, std::bit_cast<double>(kLogarithmicNaNBits));
    const auto vc0 = hn::Set(d, c0);
    const auto vc1 = hn::Set(d, c1);
    size_t recomputed = 0;
    // Padding 1.0: its logarithm is 0, which decides its rounding.
    ForEachVector(d, v, n, 1.0, [&](T* p) {
        const auto x = LoadSamples(d, p);
        const auto positive = hn::Gt(x, zero);
        // Only positive x have bits in the interval (a sign bit puts them far above it).
        const auto normalFloat = hn::RebindMask(
            d, InRange(du, hn::BitCast(du, x), kSmallestNormalFloatBits, kBeyondLargestFloatBits));
        // A float sample is its own float.
        hn::Vec<decltype(d)> xf = x;
        if constexpr (!std::is_same_v<T, float>)
            xf = RoundToFloatPrecision(d, x);
        // xf is a normal double: the variant without the subnormal-input path. |ln xf| <= 88.8.
        const auto y = hn::impl::Log<decltype(d), hn::Vec<decltype(d)>, false>(d, xf);
        const auto l = RoundToFloatPrecision(d, y);
        // The product and the sum are separate roundings (this file is built without
        // contraction into fused multiply-adds).
        const auto result = hn::IfThenElse(positive, hn::Add(vc0, hn::Mul(vc1, l)), nan);
        const auto undecided =
            hn::And(positive, hn::Or(hn::Not(normalFloat), NearFloatMidpoint(d, y, kMidpointMargin)));
        recomputed += StoreWithExactLanes(d, x, result, undecided, p,
                                          [&](double raw) { return LogarithmicSample(c0, c1, raw); });
    });
    return recomputed;
}

size_t LogarithmicDoubles(double c0, double c1, double* v, size_t n) { return LogarithmicLanes(c0, c1, v, n); }
size_t LogarithmicFloats(double c0, double c1, float* v, size_t n) { return LogarithmicLanes(c0, c1, v, n); }

}  // namespace Tessar::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Tessar {

HWY_EXPORT(LogarithmicDoubles);
HWY_EXPORT(LogarithmicFloats);

double LogarithmicSample(double c0, double c1, double x) noexcept
{
    if (!(x > 0.0))
        return std::bit_cast<double>(kLogarithmicNaNBits);
    const float l = static_cast<float>(std::log(static_cast<double>(static_cast<float>(x))));
    return c0 + c1 * static_cast<double>(l);
}

std::size_t LogarithmicKernel(double c0, double c1, double* v, std::size_t n) noexcept
{
    return HWY_DYNAMIC_DISPATCH(LogarithmicDoubles)(c0, c1, v, n);
}

std::size_t LogarithmicKernel(double c0, double c1, float* v, std::size_t n) noexcept
{
    return HWY_DYNAMIC_DISPATCH(LogarithmicFloats)(c0, c1, v, n);
}

}  // namespace Tessar
#endif
