#include "host/velogram/host_document.h"

#include "interfaces/printing.h"
#include "interfaces/unit_name.h"
#include "values/units/prefix_table.h"
#include "host/velogram/channel_record.h"

namespace Velogram {

using platform::ComPtr;

ComPtr<HostDocument> HostDocument::Create(IZorDocument* document)
{
    if (!document) return nullptr;
    ComPtr<IRecording> recording;
    ComPtr<IChannelCalculations> calculations;
    if (FAILED(document->QueryInterface(IID_IRecording, recording.PutVoid())) ||
        FAILED(document->QueryInterface(IID_IChannelCalculations, calculations.PutVoid())))
        return nullptr;
    ComPtr<HostDataAccess> access = HostDataAccess::Create(document);
    if (!access) return nullptr;
    return ComPtr<HostDocument>(new HostDocument(document, recording.Get(), calculations.Get(), access.Get()));
}

HostDocument::HostDocument(IZorDocument* document, IRecording* recording, IChannelCalculations* calculations,
                           HostDataAccess* access)
    : document_(document),
      recording_(recording),
      calculations_(calculations),
      access_(access),
      selection_(HostSelection::Create(access))
{
}

HRESULT HostDocument::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IHostDocument) {
        *out = static_cast<IHostDocument*>(this);
        AddRef();
        return S_OK;
    }
    if (iid == IID_IZORPrinting) return access_->QueryInterface(iid, out);
    return E_NOINTERFACE;
}

uint32_t HostDocument::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t HostDocument::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT HostDocument::GetHostSelection(IHostSelection** selection)
{
    if (!selection) return E_POINTER;
    *selection = selection_.Get();
    (*selection)->AddRef();
    return S_OK;
}

HRESULT HostDocument::GetChannelRecord(int32_t channel, IChannelRecord** record)
{
    if (!record) return E_POINTER;
    *record = nullptr;
    if (channel < 0 || channel >= ChannelCount()) return E_INVALIDARG;
    *record = ChannelRecord::Create(recording_.Get(), access_.Get(), channel).Detach();
    return S_OK;
}

HRESULT HostDocument::GetDataAccess(IRecordData** data)
{
    if (!data) return E_POINTER;
    *data = access_.Get();
    (*data)->AddRef();
    return S_OK;
}

int32_t HostDocument::ChannelCount() const
{
    int32_t count = 0;
    recording_->GetChannelCount(&count);
    return count;
}

int32_t HostDocument::BlockCount() const
{
    int32_t count = 0;
    recording_->GetBlockCount(&count);
    return count;
}

int64_t HostDocument::BlockLength(int32_t block) const
{
    int32_t length = 0;
    if (block < 0 || FAILED(access_->GetBlockLength(static_cast<uint32_t>(block), 0, &length))) return 0;
    return length;
}

bool HostDocument::HasCalculation(int32_t channel) const
{
    ComPtr<ICalculation> calculation;
    return calculations_->GetCalculation(channel, calculation.Put()) == S_OK;
}

ChannelInfo HostDocument::Info(int32_t channel) const
{
    ChannelInfo info;
    IAutoKVIString* name = nullptr;
    if (SUCCEEDED(recording_->GetChannelName(channel, &name)) && name) {
        info.name = KVI::String(name);
        name->Release();
    }
    ComPtr<IUnitName> unit;
    if (SUCCEEDED(recording_->GetChannelUnit(channel, unit.Put())) && unit) {
        IAutoKVIString* text = nullptr;
        if (SUCCEEDED(unit->GetText(1, &text)) && text) {
            info.unit = KVI::String(text);
            text->Release();
        }
        int32_t prefix = KVI::kPrefixNone;
        unit->GetPrefix(&prefix);
        // Indexes without a factor (0: no prefix chosen) show base units.
        const double factor = KVI::PrefixFactor(prefix);
        info.factor = factor > 0 ? factor : 1.0;
    }
    recording_->GetChannelColour(channel, &info.colour);
    recording_->GetDisplayRange(channel, &info.top, &info.bottom);
    int32_t on = 0;
    recording_->GetUnitsConversion(channel, &on);
    info.unitsConversion = on != 0;
    info.calculated = HasCalculation(channel);
    info.setUp = info.calculated && IsSetUp(channel);
    return info;
}

bool HostDocument::IsSetUp(int32_t calculatedChannel) const
{
    int32_t source = -1;
    return calculations_->GetSourceChannel(calculatedChannel, &source) == S_OK && source >= 0;
}

int32_t HostDocument::SourceOf(int32_t calculatedChannel) const
{
    int32_t source = -1;
    if (calculations_->GetSourceChannel(calculatedChannel, &source) == S_OK && source >= 0) return source;
    const auto intended = intended_.find(calculatedChannel);
    if (intended != intended_.end() && intended->second < ChannelCount()) return intended->second;
    const int32_t count = ChannelCount();
    for (int32_t c = 0; c < count; ++c)
        if (!HasCalculation(c)) return c;
    return -1;
}

}  // namespace Velogram
