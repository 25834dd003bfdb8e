#include "host/velogram/host_data_access.h"

#include <algorithm>
#include <limits>
#include <new>

#include "interfaces/printing.h"
#include "interfaces/record_data_pixmap.h"
#include "interfaces/unit_name.h"
#include "values/pix_map.h"

namespace Velogram {

using platform::ComPtr;

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// Blocks are 32-bit indexes in the recording; a selector value names no block here.
bool ToBlock(uint32_t block, int32_t* out)
{
    if (block > uint32_t(kInt32Max)) return false;
    *out = static_cast<int32_t>(block);
    return true;
}

}  // namespace

ComPtr<HostDataAccess> HostDataAccess::Create(IZorDocument* document)
{
    if (!document) return nullptr;
    ComPtr<IRecording> recording;
    ComPtr<IRecordData> layout;
    if (FAILED(document->QueryInterface(IID_IRecording, recording.PutVoid())) ||
        FAILED(document->QueryInterface(IID_IRecordData, layout.PutVoid())))
        return nullptr;
    return ComPtr<HostDataAccess>(new HostDataAccess(document, recording.Get(), layout.Get()));
}

HostDataAccess::HostDataAccess(IZorDocument* document, IRecording* recording, IRecordData* layout)
    : document_(document), recording_(recording), layout_(layout)
{
}

HRESULT HostDataAccess::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IRecordData) {
        *out = static_cast<IRecordData*>(this);
        AddRef();
        return S_OK;
    }
    // Printing belongs to the framework; the document hands out its printing face.
    if (iid == IID_IZORPrinting) return document_->QueryInterface(iid, out);
    return E_NOINTERFACE;
}

uint32_t HostDataAccess::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t HostDataAccess::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT HostDataAccess::ChannelSamples(int32_t channel, uint32_t block, int64_t* out) const
{
    *out = 0;
    int32_t b = 0;
    if (!ToBlock(block, &b)) return E_INVALIDARG;
    const HRESULT hr = recording_->GetSampleCount(channel, b, out);
    // A calculated channel whose source is not named yet (or is gone) has nothing to show.
    if (hr == E_FAIL) {
        *out = 0;
        return S_OK;
    }
    return hr;
}

HRESULT HostDataAccess::GetChannelName(int32_t channel, IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return recording_->GetChannelName(channel, out);
}

HRESULT HostDataAccess::GetChannelCount(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    return recording_->GetChannelCount(out);
}

HRESULT HostDataAccess::GetSampleCount(uint32_t block, int32_t* out) { return GetBlockLength(block, 0, out); }

HRESULT HostDataAccess::GetChannelSampleCount(int32_t channel, uint32_t block, int32_t* out)
{
    if (!out) return E_POINTER;
    int64_t count = 0;
    const HRESULT hr = ChannelSamples(channel, block, &count);
    *out = static_cast<int32_t>(std::min(count, kInt32Max));
    return hr;
}

HRESULT HostDataAccess::GetBlockCount(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    return recording_->GetBlockCount(out);
}

HRESULT HostDataAccess::GetBlockLength(uint32_t block, uint32_t flags, int32_t* out)
{
    return layout_->GetBlockLength(block, flags, out);
}

HRESULT HostDataAccess::GetChannelExtent(int32_t channel, uint32_t block, RecordExtent* out)
{
    if (!out) return E_POINTER;
    *out = RecordExtent{};
    return ChannelSamples(channel, block, &out->sampleCount);
}

HRESULT HostDataAccess::GetBoundaryMarks(uint32_t selector, int32_t block, IKVIBitset** out)
{
    return layout_->GetBoundaryMarks(selector, block, out);
}

HRESULT HostDataAccess::GetAppendingBlock(int32_t* out) { return layout_->GetAppendingBlock(out); }

HRESULT HostDataAccess::HasSamples(int32_t channel, uint32_t block, uint32_t flags, VARIANT_BOOL* out)
{
    if (!out) return E_POINTER;
    *out = VARIANT_FALSE;
    if (flags != 0) return E_INVALIDARG;
    int64_t count = 0;
    const HRESULT hr = ChannelSamples(channel, block, &count);
    if (FAILED(hr)) return hr;
    *out = count > 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT HostDataAccess::GetChannelUnits(int32_t channel, uint32_t flags, IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (flags != 0) return E_INVALIDARG;
    ComPtr<IUnitName> unit;
    const HRESULT hr = recording_->GetChannelUnit(channel, unit.Put());
    if (FAILED(hr)) return hr;
    return unit->GetText(1, out);
}

HRESULT HostDataAccess::GetValueDouble(int32_t channel, uint32_t block, int64_t sample, uint32_t flags,
                                       const double* scale, double* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    float value = 0;
    const HRESULT hr = GetValue(channel, block, sample, flags, nullptr, &value);
    if (FAILED(hr)) return hr;
    *out = scale ? scale[0] * (scale[1] + double(value)) : double(value);
    return S_OK;
}

HRESULT HostDataAccess::GetValue(int32_t channel, uint32_t block, int64_t sample, uint32_t flags,
                                 const double* scale, float* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    if (flags != 0 || sample < 0 || sample == std::numeric_limits<int64_t>::max()) return E_INVALIDARG;
    ComPtr<IEnumFloatEx> stream;
    HRESULT hr = CreateValueEnum(channel, block, sample, sample + 1, 0, stream.Put());
    if (FAILED(hr)) return hr;
    float value = 0;
    uint32_t returned = 0;
    hr = stream->Next(1, &value, &returned);
    if (FAILED(hr)) return hr;
    if (returned != 1) return E_INVALIDARG;
    *out = scale ? static_cast<float>(scale[0] * (scale[1] + double(value))) : value;
    return S_OK;
}

HRESULT HostDataAccess::CreateValueEnum(int32_t channel, uint32_t block, int64_t start, int64_t end,
                                        uint32_t flags, IEnumFloatEx** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    int32_t b = 0;
    if (flags != 0 || !ToBlock(block, &b)) return E_INVALIDARG;
    return recording_->CreateSampleStream(channel, b, start, end, out);
}

HRESULT HostDataAccess::CreatePixMap(IRecordDataPixMap** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        *out = GUILib::PixMap::Create(static_cast<IRecordData*>(this)).Detach();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT HostDataAccess::GetBlockWidth(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ,
                                      int64_t* out)
{
    return layout_->GetBlockWidth(selector, block, scaleP, scaleQ, out);
}

HRESULT HostDataAccess::PixelToSample(uint32_t selector, int32_t block, int64_t scaleP, int64_t scaleQ,
                                      int64_t offset, int64_t* out)
{
    return layout_->PixelToSample(selector, block, scaleP, scaleQ, offset, out);
}

HRESULT HostDataAccess::CreatePixelEnum(int32_t, uint32_t, int64_t, int64_t, int64_t, int64_t, IEnumFloatPixEx** out)
{
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace Velogram
