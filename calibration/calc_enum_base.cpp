#include "calibration/calc_enum_base.h"

#include <new>

#include "platform/interlocked.h"

namespace CalcEnums {
namespace {

constexpr uint32_t kConnectedFlags = 0x40000000;
constexpr uint32_t kReserved16Value = 0x801B0001;

template <class T>
HRESULT NotConnected(T* out)
{
    if (out) *out = T{};
    return E_FAIL;
}

}  // namespace

CalcEnumBase2::CalcEnumBase2(ICalcEnumClass2* enumClass, intptr_t creationValue)
    : creationValue_(creationValue), class_(enumClass)
{
}

CalcEnumBase2::CalcEnumBase2(const CalcEnumBase2& other)
    : ICalcEnum(),
      IEnumFloatEx(),
      creationValue_(other.creationValue_),
      class_(other.class_),
      sourceValue_(other.sourceValue_),
      sourceHost_(other.sourceHost_),
      unit_(other.unit_),
      text_(other.text_),
      positioned_(other.positioned_)
{
}

CalcEnumBase2::~CalcEnumBase2() = default;

HRESULT CalcEnumBase2::InnerQueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ICalcEnum) {
        *out = static_cast<ICalcEnum*>(this);
    } else if (iid == IID_IEnumFloatEx) {
        *out = static_cast<IEnumFloatEx*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Through the interface: an aggregated enumerator counts on its outer unknown.
    AddRef();
    return S_OK;
}

uint32_t CalcEnumBase2::InnerAddRef() { return static_cast<uint32_t>(platform::InterlockedIncrement(refs_)); }

uint32_t CalcEnumBase2::InnerRelease()
{
    const int32_t n = platform::InterlockedDecrement(refs_);
    if (n == 0) Destroy();
    return static_cast<uint32_t>(n);
}

void CalcEnumBase2::Destroy() { delete this; }

HRESULT CalcEnumBase2::GetTypeId(uint32_t* out)
{
    if (!out) return E_POINTER;
    if (!class_) return NotConnected(out);
    return class_->GetTypeId(out);
}

HRESULT CalcEnumBase2::GetClassObject(ICalcEnumClass2** out)
{
    if (!out) return E_POINTER;
    if (!class_) return NotConnected(out);
    class_->AddRef();
    *out = class_.Get();
    return S_OK;
}

HRESULT CalcEnumBase2::GetSettingsText(IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = text_.NewReference();
    return S_OK;
}

CalcEnumBase2* CalcEnumBase2::CloneWithSource(HRESULT& hr) const
{
    CalcEnumBase2* copy = CreateCopy();
    copy->InnerAddRef();
    hr = S_OK;
    if (source_) {
        hr = source_->Clone(copy->source_.Put());
        if (SUCCEEDED(hr) && !copy->source_) hr = E_FAIL;
    }
    if (FAILED(hr)) {
        copy->InnerRelease();
        return nullptr;
    }
    return copy;
}

HRESULT CalcEnumBase2::Clone(ICalcEnum** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        HRESULT hr = S_OK;
        if (CalcEnumBase2* copy = CloneWithSource(hr)) *out = static_cast<ICalcEnum*>(copy);
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CalcEnumBase2::Clone(IEnumFloatEx** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        HRESULT hr = S_OK;
        if (CalcEnumBase2* copy = CloneWithSource(hr)) *out = static_cast<IEnumFloatEx*>(copy);
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CalcEnumBase2::Disconnect()
{
    source_.Reset();
    return S_OK;
}

HRESULT CalcEnumBase2::GetFlags(int32_t flag, uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = flag != 0 ? kConnectedFlags : 0;
    return S_OK;
}

HRESULT CalcEnumBase2::GetSourceInfo(double* value, IUnknown** unit)
{
    if (!value || !unit) return E_POINTER;
    *value = sourceValue_;
    if (unit_) unit_->AddRef();
    *unit = unit_.Get();
    return S_OK;
}

HRESULT CalcEnumBase2::Reserved15(uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    return S_OK;
}

HRESULT CalcEnumBase2::Reserved16(uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = kReserved16Value;
    return S_OK;
}

HRESULT CalcEnumBase2::Reserved17() { return source_ ? source_->Reserved7() : E_FAIL; }

HRESULT CalcEnumBase2::Skip(int64_t count) { return source_ ? source_->Skip(count) : E_FAIL; }

HRESULT CalcEnumBase2::Reset() { return source_ ? source_->Reset() : E_FAIL; }

HRESULT CalcEnumBase2::GetPosition(int64_t* out)
{
    if (!out) return E_POINTER;
    return source_ ? source_->GetPosition(out) : NotConnected(out);
}

HRESULT CalcEnumBase2::Reserved6() { return source_ ? source_->Reserved6() : E_FAIL; }

HRESULT CalcEnumBase2::Reserved7() { return source_ ? source_->Reserved7() : E_FAIL; }

}  // namespace CalcEnums
