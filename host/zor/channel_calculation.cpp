#include "host/zor/channel_calculation.h"

#include <new>

#include "host/zor/host_application.h"
#include "host/zor/units_service.h"

namespace Zor {
namespace {

// Ask the calculation to attach a new enumerator to its base object when it takes settings.
constexpr uint32_t kApplyAndAttach = 1;

IHostApplication* HostObject() { return HostApplication::Instance(); }

}  // namespace

HRESULT ChannelCalculation::Create(ICalculationClass* calcClass, int32_t channel, int32_t second,
                                   std::unique_ptr<ChannelCalculation>* out)
{
    out->reset();
    if (!calcClass) return E_INVALIDARG;
    std::unique_ptr<ChannelCalculation> made;
    try {
        made.reset(new ChannelCalculation(channel, second));
        made->site_ = ChannelSite::Create();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    made->class_ = platform::ComPtr<ICalculationClass>(calcClass);
    platform::ComPtr<IUnknown> created;
    HRESULT hr = calcClass->CreateCalculation(channel, second, made->site_.Get(), created.Put());
    if (FAILED(hr)) return hr;
    if (!created) return E_FAIL;
    if (FAILED(created.As(IID_ICalculation, made->calculation_)) || !made->calculation_) return E_NOINTERFACE;
    if (FAILED(made->calculation_->GetChannelCalc(made->calc_.Put())) || !made->calc_) return E_NOINTERFACE;
    made->ReadUnit();
    *out = std::move(made);
    return hr;
}

void ChannelCalculation::ReadUnit()
{
    platform::ComPtr<IUnitName> units;
    CalcFormatRecord record;
    int32_t result = 0;
    if (FAILED(calc_->GetDataFormat(channel_, 0, 0, units.Put(), &record, 0, &result)) || !units) return;
    KVI::UnitInfo info;
    if (SUCCEEDED(UnitInfoOf(units.Get(), &info))) unit_ = std::move(info);
}

HRESULT ChannelCalculation::ApplySettings(IUnknown* settings)
{
    const HRESULT hr = calc_->ApplySettings(settings, kApplyAndAttach);
    if (SUCCEEDED(hr)) ReadUnit();
    return hr;
}

HRESULT ChannelCalculation::GetSettings(IPersistObject** out) const
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return calc_->GetSettings(out);
}

int32_t ChannelCalculation::SourceChannel() const
{
    CalcSourceRecord first;
    int32_t count = 0;
    double scale = 0, offset = 0;
    if (FAILED(calculation_->GetSources(1, &first, &count, &scale, &offset)) || count < 1) return -1;
    return first.channel;
}

HRESULT ChannelCalculation::CreateStream(IEnumFloatEx* source, IEnumFloatEx** out) const
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!source) return E_INVALIDARG;
    platform::ComPtr<ICalcEnum> attached;
    if (calculation_->GetAttachedEnumerator(attached.Put(), nullptr) != S_OK || !attached) return E_FAIL;
    platform::ComPtr<ICalcEnumClass2> enumClass;
    HRESULT hr = attached->GetClassObject(enumClass.Put());
    if (FAILED(hr) || !enumClass) return FAILED(hr) ? hr : E_FAIL;
    // The same creation value the calculation gives the enumerators it attaches: the host
    // object it got from its site.
    platform::ComPtr<ICalcEnum> enumerator;
    hr = enumClass->CreateEnumerator(reinterpret_cast<intptr_t>(HostObject()), enumerator.Put());
    if (FAILED(hr) || !enumerator) return FAILED(hr) ? hr : E_FAIL;
    platform::ComPtr<IAutoKVIString> text;
    hr = calculation_->GetSettingsText(text.Put());
    if (FAILED(hr)) return hr;
    uint32_t flags = 0;
    hr = enumerator->SetSettingsText(text.Get(), &flags);
    if (FAILED(hr)) return hr;
    IUnknown* sources[1] = {source};
    IUnknown* hostObjects[1] = {HostObject()};
    hr = enumerator->Connect(1, sources, hostObjects, 0.0);
    if (FAILED(hr)) return hr;
    return enumerator->QueryInterface(IID_IEnumFloatEx, reinterpret_cast<void**>(out));
}

}  // namespace Zor
