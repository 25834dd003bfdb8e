// The host objects a calculation talks to: its site (given at creation), the base object that
// the framework creates for it (aggregated, with the calculation as outer unknown), and the
// host's application object obtained from the site. The layouts of the records passed across
// are fixed here.
#pragma once

#include <cstdint>

#include "interfaces/unit_name.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

struct ICalcEnum;
struct ICalculationClass;

// The data format of a calculated channel as the site receives it.
struct ChannelDataFormat {
    double scale = 1.0;
    double offset = 0.0;
    float upperLimit = 0.0f;
    float lowerLimit = 0.0f;
    int32_t decimalPlaces = 2;
    int32_t prefix = 1;  // prefix index (values/units/prefix_table.h)
    int16_t unitFlag = 0;
};

// One source of a calculation as the base object receives it.
struct CalcSourceRecord {
    int32_t channel = 0;
    uint32_t flags = 0;
    uint32_t third = 0;
};

// IID chosen by this system (the host's is not known to it).
constexpr IID IID_ICalcSite = platform::Guid("{C0F4F55C-FBCB-4F61-BF6A-CF2C6284F306}");

struct ICalcSite : IUnknown {
    virtual HRESULT Reserved3() = 0;  // 3
    // Builds a units object for a data format. [in] format; name: unit name without prefix.
    // [out] the units object.
    virtual HRESULT CreateUnits(const ChannelDataFormat* format, IAutoKVIString* name, int32_t zero1, int32_t zero2,
                                IUnitName** out) = 0;  // 4
    virtual HRESULT Reserved5() = 0;                   // 5
    virtual HRESULT Reserved6() = 0;                   // 6
    virtual HRESULT Reserved7() = 0;                   // 7
    virtual HRESULT Reserved8() = 0;                   // 8
    // Tells the host that a calculation's settings changed. [in] baseNotify: the base
    // object's IID_ICalcBaseNotify interface.
    virtual HRESULT SettingsChanged(int32_t channel, int32_t second, uint32_t flags, IUnknown* baseNotify) = 0;  // 9
    virtual HRESULT Reserved10() = 0;                                                                         // 10
    virtual HRESULT Reserved11() = 0;                                                                         // 11
    // [out] the host's application object, reference added.
    virtual HRESULT GetHostObject(IUnknown** out) = 0;  // 12

protected:
    ~ICalcSite() = default;
};

// The calculation's base object: created by the object factory for type
// (identifier of TYPE_CalcBase) << 16 | 17, aggregated with the calculation as outer unknown.
constexpr GUID TYPE_CalcBase = platform::Guid("{C203FC30-7AAA-11D3-80B9-005004AD3C53}");
constexpr IID IID_ICalcBase = platform::Guid("{4021A447-7899-11D4-8110-00A0C9E26433}");
constexpr IID IID_ICalcBaseNotify = platform::Guid("{4021A446-7899-11D4-8110-00A0C9E26433}");

struct ICalcBase : IUnknown {
    // [in] count sources, their records, and the two doubles (1/scale, -offset*scale) of
    // the channel's data format.
    virtual HRESULT SetSources(int32_t count, const CalcSourceRecord* sources, double a, double b) = 0;  // 3
    // [out] a string filled by the base object (not used further by the module).
    virtual HRESULT GetDescription(IAutoKVIString** out) = 0;  // 4
    // [in] the calculation's settings text form.
    virtual HRESULT SetSettingsText(IAutoKVIString* text) = 0;  // 5
    virtual HRESULT Reserved6() = 0;                             // 6
    // Attaches a sample enumerator to the calculation.
    virtual HRESULT AttachEnumerator(ICalculationClass* calcClass, int32_t channel, int32_t second, IUnknown* site,
                                     ICalcEnum* enumerator) = 0;  // 7

protected:
    ~ICalcBase() = default;
};

// The host's application object, as obtained from the site.
constexpr IID IID_IHostApplication = platform::Guid("{AD6CD303-7868-4A12-B4AE-97C02EE8F5E3}");

struct IHostApplication : IUnknown {
    virtual HRESULT Reserved3() = 0;  // 3
    virtual HRESULT Reserved4() = 0;  // 4
    virtual HRESULT Reserved5() = 0;  // 5
    virtual HRESULT Reserved6() = 0;  // 6
    virtual HRESULT Reserved7() = 0;  // 7
    virtual HRESULT Reserved8() = 0;  // 8
    // Called when a calculation hands out its data format: 0, then the first and the sixth
    // argument of IChannelCalc::GetDataFormat.
    virtual HRESULT DataFormatRequested(int32_t zero, int32_t first, int32_t sixth) = 0;  // 9

protected:
    ~IHostApplication() = default;
};
