#include "module/class_object_base.h"

namespace Tessar {

HRESULT QueryClassObject(IUnknown* object, std::initializer_list<IID> answered, REFIID iid, void** out)
{
    if (!object) return E_INVALIDARG;
    if (!out) return E_POINTER;
    bool known = iid == IID_IUnknown;
    for (const IID& a : answered) known = known || iid == a;
    if (!known) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    object->AddRef();
    *out = object;
    return S_OK;
}

}  // namespace Tessar
