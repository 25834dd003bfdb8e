#include "calibration/framework.h"

#include "platform/class_table.h"
#include "platform/com_ptr.h"

namespace Tessar {

HRESULT Framework::GetRegistry(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    return CoGetClassObject(CLSID_FrameworkRegistry, CLSCTX_ALL, nullptr, iid, out);
}

HRESULT Framework::TypeIdentifier(REFGUID type, uint16_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    platform::ComPtr<IFrameworkRegistry> registry;
    const HRESULT hr = GetRegistry(IID_IFrameworkRegistry, registry.PutVoid());
    if (FAILED(hr)) return hr;
    if (!registry) return E_FAIL;
    return registry->GetTypeIdentifier(type, out);
}

HRESULT CachedTypeId::Get(uint32_t* out)
{
    if (!out) return E_POINTER;
    uint64_t value = value_.load(std::memory_order_acquire);
    if (!(value & kKnown)) {
        uint16_t id = 0;
        const HRESULT hr = Framework::TypeIdentifier(type_, &id);
        if (FAILED(hr)) {
            *out = 0;
            return hr;
        }
        value = kKnown | (uint32_t(id) << 16) | lowWord_;
        value_.store(value, std::memory_order_release);
    }
    *out = static_cast<uint32_t>(value);
    return S_OK;
}

}  // namespace Tessar
