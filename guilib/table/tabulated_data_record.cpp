// The faces of the tabulated data besides its own table interface: the settings it stores,
// the host's record-data view of the table, the observer registrations and the relaying of
// online sampling events.
#include <algorithm>
#include <cmath>
#include <limits>

#include "values/pix_map.h"
#include "guilib/table/tabulated_data.h"

namespace GUILib {
namespace {

constexpr int32_t kUpdateIntervalMs = 100;

int32_t ClampTo32(int64_t v)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

// ITabulatedSettings -------------------------------------------------------------------------

HRESULT CTabulatedData::SetSource(IUnknown* source)
{
    source_ = platform::ComPtr<IUnknown>(source);
    return S_OK;
}

HRESULT CTabulatedData::GetSource(IUnknown** out)
{
    if (!out) return E_POINTER;
    *out = platform::ComPtr<IUnknown>(source_).Detach();
    return S_OK;
}

HRESULT CTabulatedData::SetRange(const int32_t* pair, const int32_t* value)
{
    if (!pair || !value) return E_FAIL;
    rangePair_[0] = pair[0];
    rangePair_[1] = pair[1];
    rangeValue_ = *value;
    return S_OK;
}

HRESULT CTabulatedData::GetRange(int32_t* pair, int32_t* value)
{
    if (!pair || !value) return E_FAIL;
    pair[0] = rangePair_[0];
    pair[1] = rangePair_[1];
    *value = rangeValue_;
    return S_OK;
}

HRESULT CTabulatedData::SetColumnTag(int32_t column, int32_t tag)
{
    NamedDataColumn* c = Column(column);
    if (!c) return E_INVALIDARG;
    c->tag_ = tag;
    return S_OK;
}

HRESULT CTabulatedData::GetColumnTag(int32_t column, int32_t* out)
{
    const NamedDataColumn* c = Column(column);
    if (!c || !out) return E_INVALIDARG;
    *out = c->tag_;
    return S_OK;
}

// IRecordData -------------------------------------------------------------------------------

HRESULT CTabulatedData::GetChannelName(int32_t channel, IAutoKVIString** out) { return GetColumnName(channel, out); }

HRESULT CTabulatedData::GetChannelCount(int32_t* out) { return GetColumnCount(out); }

HRESULT CTabulatedData::GetSampleCount(uint32_t, int32_t* out) { return GetRowCount(out); }

HRESULT CTabulatedData::GetChannelSampleCount(int32_t channel, uint32_t, int32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    if (!Column(channel)) return E_INVALIDARG;
    *out = RowCount();
    return S_OK;
}

HRESULT CTabulatedData::GetBlockCount(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = online_ || RowCount() > 0 ? 1 : 0;
    return S_OK;
}

HRESULT CTabulatedData::GetBlockLength(uint32_t, uint32_t flags, int32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    if (flags != 0) return E_INVALIDARG;
    *out = RowCount();
    return S_OK;
}

HRESULT CTabulatedData::GetChannelExtent(int32_t, uint32_t, RecordExtent* out)
{
    if (!out) return E_INVALIDARG;
    out->sampleCount = RowCount();
    out->firstSample = 0;
    return S_OK;
}

HRESULT CTabulatedData::GetBoundaryMarks(uint32_t, int32_t, IKVIBitset** out)
{
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT CTabulatedData::GetAppendingBlock(int32_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    return S_OK;
}

HRESULT CTabulatedData::HasSamples(int32_t channel, uint32_t, uint32_t flags, VARIANT_BOOL* out)
{
    if (!out) return E_POINTER;
    *out = VARIANT_FALSE;
    const NamedDataColumn* c = Column(channel);
    if (flags != 0 || !c) return E_INVALIDARG;
    *out = c->values_.empty() ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
}

HRESULT CTabulatedData::GetChannelUnits(int32_t channel, uint32_t flags, IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (flags != 0) return E_INVALIDARG;
    return GetColumnUnits(channel, out);
}

HRESULT CTabulatedData::GetValueDouble(int32_t channel, uint32_t block, int64_t sample, uint32_t flags,
                                       const double* scale, double* out)
{
    if (!out) return E_POINTER;
    float v = 0;
    const HRESULT hr = GetValue(channel, block, sample, flags, scale, &v);
    *out = v;
    return hr;
}

HRESULT CTabulatedData::GetValue(int32_t channel, uint32_t, int64_t sample, uint32_t flags, const double* scale,
                                 float* out)
{
    if (!out) return E_POINTER;
    *out = std::numeric_limits<float>::quiet_NaN();
    if (flags != 0 || sample < 0 || sample > std::numeric_limits<int32_t>::max()) return E_INVALIDARG;
    float v = 0;
    uint32_t n = 0;
    const HRESULT hr = GetValues(channel, static_cast<int32_t>(sample), 1, &v, &n);
    if (FAILED(hr)) return hr;
    // A row the column does not reach has no value; reading one is the caller's error.
    if (n == 0) return E_INVALIDARG;
    *out = scale ? static_cast<float>(scale[0] * (scale[1] + v)) : v;
    return S_OK;
}

HRESULT CTabulatedData::CreateValueEnum(int32_t channel, uint32_t, int64_t start, int64_t end, uint32_t flags,
                                        IEnumFloatEx** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (flags != 0) return E_INVALIDARG;
    return EnumColumn(channel, ClampTo32(start), ClampTo32(end), out);
}

HRESULT CTabulatedData::CreatePixMap(IRecordDataPixMap** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guarded([&] {
        *out = PixMap::Create(static_cast<IRecordData*>(this)).Detach();
        return S_OK;
    });
}

HRESULT CTabulatedData::GetBlockWidth(uint32_t selector, int32_t, int64_t, int64_t, int64_t* out)
{
    if (!out) return E_POINTER;
    int32_t length = 0;
    const HRESULT hr = GetBlockLength(selector, 0, &length);
    *out = length;
    return hr;
}

HRESULT CTabulatedData::PixelToSample(uint32_t, int32_t, int64_t, int64_t, int64_t, int64_t* out)
{
    if (out) *out = 0;
    return E_NOTIMPL;
}

HRESULT CTabulatedData::CreatePixelEnum(int32_t, uint32_t, int64_t, int64_t count, int64_t, int64_t,
                                        IEnumFloatPixEx** out)
{
    if (out) *out = nullptr;
    return count < 0 ? E_INVALIDARG : E_NOTIMPL;
}

// Observer registrations ----------------------------------------------------------------------

HRESULT CTabulatedData::AddRecordObserver(IRecordDataObserver* observer)
{
    if (!observer) return E_POINTER;
    return Guarded([&] { return recordObservers_.Add(observer) ? S_OK : E_FAIL; });
}

HRESULT CTabulatedData::RemoveRecordObserver(IRecordDataObserver* observer)
{
    return recordObservers_.RemoveFirst(observer) ? S_OK : E_FAIL;
}

HRESULT CTabulatedData::AddOnlineSink(IOnlineDataSink* sink)
{
    if (!sink) return E_POINTER;
    return Guarded([&] { return onlineSinks_.Add(sink) ? S_OK : E_FAIL; });
}

HRESULT CTabulatedData::RemoveOnlineSink(IOnlineDataSink* sink) { return onlineSinks_.RemoveFirst(sink) ? S_OK : E_FAIL; }

// Online relaying -----------------------------------------------------------------------------

void CTabulatedData::RelayToSinks(const std::function<void(IOnlineDataSink*)>& call)
{
    for (const auto& s : onlineSinks_.Snapshot()) call(s.Get());
}

HRESULT CTabulatedData::OnSetupChanged(uint32_t flags)
{
    return Guarded([&] {
        RelayToSinks([flags](IOnlineDataSink* s) { s->OnSetupChanged(flags); });
        return S_OK;
    });
}

HRESULT CTabulatedData::OnPrepareSampling(uint32_t flags)
{
    return Guarded([&] {
        RelayToSinks([flags](IOnlineDataSink* s) { s->OnPrepareSampling(flags); });
        return S_OK;
    });
}

HRESULT CTabulatedData::OnStartSampling(uint32_t flags)
{
    online_ = true;
    lastOnlineRows_ = 0;
    return Guarded([&] {
        RelayToSinks([flags](IOnlineDataSink* s) { s->OnStartSampling(flags); });
        return S_OK;
    });
}

HRESULT CTabulatedData::OnNewData(int32_t)
{
    return Guarded([&] {
        SendOnlineNotification();
        return S_OK;
    });
}

HRESULT CTabulatedData::OnStopSampling(uint32_t flags, uint32_t* result)
{
    online_ = false;
    lastOnlineRows_ = 0;
    uint32_t combined = 0;
    const HRESULT hr = Guarded([&] {
        RelayToSinks([flags, &combined](IOnlineDataSink* s) {
            uint32_t r = 0;
            s->OnStopSampling(flags, &r);
            combined |= r;
        });
        return S_OK;
    });
    if (result) *result = combined;
    return hr;
}

HRESULT CTabulatedData::OnBlockStart(int32_t block)
{
    return Guarded([&] {
        RelayToSinks([block](IOnlineDataSink* s) { s->OnBlockStart(block); });
        return S_OK;
    });
}

HRESULT CTabulatedData::OnBlockEnd(int32_t block)
{
    return Guarded([&] {
        RelayToSinks([block](IOnlineDataSink* s) { s->OnBlockEnd(block); });
        return S_OK;
    });
}

HRESULT CTabulatedData::GetUpdateInterval(uint32_t, int32_t* milliseconds)
{
    if (!milliseconds) return E_POINTER;
    *milliseconds = kUpdateIntervalMs;
    return S_OK;
}

}  // namespace GUILib
