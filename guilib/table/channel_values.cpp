#include "guilib/table/channel_values.h"

#include <algorithm>

#include "platform/com_ptr.h"

namespace GUILib {

HRESULT ReadChannelValues(IRecordData* data, int32_t channel, std::vector<float>& values)
{
    values.clear();
    RecordExtent extent;
    HRESULT hr = data->GetChannelExtent(channel, kCurrentBlockSelector, &extent);
    if (FAILED(hr)) return hr;
    if (extent.sampleCount <= 0) return S_OK;

    platform::ComPtr<IEnumFloatEx> stream;
    hr = data->CreateValueEnum(channel, kCurrentBlockSelector, 0, extent.sampleCount, 0, stream.Put());
    if (FAILED(hr)) return hr;
    if (!stream) return E_POINTER;

    // The count is the source's word; the stream decides how many values there really are, so
    // memory is reserved for a sane count only and otherwise grows with what arrives.
    const auto wanted = static_cast<uint64_t>(extent.sampleCount);
    values.reserve(static_cast<size_t>(std::min<uint64_t>(wanted, uint64_t{1} << 24)));
    float batch[kChannelReadBatch];
    while (values.size() < wanted) {
        const auto ask = static_cast<uint32_t>(std::min<uint64_t>(kChannelReadBatch, wanted - values.size()));
        uint32_t got = 0;
        hr = stream->Next(ask, batch, &got);
        if (FAILED(hr)) return hr;
        got = std::min(got, ask);  // a stream that claims more than it was asked for is not believed
        values.insert(values.end(), batch, batch + got);
        if (got < ask) break;
    }
    return S_OK;
}

KVI::String ReadChannelName(IRecordData* data, int32_t channel)
{
    IAutoKVIString* name = nullptr;
    if (FAILED(data->GetChannelName(channel, &name)) || !name) return KVI::String();
    KVI::String text(name);
    name->Release();
    return text;
}

}  // namespace GUILib
