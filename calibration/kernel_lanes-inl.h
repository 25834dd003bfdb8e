// Vector helpers shared by the evaluators' sample kernels, compiled once per instruction set
// (included after hwy/highway.h from a file that goes through hwy/foreach_target.h).
//
// The kernels that compute a transcendental function approximately use NearFloatMidpoint to
// find the lanes whose float rounding the approximation cannot decide, and StoreWithExactLanes
// to recompute just those lanes exactly.

// Per-target include guard: toggled by foreach_target.h for every instruction set.
#if defined(TESSAR_CALIBRATION_KERNEL_LANES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef TESSAR_CALIBRATION_KERNEL_LANES_INL_H_
#undef TESSAR_CALIBRATION_KERNEL_LANES_INL_H_
#else
#define TESSAR_CALIBRATION_KERNEL_LANES_INL_H_
#endif

#include <cstddef>
#include <cstdint>

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace Tessar::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// The lanes of an unsigned vector in [low, high), as one comparison of v - low with high - low
// as unsigned integers, written as signed ones of both plus 2^63 (folded into the subtraction):
// a 64-bit unsigned comparison takes one more instruction before AVX-512.
template <class DU>
HWY_INLINE hn::Mask<DU> InRange(DU du, hn::Vec<DU> v, uint64_t low, uint64_t high)
{
    constexpr uint64_t kSign = uint64_t{1} << 63;
    const hn::RebindToSigned<DU> di;
    const auto shifted = hn::BitCast(di, hn::Sub(v, hn::Set(du, low ^ kSign)));
    return hn::RebindMask(du, hn::Lt(shifted, hn::Set(di, static_cast<int64_t>((high - low) ^ kSign))));
}

// The lanes where y lies within `margin` units in its last place of a midpoint between two
// floats, so that a value that close to y might round to the other float. Valid for |y| in the
// normal float range [2^-126, 2^128) (and for 0 and infinity, never near); outside it the
// caller decides. A double drops its 29 low significand bits when rounded to a normal float;
// a midpoint has exactly the top one of them set.
template <class D>
HWY_INLINE hn::Mask<D> NearFloatMidpoint(D d, hn::Vec<D> y, uint64_t margin)
{
    const hn::RebindToUnsigned<D> du;
    constexpr uint64_t kDropped = (uint64_t{1} << 29) - 1;
    constexpr uint64_t kMidpoint = uint64_t{1} << 28;
    const auto low = hn::And(hn::BitCast(du, y), hn::Set(du, kDropped));
    // |low - midpoint| <= margin, as one unsigned comparison.
    return hn::RebindMask(d, InRange(du, low, kMidpoint - margin, kMidpoint + margin + 1));
}

// y rounded to the nearest float (ties to even), as a double, for |y| in the normal float range
// [2^-126, 2^128) or 0, by integer arithmetic on its bits: the 29 low significand bits are
// rounded away, a carry moving into the exponent as it should. (For the logarithm's result a
// conversion to float and back measured cheaper; this rounds the double samples' raw values.)
template <class D>
HWY_INLINE hn::Vec<D> RoundToFloatPrecision(D d, hn::Vec<D> y)
{
    const hn::RebindToUnsigned<D> du;
    const auto bits = hn::BitCast(du, y);
    const auto lowest = hn::And(hn::ShiftRight<29>(bits), hn::Set(du, uint64_t{1}));
    const auto rounded = hn::Add(bits, hn::Add(hn::Set(du, (uint64_t{1} << 28) - 1), lowest));
    return hn::BitCast(d, hn::And(rounded, hn::Set(du, ~((uint64_t{1} << 29) - 1))));
}

// The samples of a kernel are doubles, or floats that are widened to double as they are loaded
// and rounded to float (to nearest) as they are stored: the same results as a pass widening
// the floats into doubles, the kernel on those, and a pass narrowing them back.
template <class D>
HWY_INLINE hn::Vec<D> LoadSamples(D d, const double* p)
{
    return hn::LoadU(d, p);
}

template <class D>
HWY_INLINE hn::Vec<D> LoadSamples(D d, const float* p)
{
    const hn::Rebind<float, D> df;
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
    // These targets widen with a plain cast, and the optimiser drops a cast to double and back
    // that nothing computes in between, which would keep a signalling NaN signalling where a
    // conversion quiets it: a sum quiets it here.
    const auto wide = hn::PromoteTo(d, hn::LoadU(df, p));
    return hn::IfThenElse(hn::IsNaN(wide), hn::Add(wide, wide), wide);
#else
    return hn::PromoteTo(d, hn::LoadU(df, p));
#endif
}

template <class D>
HWY_INLINE void StoreSamples(D d, hn::Vec<D> v, double* p)
{
    hn::StoreU(v, d, p);
}

template <class D>
HWY_INLINE void StoreSamples(D d, hn::Vec<D> v, float* p)
{
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
    // These targets' DemoteTo saturates at the largest float where a conversion gives infinity.
    HWY_ALIGN double lanes[HWY_MAX_BYTES / sizeof(double)];
    hn::Store(v, d, lanes);
    for (size_t i = 0; i < hn::Lanes(d); ++i)
        p[i] = static_cast<float>(lanes[i]);
#else
    (void)d;
    const hn::Rebind<float, D> df;
    hn::StoreU(hn::DemoteTo(df, v), df, p);
#endif
}

