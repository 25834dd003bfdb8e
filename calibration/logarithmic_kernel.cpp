#include "calibration/logarithmic_kernel.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "calibration/evaluators.h"
#include "calibration/kernel_tables.h"

// Compiled once for each instruction set (hwy/foreach_target.h includes this file again).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "calibration/logarithmic_kernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "calibration/kernel_lanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Tessar::HWY_NAMESPACE {

// Positive x whose float is a normal one, [2^-126, largest float]: as bits, an interval. The
// kernel rounds those to float itself; the others (which become subnormal floats, 0 or
// infinity) go to the library, as every x above the largest float does.
constexpr uint64_t kSmallestNormalFloatBits = 0x3810000000000000ULL;  // 2^-126
constexpr uint64_t kBeyondLargestFloatBits = 0x47EFFFFFE0000001ULL;   // just above 3.4028234663852886e38
// Units in the last place of ln xf around a float midpoint within which a lane is recomputed:
// four times what the vector logarithm (under 1000, see NormalLog) and std::log (1) can differ.
constexpr uint64_t kMidpointMargin = 4096;

// ln x for doubles x that are normal floats, within 2^-43.1 of it relative (under 1000 units in
// its last place): x = 2^k z, ln x = k ln 2 + logc + log1p(r) with the table's interval of z
// (kernel_tables.h), r exact, and log1p(r) its Taylor polynomial of degree 8, whose remainder is
// below |r|^9 / 9 / (1 - |r|), with |r| <= 1/32.
template <class D>
HWY_INLINE hn::Vec<D> NormalLog(D d, hn::Vec<D> x, const LaneTable16<D>& invc, const LaneTable16<D>& logc)
{
    const hn::RebindToUnsigned<D> du;
    const hn::RebindToSigned<D> di;
    // The bits less the offset, plus 2^63: the top 12 bits are k + 2048 (never negative), which
    // make k a double as the bits of 2^52 + k + 2048 (arithmetic shifts and conversions of
    // 64-bit integers take long sequences before AVX-512), and the low 52 bits plus the
    // offset's are z's.
    const auto reduced = hn::Sub(hn::BitCast(du, x), hn::Set(du, LogTable::kLogReductionOffsetBits ^ (uint64_t{1} << 63)));
    const auto k = hn::Sub(hn::BitCast(d, hn::Or(hn::ShiftRight<52>(reduced), hn::Set(du, 0x4330000000000000ULL))),
                           hn::Set(d, 0x1p52 + 2048));
    const auto entry = hn::BitCast(di, hn::ShiftRight<48>(reduced));
    const auto z = hn::BitCast(d, hn::Add(hn::And(reduced, hn::Set(du, 0x000FFFFFFFFFFFFFULL)),
                                          hn::Set(du, LogTable::kLogReductionOffsetBits)));
    // z has 24 significant bits, invc 21: the product is exact, and so is its difference from 1.
    const auto index = LaneTable16<D>::Index(entry);
    const auto r = hn::MulSub(z, invc.Lookup(d, index), hn::Set(d, 1.0));
    // log1p(r) = r (1 - r/2 + r^2/3 - ... - r^7/8), by Estrin's scheme: pairs of terms, then
    // pairs of pairs, a chain of four dependent steps where Horner's rule has eight.
    const auto r2 = hn::Mul(r, r);
    const auto r4 = hn::Mul(r2, r2);
    const auto p01 = hn::MulAdd(r, hn::Set(d, -1.0 / 2), hn::Set(d, 1.0));
    const auto p23 = hn::MulAdd(r, hn::Set(d, -1.0 / 4), hn::Set(d, 1.0 / 3));
    const auto p45 = hn::MulAdd(r, hn::Set(d, -1.0 / 6), hn::Set(d, 1.0 / 5));
    const auto p67 = hn::MulAdd(r, hn::Set(d, -1.0 / 8), hn::Set(d, 1.0 / 7));
    const auto series = hn::MulAdd(hn::MulAdd(r2, p67, p45), r4, hn::MulAdd(r2, p23, p01));
    const auto log1p = hn::Mul(r, series);
    const auto scaled = hn::MulAdd(k, hn::Set(d, 0x1.62e42fefa39efp-1), logc.Lookup(d, index));
    return hn::Add(scaled, log1p);
}

template <class T>
HWY_INLINE size_t LogarithmicLanes(double c0, double c1, T* v, size_t n)
{
    const hn::ScalableTag<double> d;
    const hn::RebindToUnsigned<decltype(d)> du;
    const auto zero = hn::Zero(d);
    const auto nan = hn::Set(d, std::bit_cast<double>(kLogarithmicNaNBits));
    const auto vc0 = hn::Set(d, c0);
    const auto vc1 = hn::Set(d, c1);
    const LogTable& table = TheLogTable();
    const LaneTable16<hn::ScalableTag<double>> invc(d, table.invc);
    const LaneTable16<hn::ScalableTag<double>> logc(d, table.logc);
    size_t recomputed = 0;
    // Padding 1.0: its logarithm is 0, which decides its rounding.
    ForEachVector(d, v, n, 1.0, [&](T* p) {
        const auto x = LoadSamples(d, p);
        // Only positive x have bits in the interval (a sign bit puts them far above it).
        const auto normalFloat = hn::RebindMask(
            d, InRange(du, hn::BitCast(du, x), kSmallestNormalFloatBits, kBeyondLargestFloatBits));
        // A float sample is its own float.
        hn::Vec<decltype(d)> xf = x;
        if constexpr (!std::is_same_v<T, float>)
            xf = RoundToFloatPrecision(d, x);
        // |ln xf| <= 88.8 where xf is a normal float; the other lanes are recomputed or NaN.
        const auto y = NormalLog(d, xf, invc, logc);
        // |y| < 89 (or garbage in lanes decided otherwise): a conversion to float and back rounds it.
        const auto l = hn::PromoteTo(d, hn::DemoteTo(hn::Rebind<float, decltype(d)>(), y));
        // The product and the sum are separate roundings (this file is built without
        // contraction into fused multiply-adds).
        auto result = hn::Add(vc0, hn::Mul(vc1, l));
        auto undecided = NearFloatMidpoint(d, y, kMidpointMargin);
        // Usually every sample's float is a normal one and the masks above are all there is.
        if (HWY_UNLIKELY(!hn::AllTrue(d, normalFloat))) {
            const auto positive = hn::Gt(x, zero);
            result = hn::IfThenElse(positive, result, nan);
            undecided = hn::And(positive, hn::Or(hn::Not(normalFloat), undecided));
        }
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
