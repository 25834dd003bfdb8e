#include "tests/support/stub_host_settings.h"

#include "foundation/kvi_string.h"

namespace TestSupport {

platform::ComPtr<StubHostSettings> StubHostSettings::Create()
{
    return platform::ComPtr<StubHostSettings>(new StubHostSettings);
}

HRESULT StubHostSettings::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IHostSettings) return E_NOINTERFACE;
    *out = static_cast<IHostSettings*>(this);
    AddRef();
    return S_OK;
}

uint32_t StubHostSettings::AddRef()
{
    return uint32_t(++refs_);
}

uint32_t StubHostSettings::Release()
{
    const int32_t left = --refs_;
    if (left == 0) delete this;
    return uint32_t(left);
}

HRESULT StubHostSettings::GetBool(IAutoKVIString* key, VARIANT_BOOL* out)
{
    ++questions_;
    if (!out) return E_POINTER;
    *out = VARIANT_FALSE;
    if (failing_) return E_FAIL;
    const KVI::String name(key);
    if (name.IsEmpty()) return E_INVALIDARG;
    const auto it = values_.find(std::u16string(name.View()));
    if (it == values_.end()) return S_FALSE;
    *out = it->second ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT StubHostSettings::SetBool(IAutoKVIString* key, VARIANT_BOOL value)
{
    const KVI::String name(key);
    if (name.IsEmpty()) return E_INVALIDARG;
    values_[std::u16string(name.View())] = value != VARIANT_FALSE;
    return S_OK;
}

}  // namespace TestSupport