// Calls body(p) for the samples v[0..n) (double or float) one whole vector at a time (p = v,
// v + Lanes(d), ...), body loading from and storing to p. A last partial vector goes through a
// copy padded with `padding`, so every sample takes the vector path and nothing outside
// v[0..n) is touched.
template <class D, class T, class Body>
HWY_INLINE void ForEachVector(D d, T* v, size_t n, double padding, Body&& body)
{
    const size_t lanes = hn::Lanes(d);
    size_t i = 0;
    for (; i + lanes <= n; i += lanes)
        body(v + i);
    if (i == n)
        return;
    HWY_ALIGN T tail[HWY_MAX_BYTES / sizeof(double)];
    for (size_t k = 0; k < lanes; ++k)
        tail[k] = i + k < n ? v[i + k] : static_cast<T>(padding);
    body(tail);
    for (size_t k = 0; i + k < n; ++k)
        v[i + k] = tail[k];
}

// A table of 16 doubles looked up lane by lane by the low 4 bits of an index vector. On AVX-512
// the table lives in two registers and a lookup is one two-register permutation; on AVX2 in
// four, and a lookup is four permutations of 32-bit pieces and three blends (a gather of four
// doubles costs more there); other instruction sets gather from memory. Index() prepares an
// index vector once for Lookup() in several tables.
template <class D>
class LaneTable16 {
public:
    using IndexVec = hn::Vec<hn::RebindToSigned<D>>;
#if HWY_TARGET == HWY_AVX2
    // The 32-bit permutation's indices (2 j, 2 j + 1) of each lane's double within its register
    // (j = index & 3), and index bits 2 and 3 in the sign bits the blends read.
    struct Prepared {
        __m256i pieces, bit2, bit3;
    };
#else
    using Prepared = IndexVec;
#endif

    LaneTable16(D d, const double* table) : table_(table)
    {
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
        low_ = hn::LoadU(d, table);
        high_ = hn::LoadU(d, table + 8);
#elif HWY_TARGET == HWY_AVX2
        (void)d;
        for (int i = 0; i < 4; ++i)
            quarters_[i] = _mm256_loadu_pd(table + 4 * i);
#else
        (void)d;
#endif
    }

    static Prepared Index(IndexVec index)
    {
#if HWY_TARGET == HWY_AVX2
        const __m256i doubled = _mm256_add_epi32(index.raw, index.raw);
        const __m256i pair = _mm256_castps_si256(_mm256_moveldup_ps(_mm256_castsi256_ps(doubled)));
        return {_mm256_add_epi64(pair, _mm256_set1_epi64x(int64_t{1} << 32)), _mm256_slli_epi64(index.raw, 61),
                _mm256_slli_epi64(index.raw, 60)};
#elif HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
        return index;
#else
        const hn::RebindToSigned<D> di;
        return hn::And(index, hn::Set(di, int64_t{15}));
#endif
    }

    hn::Vec<D> Lookup(D d, const Prepared& index) const
    {
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
        (void)d;
        return hn::Vec<D>{_mm512_permutex2var_pd(low_.raw, index.raw, high_.raw)};
#elif HWY_TARGET == HWY_AVX2
        (void)d;
        __m256d lane[4];
        for (int i = 0; i < 4; ++i)
            lane[i] = _mm256_castsi256_pd(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(quarters_[i]), index.pieces));
        const __m256d bit2 = _mm256_castsi256_pd(index.bit2);
        const __m256d low = _mm256_blendv_pd(lane[0], lane[1], bit2);
        const __m256d high = _mm256_blendv_pd(lane[2], lane[3], bit2);
        return hn::Vec<D>{_mm256_blendv_pd(low, high, _mm256_castsi256_pd(index.bit3))};
#else
        return hn::GatherIndex(d, table_, index);
#endif
    }

    hn::Vec<D> operator()(D d, IndexVec index) const { return Lookup(d, Index(index)); }

private:
    const double* table_;
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    hn::Vec<D> low_, high_;
#elif HWY_TARGET == HWY_AVX2
    __m256d quarters_[4];
#endif
};

// The bits of |y|, as an unsigned vector.
template <class D>
HWY_INLINE hn::Vec<hn::RebindToUnsigned<D>> MagnitudeBits(D d, hn::Vec<D> y)
{
    const hn::RebindToUnsigned<D> du;
    (void)d;
    return hn::And(hn::BitCast(du, y), hn::Set(du, ~(uint64_t{1} << 63)));
}

// Stores result at p (samples of type T), then, for every lane set in undecided, the exact
// value exact(x[lane]) in its place. Returns the number of lanes recomputed.
template <class D, class T, class Exact>
HWY_INLINE size_t StoreWithExactLanes(D d, hn::Vec<D> x, hn::Vec<D> result, hn::Mask<D> undecided, T* p,
                                      Exact&& exact)
{
    StoreSamples(d, result, p);
    if (HWY_LIKELY(hn::AllFalse(d, undecided)))
        return 0;
    HWY_ALIGN double raw[HWY_MAX_BYTES / sizeof(double)];
    hn::Store(x, d, raw);
    uint8_t bits[HWY_MAX_BYTES / 8] = {};  // one bit per lane, room for the widest vector of bytes
    hn::StoreMaskBits(d, undecided, bits);
    size_t recomputed = 0;
    for (size_t i = 0; i < hn::Lanes(d); ++i) {
        if ((bits[i / 8] >> (i % 8)) & 1) {
            p[i] = static_cast<T>(exact(raw[i]));
            ++recomputed;
        }
    }
    return recomputed;
}

}  // namespace Tessar::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // per-target include guard
