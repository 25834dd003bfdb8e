#include "guilib/table/enum_column_float_pix.h"

#include <algorithm>
#include <limits>
#include <new>
#include <numeric>

#include "guilib/table/enum_column_float.h"

namespace GUILib {
namespace {

constexpr uint64_t kInt64MaxMagnitude = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

// |v| without the overflow of negating INT64_MIN.
uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }

}  // namespace

Rational64 Rational64::Reduced(int64_t n, int64_t d)
{
    if (d == 0) throw bad_rational();
    uint64_t un = Magnitude(n);
    uint64_t ud = Magnitude(d);
    const uint64_t g = std::gcd(un, ud);
    un /= g;
    ud /= g;
    const bool negative = (n < 0) != (d < 0) && un != 0;
    // The denominator is made positive, so INT64_MIN can stand only in the numerator.
    if (ud > kInt64MaxMagnitude || un > kInt64MaxMagnitude + (negative ? 1 : 0))
        throw std::overflow_error("rational does not fit in 64 bits");
    Rational64 r;
    r.numerator = negative ? static_cast<int64_t>(0 - un) : static_cast<int64_t>(un);
    r.denominator = static_cast<int64_t>(ud);
    return r;
}

platform::ComPtr<CEnumColumnFloatPix> CEnumColumnFloatPix::Create(ColumnPtr column, int64_t position, int64_t limit)
{
    return platform::ComPtr<CEnumColumnFloatPix>(
        new CEnumColumnFloatPix(std::move(column), std::max<int64_t>(0, position), limit));
}

int64_t CEnumColumnFloatPix::End() const
{
    // Read now: the column may have grown or shrunk since the stream was made.
    const auto length = static_cast<int64_t>(column_->values_.size());
    return limit_ < 0 ? length : std::max<int64_t>(0, std::min(limit_, length));
}

HRESULT CEnumColumnFloatPix::Skip(int64_t count, int64_t* moved)
{
    if (moved) *moved = 0;
    if (!column_) return E_FAIL;
    const int64_t from = position_;
    const int64_t end = End();
    int64_t target = 0;
    HRESULT hr = S_OK;
    if (__builtin_add_overflow(position_, count, &target)) target = count < 0 ? -1 : end + 1;
    if (target < 0) {
        // Stepping back past the first value stops at it rather than wrapping to the end.
        target = 0;
        hr = S_FALSE;
    } else if (target > end) {
        target = end;
        hr = S_FALSE;
    }
    position_ = target;
    if (moved) *moved = target - from;
    return hr;
}

HRESULT CEnumColumnFloatPix::Reset()
{
    if (!column_) return E_FAIL;
    position_ = 0;
    return S_OK;
}

HRESULT CEnumColumnFloatPix::GetPosition(int64_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    if (!column_) return E_FAIL;
    *out = position_;
    return S_OK;
}

HRESULT CEnumColumnFloatPix::Reserved6(int64_t* out)
{
    if (out) *out = 0;
    return column_ ? E_NOTIMPL : E_FAIL;
}

HRESULT CEnumColumnFloatPix::Describe(int64_t* numerator, int64_t* denominator)
{
    if (!numerator || !denominator) return E_POINTER;
    *numerator = 0;
    *denominator = 0;
    if (!column_) return E_FAIL;
    const Rational64 perValue = Rational64::Reduced(1, 1);
    *numerator = perValue.numerator;
    *denominator = perValue.denominator;
    return S_OK;
}

HRESULT CEnumColumnFloatPix::Next(uint32_t count, float* buffer, uint32_t* returned)
{
    if (returned) *returned = 0;
    if (!column_) return E_FAIL;
    if (!buffer && count > 0) return E_POINTER;
    return ReadColumnValues(column_->values_, End(), count, buffer, position_, returned);
}

HRESULT CEnumColumnFloatPix::Clone(IEnumFloatPixEx** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!column_) return E_FAIL;
    try {
        *out = Create(column_, position_, limit_).Detach();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace GUILib
