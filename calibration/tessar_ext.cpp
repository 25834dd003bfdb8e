#include "calibration/tessar_ext.h"

#include <limits>

#include "calibration/class_records.h"
#include "calibration/data_format.h"
#include "calibration/framework.h"
#include "interfaces/calc_enum.h"
#include "calibration/interface_guard.h"
#include "calibration/settings_text.h"

namespace Tessar {
namespace {

CachedTypeId& BaseObjectTypeId()
{
    static CachedTypeId id(TYPE_CalcBase, TessarExt::kBaseObjectLowWord);
    return id;
}

ChannelDataFormat InitialDataFormat()
{
    ChannelDataFormat f;
    f.scale = 1.0;
    f.offset = 0.0;
    f.upperLimit = std::numeric_limits<float>::infinity();
    f.lowerLimit = -std::numeric_limits<float>::infinity();
    f.decimalPlaces = 2;
    f.prefix = 1;
    f.unitFlag = 0;
    return f;
}

}  // namespace

TessarSettings* SettingsOf(IPersistObject* object)
{
    // Settings objects of another binary (or another kind of persistent object) have another
    // dynamic type, so they are refused rather than read with this module's layout.
    return dynamic_cast<TessarSettings*>(object);
}

TessarExt::TessarExt(ICalcSite* site, ICalculationClass* calcClass, int32_t channel, int32_t second)
    : site_(site), class_(calcClass), channel_(channel), second_(second), format_(InitialDataFormat())
{
    HoldConstructionReference();
    if (site_) {
        platform::ComPtr<IUnknown> host;
        if (SUCCEEDED(site_->GetHostObject(host.Put())) && host)
            host->QueryInterface(IID_IHostApplication, host_.PutVoid());
    }
    uint32_t baseType = 0;
    platform::ComPtr<IObjectFactory> factory;
    if (SUCCEEDED(BaseObjectTypeId().Get(&baseType)) &&
        SUCCEEDED(Framework::GetRegistry(IID_IObjectFactory, factory.PutVoid())) && factory) {
        IUnknown* outer = static_cast<IChannelCalc*>(this);
        factory->CreateObject(outer, baseType, IID_IUnknown, base_.PutVoid());
    }
    settings_ = platform::ComPtr<Settings>(new Settings(channel));
    DropConstructionReference();
}

TessarExt::~TessarExt() = default;

HRESULT TessarExt::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IChannelCalc) {
        *out = static_cast<IChannelCalc*>(this);
        AddRef();
        return S_OK;
    }
    return base_ ? base_->QueryInterface(iid, out) : E_NOINTERFACE;
}

HRESULT TessarExt::GetDataFormat(int32_t first, int32_t, int32_t, IUnitName** units, CalcFormatRecord* record,
                                 int32_t sixth, int32_t* result)
{
    if (!units || !record || !result) return E_POINTER;
    *units = nullptr;
    return GuardedCall([&] {
        if (!units_) {
            if (!site_) return E_FAIL;
            const HRESULT hr =
                site_->CreateUnits(&format_, settings_->Data().unit_.name_.Interface(), 0, 0, units_.Put());
            if (FAILED(hr)) return hr;
            if (!units_) return E_FAIL;
        }
        units_->AddRef();
        *units = units_.Get();
        *record = CalcFormatRecord{{1, 0, 1, 0}, 0.0};
        if (host_) host_->DataFormatRequested(0, first, sixth);
        *result = 0;
        return S_OK;
    });
}

HRESULT TessarExt::ApplySettings(IUnknown* settings, uint32_t flags)
{
    return GuardedCall([&] {
        platform::ComPtr<IPersistObject> persist;
        if (!settings || FAILED(settings->QueryInterface(IID_IPersistObject, persist.PutVoid())) || !persist)
            return S_FALSE;
        Settings* incoming = SettingsOf(persist.Get());
        if (!incoming) return E_INVALIDARG;
        const CalibrationData& data = incoming->Data();
        if (data == settings_->Data()) return S_FALSE;

        const platform::ComPtr<ICalcBase> base = Base();
        if (base) {
            platform::ComPtr<IAutoKVIString> description;
            base->GetDescription(description.Put());
            description_ = KVI::String(description.Get());
            if (flags & 0xFFFFu) AttachEnumerator(base.Get());
        }

        const DataFormat f = ComputeDataFormat(data);
        format_ = f.format;
        RebuildUnits(data.unit_);

        if (base) {
            const CalcSourceRecord source{
                data.channel_, data.channel_ == channel_ ? kOwnChannelSourceFlags : kOtherChannelSourceFlags,
                kSourceThirdWord};
            base->SetSources(1, &source, f.sourceGain, f.sourceOffset);
            base->SetSettingsText(FormatSettingsText(data).Interface());
        }
        settings_ = platform::ComPtr<Settings>(incoming);
        return NotifySite();
    });
}

HRESULT TessarExt::SetSettings(int32_t, IPersistObject* settings)
{
    if (!settings) return E_POINTER;
    Settings* incoming = SettingsOf(settings);
    if (!incoming) return E_INVALIDARG;
    return GuardedCall([&] {
        settings_ = platform::ComPtr<Settings>(new Settings(incoming->Data()));
        return S_OK;
    });
}

HRESULT TessarExt::GetSettings(IPersistObject** out)
{
    if (!out) return E_POINTER;
    settings_->AddRef();
    *out = settings_.Get();
    return S_OK;
}

HRESULT TessarExt::GetCalcFlags(uint32_t* out)
{
    if (!out) return E_POINTER;
    *out = kCalcFlags;
    return S_OK;
}

platform::ComPtr<ICalcBase> TessarExt::Base() const
{
    platform::ComPtr<ICalcBase> base;
    if (base_) base_->QueryInterface(IID_ICalcBase, base.PutVoid());
    return base;
}

void TessarExt::AttachEnumerator(ICalcBase* base)
{
    uint32_t typeId = 0;
    if (FAILED(kCalcEnumClassRecord.typeId(&typeId))) return;
    lastTypeId_ = typeId;
    platform::ComPtr<ICalcEnumClass2> enumClass;
    if (FAILED(Framework::GetService(typeId, IID_ICalcEnumClass2, enumClass.PutVoid())) || !enumClass) return;
    platform::ComPtr<ICalcEnum> enumerator;
    const auto creationValue = reinterpret_cast<intptr_t>(host_.Get());
    if (FAILED(enumClass->CreateEnumerator(creationValue, enumerator.Put())) || !enumerator) return;
    base->AttachEnumerator(class_.Get(), channel_, second_, site_.Get(), enumerator.Get());
}

void TessarExt::RebuildUnits(const KVI::UnitInfo& unit)
{
    units_.Reset();
    platform::ComPtr<IUnitsService> service;
    if (FAILED(Framework::GetUnitsService(service.Put())) || !service) return;
    service->CreateUnit(unit.prefix_, unit.name_.Interface(), unit.flag_, units_.Put());
    if (!units_) return;
    platform::ComPtr<IUnitList> list;
    if (SUCCEEDED(Framework::GetUnitList(list.Put())) && list) list->Add(0, units_.Get(), nullptr);
}

HRESULT TessarExt::NotifySite()
{
    if (!site_) return S_OK;
    platform::ComPtr<IUnknown> notify;
    if (base_) base_->QueryInterface(IID_ICalcBaseNotify, notify.PutVoid());
    return site_->SettingsChanged(channel_, second_, kSettingsChangedFlags, notify.Get());
}

}  // namespace Tessar
