#include "calibration/polynomial_kernel.h"

#include <array>

// Compiled once for each instruction set (hwy/foreach_target.h includes this file again).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "calibration/polynomial_kernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "calibration/kernel_lanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace Tessar::HWY_NAMESPACE {

// Padding for partial vectors: any number will do, the padded lanes are dropped.
constexpr double kPadding = 0.0;

template <size_t N, class D, class T>
HWY_INLINE void HornerFixed(D d, const double* c, T* v, size_t n)
{
    std::array<hn::Vec<D>, N> k;
    for (size_t j = 0; j < N; ++j)
        k[j] = hn::Set(d, c[j]);
    // Four vectors at a time, their Horner chains interleaved: one chain's products and sums
    // wait on each other, four keep the arithmetic units busy.
    constexpr size_t kChains = 4;
    const size_t lanes = hn::Lanes(d);
    size_t i = 0;
    for (; i + kChains * lanes <= n; i += kChains * lanes) {
        hn::Vec<D> x[kChains], r[kChains];
        for (size_t m = 0; m < kChains; ++m) {
            x[m] = LoadSamples(d, v + i + m * lanes);
            r[m] = k[N - 1];
        }
        for (size_t j = N - 1; j-- > 0;)
            for (size_t m = 0; m < kChains; ++m)
                r[m] = hn::Add(hn::Mul(r[m], x[m]), k[j]);
        for (size_t m = 0; m < kChains; ++m)
            StoreSamples(d, r[m], v + i + m * lanes);
    }
    ForEachVector(d, v + i, n - i, kPadding, [&](T* p) {
        const auto x = LoadSamples(d, p);
        auto r = k[N - 1];
        for (size_t j = N - 1; j-- > 0;)
            r = hn::Add(hn::Mul(r, x), k[j]);
        StoreSamples(d, r, p);
    });
}

template <class D, class T>
HWY_INLINE void HornerAnyLength(D d, const double* c, size_t count, T* v, size_t n)
{
    ForEachVector(d, v, n, kPadding, [&](T* p) {
        const auto x = LoadSamples(d, p);
        auto r = hn::Set(d, c[count - 1]);
        for (size_t j = count - 1; j-- > 0;)
            r = hn::Add(hn::Mul(r, x), hn::Set(d, c[j]));
        StoreSamples(d, r, p);
    });
}

template <class T>
HWY_INLINE void PolynomialLanes(const double* c, size_t count, T* v, size_t n)
{
    const hn::ScalableTag<double> d;
    switch (count) {
    case 1: {
        const auto c0 = hn::Set(d, c[0]);
        ForEachVector(d, v, n, kPadding, [&](T* p) {
            const auto x = LoadSamples(d, p);
            StoreSamples(d, hn::IfThenElse(hn::IsNaN(x), x, c0), p);
        });
        break;
    }
    case 2: HornerFixed<2>(d, c, v, n); break;
    case 3: HornerFixed<3>(d, c, v, n); break;
    case 4: HornerFixed<4>(d, c, v, n); break;
    case 5: HornerFixed<5>(d, c, v, n); break;
    case 6: HornerFixed<6>(d, c, v, n); break;
    default: HornerAnyLength(d, c, count, v, n); break;
    }
}

void PolynomialDoubles(const double* c, size_t count, double* v, size_t n) { PolynomialLanes(c, count, v, n); }
void PolynomialFloats(const double* c, size_t count, float* v, size_t n) { PolynomialLanes(c, count, v, n); }

}  // namespace Tessar::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace Tessar {

HWY_EXPORT(PolynomialDoubles);
HWY_EXPORT(PolynomialFloats);

void PolynomialKernel(const double* c, std::size_t count, double* v, std::size_t n) noexcept
{
    HWY_DYNAMIC_DISPATCH(PolynomialDoubles)(c, count, v, n);
}

void PolynomialKernel(const double* c, std::size_t count, float* v, std::size_t n) noexcept
{
    HWY_DYNAMIC_DISPATCH(PolynomialFloats)(c, count, v, n);
}

}  // namespace Tessar
#endif
