#include "calibration/point_to_point_kernel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

// Compiled once for each instruction set (hwy/foreach_target.h includes this file again).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "calibration/point_to_point_kernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "calibration/kernel_lanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Tessar::HWY_NAMESPACE {

// UniformBuckets::Of for a vector, with the same operations. The number is below
// UniformBuckets::kMaxBuckets, so the conversion goes through 32-bit integers: one instruction
// on every x86 target, where a 64-bit one is a long sequence before AVX-512.
template <class D>
HWY_INLINE hn::Vec<hn::Rebind<int32_t, D>> BucketsOf(D d, const UniformBuckets& grid, hn::Vec<D> x)
{
    const auto zero = hn::Zero(d);
    auto q = hn::Mul(hn::Sub(x, hn::Set(d, grid.origin)), hn::Set(d, grid.scale));
    q = hn::IfThenElse(hn::Gt(q, zero), q, zero);  // a NaN q counts as 0
    q = hn::Min(q, hn::Set(d, grid.last));
    return hn::DemoteTo(hn::Rebind<int32_t, D>(), q);
}

// The last break passed names the segment: every break is compared and the maps are chosen as
// they pass (breaks ascend). kBreaks is the number of breaks rounded up; the extra ones are
// NaN, which no value passes. A NaN x passes none and is left unchanged.
template <size_t kBreaks, class D, class T>
HWY_INLINE void RegisterTableLanes(D d, const PointToPointTable& table, T* v, size_t n)
{
    const size_t s = table.Segments();
    const double* breaks = table.Breaks();  // breaks[1 .. s-1]
    hn::Vec<D> breakAt[kBreaks + 1];
    hn::Vec<D> slopeAt[kBreaks + 1];
    hn::Vec<D> offsetAt[kBreaks + 1];
    for (size_t k = 0; k <= kBreaks; ++k) {
        breakAt[k] = hn::Set(d, k < s ? breaks[k] : std::numeric_limits<double>::quiet_NaN());
        slopeAt[k] = hn::Set(d, table.Slopes()[std::min(k, s - 1)]);
        offsetAt[k] = hn::Set(d, table.Offsets()[std::min(k, s - 1)]);
    }
    ForEachVector(d, v, n, std::numeric_limits<double>::quiet_NaN(), [&](T* p) {
        const auto x = LoadSamples(d, p);
        auto slope = slopeAt[0];
        auto offset = offsetAt[0];
        for (size_t k = 1; k <= kBreaks; ++k) {
            const auto passed = hn::Ge(x, breakAt[k]);
            slope = hn::IfThenElse(passed, slopeAt[k], slope);
            offset = hn::IfThenElse(passed, offsetAt[k], offset);
        }
        const auto y = hn::Add(hn::Mul(slope, x), offset);
        StoreSamples(d, hn::IfThenElse(hn::IsNaN(x), x, y), p);
    });
}

// Sorted tables of at most kPointToPointRegisterSegments segments. (Looking the segment up by
// a bucket in registers instead, with table lookups across lanes, measured 10 % slower at 12
// points.)
template <class T>
HWY_INLINE void RegisterTable(const PointToPointTable& table, T* v, size_t n)
{
    const hn::ScalableTag<double> d;
    const size_t breaks = table.Segments() - 1;
    if (breaks == 0)
        RegisterTableLanes<0>(d, table, v, n);
    else if (breaks <= 3)
        RegisterTableLanes<3>(d, table, v, n);
    else if (breaks <= 7)
        RegisterTableLanes<7>(d, table, v, n);
    else if (breaks <= 10)
        RegisterTableLanes<10>(d, table, v, n);  // the dialog's 12 rows
    else
        RegisterTableLanes<kPointToPointRegisterSegments - 1>(d, table, v, n);
}

