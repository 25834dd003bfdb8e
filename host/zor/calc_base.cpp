#include "host/zor/calc_base.h"

#include <algorithm>
#include <new>
#include <string>

namespace Zor {

HRESULT CalcBase::Create(IUnknown* outer, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    CalcBase* base = nullptr;
    try {
        base = new CalcBase(outer);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    // The inner unknown holds the one reference while it is asked for the interface.
    base->inner_.AddRef();
    const HRESULT hr = base->inner_.QueryInterface(iid, out);
    base->inner_.Release();
    return hr;
}

CalcBase::CalcBase(IUnknown* outer) : controlling_(outer ? outer : &inner_) {}

HRESULT CalcBase::Inner::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown) {
        *out = static_cast<IUnknown*>(this);
    } else if (iid == IID_ICalcBase) {
        *out = static_cast<ICalcBase*>(owner_);
    } else if (iid == IID_ICalculation || iid == IID_ICalcBaseNotify) {
        *out = static_cast<ICalculation*>(owner_);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Through the interface handed out: an outer's reference for the delegating ones.
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
}

uint32_t CalcBase::Inner::AddRef() { return static_cast<uint32_t>(++owner_->refs_); }

uint32_t CalcBase::Inner::Release()
{
    const int32_t n = --owner_->refs_;
    if (n == 0) delete owner_;
    return static_cast<uint32_t>(n);
}

HRESULT CalcBase::QueryInterface(REFIID iid, void** out) { return controlling_->QueryInterface(iid, out); }
uint32_t CalcBase::AddRef() { return controlling_->AddRef(); }
uint32_t CalcBase::Release() { return controlling_->Release(); }

HRESULT CalcBase::SetSources(int32_t count, const CalcSourceRecord* sources, double a, double b)
{
    if (count < 0 || (count > 0 && !sources)) return E_INVALIDARG;
    try {
        std::lock_guard lock(mutex_);
        sources_.assign(sources, sources + count);
        haveSources_ = true;
        scale_ = a;
        offset_ = b;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CalcBase::GetDescription(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        std::lock_guard lock(mutex_);
        const std::string text =
            sources_.empty() ? std::string() : "Calculated from channel " + std::to_string(sources_[0].channel + 1);
        *out = KVI::String(text.c_str()).NewReference();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CalcBase::SetSettingsText(IAutoKVIString* text)
{
    try {
        KVI::String copy(text);
        std::lock_guard lock(mutex_);
        text_ = std::move(copy);
        ++textCount_;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CalcBase::AttachEnumerator(ICalculationClass* calcClass, int32_t channel, int32_t second, IUnknown* site,
                                   ICalcEnum* enumerator)
{
    if (!enumerator) return E_INVALIDARG;
    // The old ones go after the lock is released: releasing may run module code.
    platform::ComPtr<ICalcEnum> oldEnumerator(enumerator);
    platform::ComPtr<ICalculationClass> oldClass(calcClass);
    platform::ComPtr<IUnknown> oldSite(site);
    std::lock_guard lock(mutex_);
    std::swap(enumerator_, oldEnumerator);
    std::swap(calcClass_, oldClass);
    std::swap(site_, oldSite);
    attachedChannel_ = channel;
    attachedSecond_ = second;
    return S_OK;
}

HRESULT CalcBase::GetChannelCalc(IChannelCalc** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (controlling_ == &inner_) return E_NOINTERFACE;
    return controlling_->QueryInterface(IID_IChannelCalc, reinterpret_cast<void**>(out));
}

HRESULT CalcBase::GetSources(int32_t capacity, CalcSourceRecord* records, int32_t* count, double* scale,
                             double* offset)
{
    if (!count || !scale || !offset || (capacity > 0 && !records)) return E_POINTER;
    std::lock_guard lock(mutex_);
    *count = static_cast<int32_t>(sources_.size());
    *scale = scale_;
    *offset = offset_;
    const size_t n = std::min(sources_.size(), static_cast<size_t>(std::max(capacity, 0)));
    std::copy_n(sources_.begin(), n, records);
    return haveSources_ ? S_OK : S_FALSE;
}

HRESULT CalcBase::GetSettingsText(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    std::lock_guard lock(mutex_);
    *out = text_.NewReference();
    return S_OK;
}

HRESULT CalcBase::GetAttachedEnumerator(ICalcEnum** enumerator, ICalculationClass** calcClass)
{
    std::lock_guard lock(mutex_);
    if (enumerator) *enumerator = platform::ComPtr<ICalcEnum>(enumerator_).Detach();
    if (calcClass) *calcClass = platform::ComPtr<ICalculationClass>(calcClass_).Detach();
    return enumerator_ ? S_OK : S_FALSE;
}

HRESULT CalcBase::GetSettingsTextCount(int32_t* out)
{
    if (!out) return E_POINTER;
    std::lock_guard lock(mutex_);
    *out = textCount_;
    return S_OK;
}

}  // namespace Zor
