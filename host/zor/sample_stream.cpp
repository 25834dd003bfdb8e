#include "host/zor/sample_stream.h"

#include <algorithm>
#include <new>

namespace Zor {

platform::ComPtr<SampleStream> SampleStream::Create(SampleView samples, int64_t start, int64_t end)
{
    const int64_t size = samples.Size();
    start = std::clamp<int64_t>(start, 0, size);
    end = std::clamp<int64_t>(end, start, size);
    auto view = std::make_shared<const SampleView>(std::move(samples));
    return platform::ComPtr<SampleStream>(new SampleStream(std::move(view), start, end, start));
}

HRESULT SampleStream::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumFloatEx) {
        *out = static_cast<IEnumFloatEx*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t SampleStream::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t SampleStream::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT SampleStream::Skip(int64_t count)
{
    // Compared before adding, so that no count can overflow the position.
    if (count > end_ - position_) {
        position_ = end_;
        return S_FALSE;
    }
    if (count < start_ - position_) {
        position_ = start_;
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT SampleStream::Reset()
{
    position_ = start_;
    return S_OK;
}

HRESULT SampleStream::GetPosition(int64_t* out)
{
    if (!out) return E_POINTER;
    *out = position_;
    return S_OK;
}

HRESULT SampleStream::Next(uint32_t count, float* buffer, uint32_t* returned)
{
    if (returned) *returned = 0;
    if (count == 0) return S_OK;
    if (!buffer) return E_POINTER;
    const auto n = static_cast<uint32_t>(std::min<int64_t>(count, end_ - position_));
    if (n) samples_->Copy(position_, n, buffer);
    position_ += n;
    if (returned) *returned = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT SampleStream::Clone(IEnumFloatEx** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        auto* copy = new SampleStream(samples_, start_, end_, position_);
        copy->AddRef();
        *out = copy;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace Zor
