#include "calibration/exponential_kernel.h"

#include <cmath>
#include <cstdint>
#include <limits>

// Compiled once for each instruction set (hwy/foreach_target.h includes this file again).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "calibration/exponential_kernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/contrib/math/math-inl.h>

#include "calibration/kernel_lanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Tessar::HWY_NAMESPACE {

// Magnitudes (as bits) of the results whose float rounding the midpoint test decides: normal
// floats, [2^-126, 2^128). Beyond 2^128 every result rounds to infinity (NaN bits lie above
// too, and NaN results are exact here: a NaN t, c1 = 0 times infinity, or a NaN c1); below
// 2^-151 to zero, also for a neighbour within the error bound. Results in [2^-151, 2^-126)
// would round to subnormal floats and are recomputed.
constexpr uint64_t kTinyBits = 0x3680000000000000ULL;         // 2^-151
constexpr uint64_t kNormalFloatBits = 0x3810000000000000ULL;  // 2^-126
constexpr uint64_t kHugeBits = 0x47F0000000000000ULL;         // 2^128
// Units in the last place around a float midpoint within which a lane is recomputed: far more
// than the vector exponential (1), std::exp (1) and the product with c1 can differ.
constexpr uint64_t kMidpointMargin = 1024;

template <class T>
HWY_INLINE size_t ExponentialLanes(double c0, double c1, T* v, size_t n)
{
    const hn::ScalableTag<double> d;
    const hn::RebindToUnsigned<decltype(d)> du;
    // exp(t) is a normal double for t in (-708.39, 709.78); the vector exponential is accurate
    // up to 706. exp(-746) < 2^-1075 rounds to 0, exp(710) > DBL_MAX to infinity, as in
    // std::exp; between those bounds and the accurate range the lanes are recomputed.
    const auto accurateLow = hn::Set(d, -708.0);
    const auto accurateHigh = hn::Set(d, 706.0);
    const auto zeroBelow = hn::Set(d, -746.0);
    const auto infiniteFrom = hn::Set(d, 710.0);
    const auto zero = hn::Zero(d);
    const auto inf = hn::Set(d, std::numeric_limits<double>::infinity());
    const auto vc0 = hn::Set(d, c0);
    const auto vc1 = hn::Set(d, c1);
    size_t recomputed = 0;
    // Padding NaN: an exact lane, never recomputed.
    ForEachVector(d, v, n, std::numeric_limits<double>::quiet_NaN(), [&](T* p) {
        const auto x = LoadSamples(d, p);
        const auto t = hn::Mul(vc0, x);
        auto y = hn::Mul(vc1, hn::Exp(d, t));
        auto between = hn::Lt(zero, zero);  // no lane
        // Usually every |t| is below 706 and the vector exponential is all there is.
        if (HWY_UNLIKELY(!hn::AllTrue(d, hn::Lt(hn::Abs(t), accurateHigh)))) {
            auto e = hn::Exp(d, t);
            e = hn::IfThenElse(hn::Le(t, zeroBelow), zero, e);
            e = hn::IfThenElse(hn::Ge(t, infiniteFrom), inf, e);
            // A NaN t: c1 * t gives the NaN that c1 * std::exp(t) gives.
            e = hn::IfThenElse(hn::IsNaN(t), t, e);
            y = hn::Mul(vc1, e);
            between = hn::Or(hn::And(hn::Gt(t, zeroBelow), hn::Le(t, accurateLow)),
                             hn::And(hn::Ge(t, accurateHigh), hn::Lt(t, infiniteFrom)));
        }
        const auto magnitude = MagnitudeBits(d, y);
        const auto subnormalFloat = hn::RebindMask(d, InRange(du, magnitude, kTinyBits, kNormalFloatBits));
        const auto normalFloat = hn::RebindMask(d, InRange(du, magnitude, kNormalFloatBits, kHugeBits));
        const auto undecided = hn::Or(hn::Or(between, subnormalFloat),
                                      hn::And(normalFloat, NearFloatMidpoint(d, y, kMidpointMargin)));
        recomputed += StoreWithExactLanes(d, x, y, undecided, p,
                                          [&](double raw) { return ExponentialSample(c0, c1, raw); });
    });
    return recomputed;
}

size_t ExponentialDoubles(double c0, double c1, double* v, size_t n) { return ExponentialLanes(c0, c1, v, n); }
size_t ExponentialFloats(double c0, double c1, float* v, size_t n) { return ExponentialLanes(c0, c1, v, n); }

}  // namespace Tessar::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Tessar {

HWY_EXPORT(ExponentialDoubles);
HWY_EXPORT(ExponentialFloats);

double ExponentialSample(double c0, double c1, double x) noexcept { return c1 * std::exp(c0 * x); }

std::size_t ExponentialKernel(double c0, double c1, double* v, std::size_t n) noexcept
{
    return HWY_DYNAMIC_DISPATCH(ExponentialDoubles)(c0, c1, v, n);
}

std::size_t ExponentialKernel(double c0, double c1, float* v, std::size_t n) noexcept
{
    return HWY_DYNAMIC_DISPATCH(ExponentialFloats)(c0, c1, v, n);
}

}  // namespace Tessar
#endif
