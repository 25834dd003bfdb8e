#include "host/velogram/channel_record.h"

#include "host/velogram/host_selection.h"

namespace Velogram {

using platform::ComPtr;

ComPtr<ChannelRecord> ChannelRecord::Create(IRecording* recording, IRecordData* blocks, int32_t channel)
{
    return ComPtr<ChannelRecord>(new ChannelRecord(recording, blocks, channel));
}

ChannelRecord::ChannelRecord(IRecording* recording, IRecordData* blocks, int32_t channel)
    : SimpleUnknownImp1(IID_IChannelRecord), recording_(recording), blocks_(blocks), channel_(channel)
{
}

HRESULT ChannelRecord::GetUnitsConversion(int32_t* on)
{
    if (!on) return E_POINTER;
    *on = 0;
    return recording_->GetUnitsConversion(channel_, on);
}

HRESULT ChannelRecord::GetUnitAt(const HostPosition* at, IUnitName** unit)
{
    if (!unit) return E_POINTER;
    *unit = nullptr;
    if (at && !IsPositionInRecord(blocks_.Get(), *at)) return E_INVALIDARG;
    return recording_->GetChannelUnit(channel_, unit);
}

HRESULT ChannelRecord::GetDisplayRange(double* top, double* bottom)
{
    if (!top || !bottom) return E_POINTER;
    return recording_->GetDisplayRange(channel_, top, bottom);
}

HRESULT ChannelRecord::GetColour(uint32_t* rgb)
{
    if (!rgb) return E_POINTER;
    return recording_->GetChannelColour(channel_, rgb);
}

}  // namespace Velogram
