// Tessar::TessarExt: the calculation of one calibrated channel. It holds the channel's settings
// (TessarExt::Settings, one CalibrationData), tells the host the channel's unit, scale and
// source, and hands the host the settings' text form, which the host gives to every sample
// enumerator (tessar_enum.h).
//
// The host creates it through the calculation class (CreateCalculation). At construction it
// asks its site for the host's application object and has the framework's object factory
// create the base object, aggregated with the calculation as outer unknown: QueryInterface
// answers IUnknown and IChannelCalc itself and passes every other IID to the base object.
//
// NOTE: the base object's second interface (IID_ICalcBase) and its notification interface are
// asked of the base object whenever they are used rather than kept: an interface of an
// aggregated object counts on its outer unknown, so keeping one would keep the calculation
// alive by itself.
//
// A calculation is driven by one thread at a time; its members change only in ApplySettings
// and SetSettings. Every slot catches what the module raises and returns it as its result.
#pragma once

#include <cstdint>

#include "calibration/channel_calc_base.h"
#include "interfaces/calc_site.h"
#include "interfaces/class_objects.h"
#include "calibration/tessar_settings.h"
#include "foundation/kvi_string.h"
#include "platform/com_ptr.h"

namespace Tessar {

class TessarExt final : public CalcEnums::ChannelCalcBase {
public:
    using Settings = TessarSettings;

    // The low word of the type identifier of the base object the framework creates for a
    // calculation (its type GUID is TYPE_CalcBase).
    static constexpr uint16_t kBaseObjectLowWord = 17;
    // What ApplySettings tells the site, and the source flags it gives the base object.
    static constexpr uint32_t kSettingsChangedFlags = 0x40000000;
    static constexpr uint32_t kOwnChannelSourceFlags = 0x80005001;
    static constexpr uint32_t kOtherChannelSourceFlags = 0xC0005000;
    static constexpr uint32_t kSourceThirdWord = 0x80000000;
    static constexpr uint32_t kCalcFlags = 0x10000000;

    // [in] site: the calculation's site (a reference is kept; must not be null); calcClass:
    // the class object that creates it; channel: the calculated channel (0-based), also the
    // source channel of the initial settings; second: a value the host gives and gets back.
    // The count starts at 0. Raises what the framework start raises (Framework::GetRegistry).
    TessarExt(ICalcSite* site, ICalculationClass* calcClass, int32_t channel, int32_t second);

    // IUnknown. E_POINTER for a null out-pointer; E_NOINTERFACE (out null) for an IID that
    // neither the calculation nor its base object answers.
    HRESULT QueryInterface(REFIID iid, void** out) override;

    // Slot 3. On the first call asks the site (CreateUnits) for the units object of the data
    // format and the settings' unit name, and keeps it. [out] units: that object, reference
    // added; record: 1, 0, 1, 0 and 0.0; result: 0. Tells the host's application object
    // (DataFormatRequested: 0, first, sixth). S_OK; the site's failure when it builds no units
    // object; E_POINTER for a null out-pointer.
    HRESULT GetDataFormat(int32_t first, int32_t ignored1, int32_t ignored2, IUnitName** units,
                          CalcFormatRecord* record, int32_t sixth, int32_t* result) override;
    // Slot 4. [in] settings: an object answering IPersistObject; flags: non-zero low 16 bits
    // attach a new enumerator to the base object. S_FALSE, with nothing changed, when the
    // object has no IPersistObject or its record equals the current one; E_INVALIDARG when it
    // is not a settings object of this module. Otherwise the steps below, then the site's
    // answer to the change notification:
    //   1. the base object's GetDescription; with the flags, an enumerator from the
    //      enumerator class (found through the object factory's GetService) is attached;
    //   2. the data format (data_format.h) and a new units object from the host's units
    //      service, added to the host's unit list;
    //   3. the base object gets the one source (the settings' channel, the source flags, the
    //      two doubles of the data format) and the settings' text form;
    //   4. the settings object is kept (reference added, the old one released);
    //   5. the site's SettingsChanged(channel, second, 0x40000000, base notification).
    HRESULT ApplySettings(IUnknown* settings, uint32_t flags) override;
    // Slot 5. Replaces the settings by a new copy of the given ones. S_OK; E_POINTER for null,
    // E_INVALIDARG for an object that is not this module's settings.
    HRESULT SetSettings(int32_t ignored, IPersistObject* settings) override;
    // Slot 6. [out] the current settings, reference added. S_OK or E_POINTER.
    HRESULT GetSettings(IPersistObject** out) override;
    // Slot 7. [out] 0x10000000. S_OK or E_POINTER.
    HRESULT GetCalcFlags(uint32_t* out) override;

private:
    ~TessarExt() override;

    platform::ComPtr<ICalcBase> Base() const;
    void AttachEnumerator(ICalcBase* base);
    void RebuildUnits(const KVI::UnitInfo& unit);
    HRESULT NotifySite();

    // The base object's inner (non-delegating) unknown.
    platform::ComPtr<IUnknown> base_;
    platform::ComPtr<IHostApplication> host_;
    platform::ComPtr<ICalcSite> site_;
    platform::ComPtr<ICalculationClass> class_;
    int32_t channel_;
    int32_t second_;
    ChannelDataFormat format_;
    platform::ComPtr<IUnitName> units_;
    uint32_t lastTypeId_ = 0;  // the enumerator class's, once an enumerator was attached
    platform::ComPtr<Settings> settings_;
    KVI::String description_;  // what the base object's GetDescription filled in
};

// The module's settings object behind an interface, or null when the object is another kind
// of IPersistObject (or null).
TessarSettings* SettingsOf(IPersistObject* object);

}  // namespace Tessar
