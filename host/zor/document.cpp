#include "host/zor/document.h"

#include <cmath>
#include <new>

#include "interfaces/printing.h"
#include "foundation/bitset_rep.h"
#include "host/zor/document_record_data.h"
#include "host/zor/gui/optional_services.h"
#include "host/zor/sample_stream.h"
#include "host/zor/units_service.h"

namespace Zor {

platform::ComPtr<Document> Document::Create() { return platform::ComPtr<Document>(new Document); }

HRESULT Document::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IZorDocument) {
        *out = static_cast<IZorDocument*>(this);
    } else if (iid == IID_IRecording) {
        *out = static_cast<IRecording*>(this);
    } else if (iid == IID_IChannelCalculations) {
        *out = static_cast<IChannelCalculations*>(this);
    } else if (iid == IID_IRecordData) {
        return DocumentRecordData::Create(this, out);
    } else if (iid == IID_IZORPrinting) {
        return OptionalServices::GetPrinting(iid, out);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

uint32_t Document::AddRef() { return static_cast<uint32_t>(++refs_); }

uint32_t Document::Release()
{
    const int32_t n = --refs_;
    if (n == 0) delete this;
    return static_cast<uint32_t>(n);
}

HRESULT Document::IsModified(int32_t* out)
{
    if (!out) return E_POINTER;
    std::lock_guard lock(mutex_);
    *out = modified_ ? 1 : 0;
    return S_OK;
}

HRESULT Document::SetModified(int32_t modified)
{
    std::lock_guard lock(mutex_);
    modified_ = modified != 0;
    return S_OK;
}

ChannelCalculation* Document::CalculationLocked(int32_t channel) const
{
    return calcs_[static_cast<size_t>(channel)].get();
}

// ---- IRecording

HRESULT Document::GetChannelCount(int32_t* out)
{
    if (!out) return E_POINTER;
    std::lock_guard lock(mutex_);
    *out = data_.ChannelCount();
    return S_OK;
}

HRESULT Document::AddChannel(IAutoKVIString* name, int32_t* index)
{
    try {
        KVI::String text(name);
        std::lock_guard lock(mutex_);
        calcs_.reserve(calcs_.size() + 1);
        const int32_t added = data_.AddChannel(std::move(text));
        calcs_.emplace_back();
        modified_ = true;
        if (index) *index = added;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Document::GetChannelName(int32_t channel, IAutoKVIString** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    *out = data_.Channel(channel).name.NewReference();
    return S_OK;
}

HRESULT Document::SetChannelName(int32_t channel, IAutoKVIString* name)
{
    KVI::String text(name);
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    data_.Channel(channel).name = std::move(text);
    modified_ = true;
    return S_OK;
}

HRESULT Document::GetChannelUnit(int32_t channel, IUnitName** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        std::lock_guard lock(mutex_);
        if (!data_.HasChannel(channel)) return E_INVALIDARG;
        const ChannelCalculation* calc = CalculationLocked(channel);
        *out = NewUnitName(calc ? calc->Unit() : data_.Channel(channel).unit);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Document::SetChannelUnit(int32_t channel, IUnitName* unit)
{
    KVI::UnitInfo info;
    if (unit) {
        const HRESULT hr = UnitInfoOf(unit, &info);
        if (FAILED(hr)) return hr;
    }
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    data_.Channel(channel).unit = std::move(info);
    modified_ = true;
    return S_OK;
}

HRESULT Document::GetChannelColour(int32_t channel, uint32_t* rgb)
{
    if (!rgb) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    *rgb = data_.Channel(channel).colour;
    return S_OK;
}

HRESULT Document::SetChannelColour(int32_t channel, uint32_t rgb)
{
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    data_.Channel(channel).colour = rgb & 0xFFFFFF;
    modified_ = true;
    return S_OK;
}

HRESULT Document::GetDisplayRange(int32_t channel, double* top, double* bottom)
{
    if (!top || !bottom) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    *top = data_.Channel(channel).top;
    *bottom = data_.Channel(channel).bottom;
    return S_OK;
}

HRESULT Document::SetDisplayRange(int32_t channel, double top, double bottom)
{
    if (!std::isfinite(top) || !std::isfinite(bottom)) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    data_.Channel(channel).top = top;
    data_.Channel(channel).bottom = bottom;
    modified_ = true;
    return S_OK;
}

HRESULT Document::GetUnitsConversion(int32_t channel, int32_t* on)
{
    if (!on) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    *on = data_.Channel(channel).unitsConversion ? 1 : 0;
    return S_OK;
}

HRESULT Document::SetUnitsConversion(int32_t channel, int32_t on)
{
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    data_.Channel(channel).unitsConversion = on != 0;
    modified_ = true;
    return S_OK;
}

HRESULT Document::GetBlockCount(int32_t* out)
{
    if (!out) return E_POINTER;
    std::lock_guard lock(mutex_);
    *out = data_.BlockCount();
    return S_OK;
}

HRESULT Document::AddBlock(int32_t* index)
{
    try {
        std::lock_guard lock(mutex_);
        const int32_t added = data_.AddBlock();
        modified_ = true;
        if (index) *index = added;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Document::GetSampleInterval(int32_t block, double* seconds)
{
    if (!seconds) return E_POINTER;
    *seconds = 0;
    std::lock_guard lock(mutex_);
    if (!data_.HasBlock(block)) return E_INVALIDARG;
    *seconds = data_.SampleInterval(block);
    return *seconds > 0 ? S_OK : S_FALSE;
}

HRESULT Document::SetSampleInterval(int32_t block, double seconds)
{
    if (seconds != 0.0 && !(seconds >= kMinSampleInterval && seconds <= kMaxSampleInterval)) return E_INVALIDARG;
    if (seconds == 0.0) seconds = 0.0;  // -0 too
    std::lock_guard lock(mutex_);
    if (!data_.HasBlock(block)) return E_INVALIDARG;
    if (data_.SampleInterval(block) == seconds) return S_OK;
    data_.SetSampleInterval(block, seconds);
    modified_ = true;
    return S_OK;
}

HRESULT Document::SetBoundaryMarks(int32_t block, IKVIBitset* marks)
{
    try {
        BoundaryMarks copied;
        if (marks) {
            platform::ComPtr<KVI::BitsetRep> copy;
            const HRESULT hr = KVI::BitsetRep::CopyOf(marks, &copy);
            if (FAILED(hr)) return hr;
            copied.words = copy->Words();
            copied.fill = copy->Fill();
        }
        std::lock_guard lock(mutex_);
        if (!data_.HasBlock(block)) return E_INVALIDARG;
        data_.SetMarks(block, std::move(copied));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

int32_t Document::RootSourceLocked(int32_t channel) const
{
    // A chain of sources longer than the channels there are must loop.
    for (int32_t steps = 0; steps <= data_.ChannelCount(); ++steps) {
        const ChannelCalculation* calc = CalculationLocked(channel);
        if (!calc) return channel;
        const int32_t source = calc->SourceChannel();
        if (!data_.HasChannel(source)) return -1;
        if (source == channel) return channel;
        channel = source;
    }
    return -1;
}

HRESULT Document::GetSampleCount(int32_t channel, int32_t block, int64_t* out)
{
    if (!out) return E_POINTER;
    *out = 0;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel) || !data_.HasBlock(block)) return E_INVALIDARG;
    const int32_t root = RootSourceLocked(channel);
    if (root < 0) return E_FAIL;
    *out = data_.SampleCount(root, block);
    return S_OK;
}

HRESULT Document::AppendSamples(int32_t channel, int32_t block, const float* samples, uint32_t count)
{
    if (!samples && count) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel) || !data_.HasBlock(block)) return E_INVALIDARG;
    const HRESULT hr = data_.Append(channel, block, samples, count);
    if (SUCCEEDED(hr) && count) modified_ = true;
    return hr;
}

HRESULT Document::CreateSampleStream(int32_t channel, int32_t block, int64_t start, int64_t end, IEnumFloatEx** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        std::lock_guard lock(mutex_);
        std::set<int32_t> visiting;
        return StreamLocked(channel, block, start, end, visiting, out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Document::StreamLocked(int32_t channel, int32_t block, int64_t start, int64_t end,
                               std::set<int32_t>& visiting, IEnumFloatEx** out)
{
    if (!data_.HasChannel(channel) || !data_.HasBlock(block) || start < 0 || start > end) return E_INVALIDARG;
    const ChannelCalculation* calc = CalculationLocked(channel);
    if (!calc) {
        *out = SampleStream::Create(data_.Samples(channel, block), start, end).Detach();
        return S_OK;
    }
    const int32_t source = calc->SourceChannel();
    if (!data_.HasChannel(source) || !visiting.insert(channel).second) return E_FAIL;
    platform::ComPtr<IEnumFloatEx> sourceStream;
    if (source == channel) {
        sourceStream = platform::ComPtr<IEnumFloatEx>::Adopt(
            SampleStream::Create(data_.Samples(channel, block), start, end).Detach());
    } else {
        const HRESULT hr = StreamLocked(source, block, start, end, visiting, sourceStream.Put());
        if (FAILED(hr)) return hr;
    }
    return calc->CreateStream(sourceStream.Get(), out);
}

// ---- IChannelCalculations

HRESULT Document::SetCalculation(int32_t channel, ICalculationClass* calcClass, int32_t second)
{
    if (!calcClass) return E_INVALIDARG;
    std::unique_ptr<ChannelCalculation> old;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    std::unique_ptr<ChannelCalculation> made;
    const HRESULT hr = ChannelCalculation::Create(calcClass, channel, second, &made);
    if (FAILED(hr)) return hr;
    old = std::exchange(calcs_[static_cast<size_t>(channel)], std::move(made));
    modified_ = true;
    return hr;
}

HRESULT Document::RemoveCalculation(int32_t channel)
{
    std::unique_ptr<ChannelCalculation> old;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    old = std::move(calcs_[static_cast<size_t>(channel)]);
    if (!old) return S_FALSE;
    modified_ = true;
    return S_OK;
}

HRESULT Document::GetCalculation(int32_t channel, ICalculation** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    const ChannelCalculation* calc = CalculationLocked(channel);
    if (!calc) return S_FALSE;
    *out = platform::ComPtr<ICalculation>(calc->Calculation()).Detach();
    return S_OK;
}

HRESULT Document::ApplySettings(int32_t channel, IUnknown* settings)
{
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    ChannelCalculation* calc = CalculationLocked(channel);
    if (!calc) return E_FAIL;
    const HRESULT hr = calc->ApplySettings(settings);
    if (hr == S_OK) modified_ = true;
    return hr;
}

HRESULT Document::GetSettings(int32_t channel, IPersistObject** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    const ChannelCalculation* calc = CalculationLocked(channel);
    return calc ? calc->GetSettings(out) : E_FAIL;
}

HRESULT Document::GetSourceChannel(int32_t channel, int32_t* source)
{
    if (!source) return E_POINTER;
    *source = -1;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    const ChannelCalculation* calc = CalculationLocked(channel);
    if (calc) *source = calc->SourceChannel();
    return *source >= 0 ? S_OK : S_FALSE;
}

HRESULT Document::GetCalculationClass(int32_t channel, ICalculationClass** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(mutex_);
    if (!data_.HasChannel(channel)) return E_INVALIDARG;
    const ChannelCalculation* calc = CalculationLocked(channel);
    if (!calc) return S_FALSE;
    *out = calc->Class();
    (*out)->AddRef();
    return S_OK;
}

}  // namespace Zor
