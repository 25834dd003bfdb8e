#include "host/zor/framework_services.h"

#include "interfaces/help.h"
#include "host/zor/gui/optional_services.h"
#include "host/zor/unit_list.h"
#include "platform/class_table.h"
#include "platform/com_ptr.h"

namespace Zor {

FrameworkServices* FrameworkServices::Instance()
{
    static FrameworkServices* const services = new FrameworkServices;
    return services;
}

HRESULT FrameworkServices::EnsureRegistered()
{
    platform::ComPtr<IUnknown> present;
    if (SUCCEEDED(CoGetClassObject(CLSID_FrameworkServices, CLSCTX_ALL, nullptr, IID_IUnknown, present.PutVoid())))
        return S_OK;
    uint32_t cookie = 0;
    return CoRegisterClassObject(CLSID_FrameworkServices, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
}

HRESULT FrameworkServices::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IUnitListSource) {
        *out = static_cast<IUnitListSource*>(this);
        AddRef();
        return S_OK;
    }
    // Help needs a windowing system; without one the service is absent (E_NOINTERFACE).
    if (iid == IID_IHelpService) return OptionalServices::GetHelpService(iid, out);
    *out = nullptr;
    return E_NOINTERFACE;
}

uint32_t FrameworkServices::AddRef() { return static_cast<uint32_t>(++refs_); }
uint32_t FrameworkServices::Release() { return static_cast<uint32_t>(--refs_); }

HRESULT FrameworkServices::GetUnitList(int32_t, IUnitList** out)
{
    if (!out) return E_POINTER;
    UnitList* list = UnitList::Instance();
    list->AddRef();
    *out = list;
    return S_OK;
}

}  // namespace Zor
