// Object streams with every slot, in slot order, answering E_NOTIMPL (out pointers cleared):
// implementers derive and override the slots they answer, so a slot change is one edit here.
#pragma once

#include "interfaces/object_streams.h"

struct IObjectInStreamDefaults : IObjectInStream {
    HRESULT GetStatus() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT ReadUInt32(uint32_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT ReadFloat(float* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT ReadDouble(double* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT Reserved11() override { return E_NOTIMPL; }
    HRESULT Reserved12() override { return E_NOTIMPL; }
    HRESULT Reserved13() override { return E_NOTIMPL; }
    HRESULT Reserved14() override { return E_NOTIMPL; }
    HRESULT Reserved15() override { return E_NOTIMPL; }
    HRESULT Reserved16() override { return E_NOTIMPL; }
    HRESULT Reserved17() override { return E_NOTIMPL; }
    HRESULT ReadString(IAutoKVIString** out) override
    {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Reserved19() override { return E_NOTIMPL; }
    HRESULT Reserved20() override { return E_NOTIMPL; }
    HRESULT ReadInt32(int32_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }

protected:
    ~IObjectInStreamDefaults() = default;
};

struct IObjectOutStreamDefaults : IObjectOutStream {
    HRESULT GetStatus() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT Reserved5() override { return E_NOTIMPL; }
    HRESULT Reserved6() override { return E_NOTIMPL; }
    HRESULT Reserved7() override { return E_NOTIMPL; }
    HRESULT Reserved8() override { return E_NOTIMPL; }
    HRESULT WriteUInt32(uint32_t) override { return E_NOTIMPL; }
    HRESULT WriteFloat(float) override { return E_NOTIMPL; }
    HRESULT WriteDouble(double) override { return E_NOTIMPL; }
    HRESULT Reserved12() override { return E_NOTIMPL; }
    HRESULT Reserved13() override { return E_NOTIMPL; }
    HRESULT Reserved14() override { return E_NOTIMPL; }
    HRESULT Reserved15() override { return E_NOTIMPL; }
    HRESULT Reserved16() override { return E_NOTIMPL; }
    HRESULT Reserved17() override { return E_NOTIMPL; }
    HRESULT Reserved18() override { return E_NOTIMPL; }
    HRESULT WriteString(IAutoKVIString*) override { return E_NOTIMPL; }

protected:
    ~IObjectOutStreamDefaults() = default;
};
