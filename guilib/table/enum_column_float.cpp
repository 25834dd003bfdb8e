#include "guilib/table/enum_column_float.h"

#include <algorithm>
#include <new>

#include "platform/interlocked.h"

namespace GUILib {

platform::ComPtr<CEnumColumnFloat> CEnumColumnFloat::Create(ColumnPtr column, int32_t position, int32_t limit)
{
    return platform::ComPtr<CEnumColumnFloat>(new CEnumColumnFloat(std::move(column), position, limit));
}

HRESULT CEnumColumnFloat::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IEnumFloatEx) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = static_cast<IEnumFloatEx*>(this);
    AddRef();
    return S_OK;
}

uint32_t CEnumColumnFloat::AddRef() { return static_cast<uint32_t>(platform::InterlockedIncrement(refs_)); }

uint32_t CEnumColumnFloat::Release()
{
    const int32_t n = platform::InterlockedDecrement(refs_);
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

int64_t CEnumColumnFloat::End() const
{
    // The column may have grown or shrunk since the stream was made: the length is read now.
    const int64_t length = static_cast<int64_t>(column_->values_.size());
    return std::max<int64_t>(0, std::min<int64_t>(limit_, length));
}

HRESULT CEnumColumnFloat::Skip(int64_t count)
{
    if (!column_) return E_FAIL;
    const int64_t end = End();
    // Positions stay within 0 .. 2^31, so only a count near the 64-bit limits can overflow.
    int64_t target = 0;
    if (__builtin_add_overflow(position_, count, &target)) target = count < 0 ? -1 : end + 1;
    if (target < 0) {
        // Stepping back past the first value stops at it rather than wrapping to the end.
        position_ = 0;
        return S_FALSE;
    }
    if (target > end) {
        position_ = end;
        return S_FALSE;
    }
    position_ = target;
    return S_OK;
}

HRESULT CEnumColumnFloat::Reset()
{
    if (!column_) return E_FAIL;
    position_ = 0;
    return S_OK;
}

HRESULT CEnumColumnFloat::GetPosition(int64_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    if (!column_) return E_FAIL;
    *out = position_;
    return S_OK;
}

HRESULT ReadColumnValues(const std::vector<float>& values, int64_t end, uint32_t count, float* buffer,
                         int64_t& position, uint32_t* returned)
{
    const int64_t available = std::max<int64_t>(0, end - position);
    const int64_t n = std::min<int64_t>(count, available);
    if (n > 0) {
        const float* first = values.data() + position;
        std::copy(first, first + n, buffer);
        position += n;
    }
    if (returned) *returned = static_cast<uint32_t>(n);
    return n == static_cast<int64_t>(count) ? S_OK : S_FALSE;
}

HRESULT CEnumColumnFloat::Next(uint32_t count, float* buffer, uint32_t* returned)
{
    if (returned) *returned = 0;
    if (!column_) return E_FAIL;
    if (!buffer && count > 0) return E_POINTER;
    return ReadColumnValues(column_->values_, End(), count, buffer, position_, returned);
}

HRESULT CEnumColumnFloat::Clone(IEnumFloatEx** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!column_) return E_FAIL;
    try {
        CEnumColumnFloat* copy = new CEnumColumnFloat(column_, 0, limit_);
        copy->position_ = position_;
        copy->AddRef();
        *out = copy;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace GUILib
