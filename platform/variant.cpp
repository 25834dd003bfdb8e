#include "platform/variant.h"

void VariantInit(VARIANT* v)
{
    if (!v) return;
    v->vt = VT_EMPTY;
    v->reserved1 = v->reserved2 = v->reserved3 = 0;
    v->dblVal = 0;
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v) return E_INVALIDARG;
    if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
    VariantInit(v);
    return S_OK;
}
