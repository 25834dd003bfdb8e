// IRecordDataDefaults: IRecordData with every slot, in slot order, answering E_NOTIMPL (out
// pointers cleared, as the interface's failures do). Implementers derive from it and override
// the slots they answer, so a slot change is one edit here.
#pragma once

#include "interfaces/record_data.h"

struct IRecordDataDefaults : IRecordData {
    HRESULT GetChannelName(int32_t, IAutoKVIString** out) override
    {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetChannelCount(int32_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT GetSampleCount(uint32_t, int32_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT GetChannelSampleCount(int32_t, uint32_t, int32_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT GetBlockCount(int32_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT Reserved8() override { return E_NOTIMPL; }
    HRESULT GetBlockLength(uint32_t, uint32_t, int32_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT GetChannelExtent(int32_t, uint32_t, RecordExtent* out) override
    {
        if (out) *out = RecordExtent{};
        return E_NOTIMPL;
    }
    HRESULT GetBoundaryMarks(uint32_t, int32_t, IKVIBitset** out) override
    {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetAppendingBlock(int32_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT Reserved13() override { return E_NOTIMPL; }
    HRESULT HasSamples(int32_t, uint32_t, uint32_t, VARIANT_BOOL* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT GetChannelUnits(int32_t, uint32_t, IAutoKVIString** out) override
    {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Reserved16() override { return E_NOTIMPL; }
    HRESULT Reserved17() override { return E_NOTIMPL; }
    HRESULT Reserved18() override { return E_NOTIMPL; }
    HRESULT Reserved19() override { return E_NOTIMPL; }
    HRESULT Reserved20() override { return E_NOTIMPL; }
    HRESULT Reserved21() override { return E_NOTIMPL; }
    HRESULT Reserved22() override { return E_NOTIMPL; }
    HRESULT Reserved23() override { return E_NOTIMPL; }
    HRESULT Reserved24() override { return E_NOTIMPL; }
    HRESULT Reserved25() override { return E_NOTIMPL; }
    HRESULT Reserved26() override { return E_NOTIMPL; }
    HRESULT Reserved27() override { return E_NOTIMPL; }
    HRESULT Reserved28() override { return E_NOTIMPL; }
    HRESULT GetValueDouble(int32_t, uint32_t, int64_t, uint32_t, const double*, double* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT GetValue(int32_t, uint32_t, int64_t, uint32_t, const double*, float* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT Reserved31() override { return E_NOTIMPL; }
    HRESULT CreateValueEnum(int32_t, uint32_t, int64_t, int64_t, uint32_t, IEnumFloatEx** out) override
    {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT CreatePixMap(IRecordDataPixMap** out) override
    {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetBlockWidth(uint32_t, int32_t, int64_t, int64_t, int64_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT PixelToSample(uint32_t, int32_t, int64_t, int64_t, int64_t, int64_t* out) override
    {
        if (out) *out = 0;
        return E_NOTIMPL;
    }
    HRESULT Reserved36() override { return E_NOTIMPL; }
    HRESULT Reserved37() override { return E_NOTIMPL; }
    HRESULT CreatePixelEnum(int32_t, uint32_t, int64_t, int64_t, int64_t, int64_t, IEnumFloatPixEx** out) override
    {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

protected:
    ~IRecordDataDefaults() = default;
};
