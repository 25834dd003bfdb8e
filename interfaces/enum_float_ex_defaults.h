// IEnumFloatExDefaults: IEnumFloatEx with every slot, in slot order, answering E_NOTIMPL (out
// pointers cleared). Streams derive from it and override the slots they answer.
#pragma once

#include "interfaces/enum_float_ex.h"

struct IEnumFloatExDefaults : IEnumFloatEx {
    HRESULT Skip(int64_t) override { return E_NOTIMPL; }
    HRESULT Reset() override { return E_NOTIMPL; }
    HRESULT GetPosition(int64_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT Next(uint32_t, float*, uint32_t* returned) override
    {
        if (returned) *returned = 0;
        return E_NOTIMPL;
    }
    HRESULT Clone(IEnumFloatEx** out) override
    {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

protected:
    ~IEnumFloatExDefaults() = default;
};
