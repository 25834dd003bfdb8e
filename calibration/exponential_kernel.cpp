#include "calibration/exponential_kernel.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "calibration/kernel_tables.h"

// Compiled once for each instruction set (hwy/foreach_target.h includes this file again).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "calibration/exponential_kernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

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
// Units in the last place around a float midpoint within which a lane is recomputed: four times
// what the vector exponential (under 2000 for float samples, 3 for doubles; see TableExp),
// std::exp (1) and the product with c1 can differ.
template <class T>
constexpr uint64_t kMidpointMargin = std::is_same_v<T, float> ? 8192 : 1024;

// e^t for t in [-708, 706], where it is a normal double: t = m ln2/16 + r, |r| <= ln2/32, and
// e^t = 2^(m/16) e^r with 2^(m/16) from the table (kernel_tables.h) and e^r = 1 + r P(r) its Taylor
// polynomial, of degree 5 where the result only has to decide a float's rounding (remainder
// below 2^-42.6 relative: float samples) and of degree 7 where the double itself is the result
// (below 2^-59).
template <int Degree, class D>
HWY_INLINE hn::Vec<D> TableExp(D d, hn::Vec<D> t, const LaneTable16<D>& pow2)
{
    const hn::RebindToUnsigned<D> du;
    // m = round(16 t / ln 2) in the low bits of the sum's significand.
    constexpr double kShift = 0x1.8p52;
    const auto shifted = hn::MulAdd(t, hn::Set(d, 0x1.71547652b82fep4), hn::Set(d, kShift));
    const auto m = hn::Sub(shifted, hn::Set(d, kShift));
    // ln2/16 in two parts, the first with 38 significant bits: |m| < 2^15 makes m times it exact,
    // and t minus that product is exact too (the two are within a factor of 2).
    const auto rHigh = hn::NegMulAdd(m, hn::Set(d, 0x1.62e42fefa0000p-5), t);
    const auto r = hn::NegMulAdd(m, hn::Set(d, 0x1.cf79abc9e3b3ap-44), rHigh);
    // 2^(m/16) = 2^(m >> 4) 2^((m & 15)/16): the table's entry with m >> 4 added to its exponent.
    const auto bits = hn::BitCast(du, shifted);
    const auto exponent = hn::ShiftLeft<48>(hn::And(bits, hn::Set(du, ~uint64_t{15})));
    const auto scale = hn::BitCast(d, hn::Add(hn::BitCast(du, pow2(d, hn::BitCast(hn::RebindToSigned<D>(), bits))), exponent));
    // P(r) = 1 + r/2 + r^2/6 + ... + r^(Degree-1)/Degree!, by Horner's rule.
    double coefficient = 1.0;
    for (int k = 2; k <= Degree; ++k)
        coefficient /= k;
    auto series = hn::Set(d, coefficient);
    for (int k = Degree - 1; k >= 1; --k) {
        coefficient *= k + 1;
        series = hn::MulAdd(series, r, hn::Set(d, coefficient));
    }
    return hn::MulAdd(scale, hn::Mul(r, series), scale);
}

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
    const LaneTable16<hn::ScalableTag<double>> pow2(d, TheExpTable().pow2);
    constexpr int kDegree = std::is_same_v<T, float> ? 5 : 7;
    size_t recomputed = 0;
    // Padding NaN: an exact lane, never recomputed.
    ForEachVector(d, v, n, std::numeric_limits<double>::quiet_NaN(), [&](T* p) {
        const auto x = LoadSamples(d, p);
        const auto t = hn::Mul(vc0, x);
        const auto accurate = hn::Lt(hn::Abs(t), accurateHigh);
        const auto e = TableExp<kDegree>(d, t, pow2);
        auto y = hn::Mul(vc1, e);
        const auto magnitude = MagnitudeBits(d, y);
        const auto normalFloat = hn::RebindMask(d, InRange(du, magnitude, kNormalFloatBits, kHugeBits));
        auto undecided = NearFloatMidpoint(d, y, kMidpointMargin<T>);
        // Usually every |t| is below 706 and every result a normal float, and the masks above
        // are all there is.
        if (HWY_UNLIKELY(!hn::AllTrue(d, hn::And(accurate, normalFloat)))) {
            auto exact = hn::IfThenElse(hn::Le(t, zeroBelow), zero, e);
            exact = hn::IfThenElse(hn::Ge(t, infiniteFrom), inf, exact);
            // A NaN t: c1 * t gives the NaN that c1 * std::exp(t) gives.
            exact = hn::IfThenElse(hn::IsNaN(t), t, exact);
            y = hn::Mul(vc1, exact);
            const auto between = hn::Or(hn::And(hn::Gt(t, zeroBelow), hn::Le(t, accurateLow)),
                                        hn::And(hn::Ge(t, accurateHigh), hn::Lt(t, infiniteFrom)));
            const auto yMagnitude = MagnitudeBits(d, y);
            const auto subnormalFloat = hn::RebindMask(d, InRange(du, yMagnitude, kTinyBits, kNormalFloatBits));
            const auto yNormalFloat = hn::RebindMask(d, InRange(du, yMagnitude, kNormalFloatBits, kHugeBits));
            undecided = hn::Or(hn::Or(between, subnormalFloat),
                               hn::And(yNormalFloat, NearFloatMidpoint(d, y, kMidpointMargin<T>)));
        }
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