// Sorted tables of any size, through the index: the buckets and the maps' arithmetic in
// vectors, the lookups (which vector gathers do no faster) one sample at a time, a chunk of
// samples per pass (float samples widened into a chunk of doubles first).
template <class T>
HWY_INLINE void IndexedTable(const PointToPointTable& table, T* v, size_t n)
{
    const hn::ScalableTag<double> d;
    const hn::Rebind<int32_t, decltype(d)> di;
    constexpr size_t kChunk = 256;
    const size_t lanes = hn::Lanes(d);
    const UniformBuckets& grid = table.Grid();
    const double* buckets = table.BucketEntries();
    const double* breaks = table.Breaks();
    const double* maps = table.Maps();
    const size_t halfWindow = (size_t{1} << table.SearchSteps()) >> 1;
    HWY_ALIGN int32_t bucket[kChunk];
    HWY_ALIGN double map[2 * kChunk];  // slope and offset of each sample's segment, side by side
    HWY_ALIGN double x[kChunk];  // the chunk's samples as doubles
    for (size_t base = 0; base < n; base += kChunk) {
        T* const samples = v + base;
        const size_t len = std::min(kChunk, n - base);
        const size_t whole = len - len % lanes;
        for (size_t i = 0; i < whole; i += lanes) {
            const auto xi = LoadSamples(d, samples + i);
            hn::Store(xi, d, x + i);
            hn::Store(BucketsOf(d, grid, xi), di, bucket + i);
        }
        for (size_t i = whole; i < len; ++i) {
            x[i] = samples[i];
            bucket[i] = static_cast<int32_t>(grid.Of(x[i]));
        }
        if (halfWindow == 1) {
            // At most one break per bucket: the break above the candidate decides.
            for (size_t i = 0; i < len; ++i) {
                const double* entry = buckets + 2 * bucket[i];
                const size_t position = PointToPointTable::CandidateOf(entry) + (entry[1] <= x[i]);
                std::memcpy(map + 2 * i, maps + 2 * position, 2 * sizeof(double));
            }
        } else {
            for (size_t i = 0; i < len; ++i) {
                size_t position = PointToPointTable::CandidateOf(buckets + 2 * bucket[i]);
                for (size_t step = halfWindow; step > 0; step >>= 1)
                    position = breaks[position + step] <= x[i] ? position + step : position;
                std::memcpy(map + 2 * i, maps + 2 * position, 2 * sizeof(double));
            }
        }
        for (size_t i = 0; i < whole; i += lanes) {
            const auto xi = hn::Load(d, x + i);
            hn::Vec<decltype(d)> slope, offset;
            hn::LoadInterleaved2(d, map + 2 * i, slope, offset);
            const auto y = hn::Add(hn::Mul(slope, xi), offset);
            StoreSamples(d, hn::IfThenElse(hn::IsNaN(xi), xi, y), samples + i);
        }
        for (size_t i = whole; i < len; ++i)
            samples[i] = static_cast<T>(x[i] == x[i] ? map[2 * i] * x[i] + map[2 * i + 1] : x[i]);
    }
}

void RegisterTableDoubles(const PointToPointTable& table, double* v, size_t n) { RegisterTable(table, v, n); }
void RegisterTableFloats(const PointToPointTable& table, float* v, size_t n) { RegisterTable(table, v, n); }
void IndexedTableDoubles(const PointToPointTable& table, double* v, size_t n) { IndexedTable(table, v, n); }
void IndexedTableFloats(const PointToPointTable& table, float* v, size_t n) { IndexedTable(table, v, n); }

}  // namespace Tessar::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Tessar {

HWY_EXPORT(RegisterTableDoubles);
HWY_EXPORT(RegisterTableFloats);
HWY_EXPORT(IndexedTableDoubles);
HWY_EXPORT(IndexedTableFloats);

namespace {

// A table that is not sorted (only a hand-made settings text holds one), sample by sample.
template <class T>
void LiteralTable(const PointToPointTable& table, T* v, std::size_t n)
{
    const std::size_t none = table.Segments();
    for (std::size_t i = 0; i < n; ++i) {
        const double x = v[i];
        const std::size_t segment = table.SegmentOf(x);
        // A NaN (the one value in no segment) is kept; a float one quieted by a sum, as by its
        // widening, which the optimiser drops from a cast to double and back.
        const double kept = std::is_same_v<T, float> ? x + x : x;
        v[i] = static_cast<T>(segment != none ? table.Slopes()[segment] * x + table.Offsets()[segment] : kept);
    }
}

// The kernel for the table: registers or index (of the instruction set chosen), or the literal
// rule.
template <class T>
void Transform(const PointToPointTable& table, T* v, std::size_t n,
               void (*registers)(const PointToPointTable&, T*, size_t),
               void (*indexed)(const PointToPointTable&, T*, size_t))
{
    if (table.Sorted() && table.Segments() <= kPointToPointRegisterSegments)
        registers(table, v, n);
    else if (table.Sorted())
        indexed(table, v, n);
    else
        LiteralTable(table, v, n);
}

}  // namespace

void PointToPointKernel(const PointToPointTable& table, double* v, std::size_t n) noexcept
{
    Transform(table, v, n, HWY_DYNAMIC_DISPATCH(RegisterTableDoubles), HWY_DYNAMIC_DISPATCH(IndexedTableDoubles));
}

void PointToPointKernel(const PointToPointTable& table, float* v, std::size_t n) noexcept
{
    Transform(table, v, n, HWY_DYNAMIC_DISPATCH(RegisterTableFloats), HWY_DYNAMIC_DISPATCH(IndexedTableFloats));
}

}  // namespace Tessar
#endif
