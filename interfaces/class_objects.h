// The class-object interfaces: what the framework registry holds for each registered class
// (IZORClassObject) and the main interfaces of the module's three class objects: the
// calculation class, the settings class and the enumerator class. Slots 3 to 6 are common.
#pragma once

#include <cstdint>

#include "interfaces/object_streams.h"
#include "interfaces/persist_object.h"
#include "foundation/kvi_string.h"
#include "platform/bstr.h"
#include "platform/unknown.h"

struct ICalcSite;

// IID chosen by this system (the framework's is not known to it).
// Class kinds (IGenericClassObject::GetClassKind) by which the framework sorts class objects.
constexpr GUID KIND_CalculationClass = platform::Guid("{5388E470-F2ED-11D2-809C-00A0C9E26433}");
constexpr GUID KIND_SettingsClass = platform::Guid("{E058F3B0-DCE3-11D3-80E8-00A0C9E26433}");
constexpr GUID KIND_CalcEnumClass = platform::Guid("{8FC37F03-9357-11D4-8112-00A0C9E26433}");

constexpr IID IID_IZORClassObject = platform::Guid("{ACA6CFD8-B68B-44C1-A828-E28C31A2B6D3}");

// What the object factory's RegisterClassObject takes: a handle on a class object.
struct IZORClassObject : IUnknown {
    // [out] the class object's main interface, reference added.
    virtual HRESULT GetClassObject(IUnknown** out) = 0;  // 3

protected:
    ~IZORClassObject() = default;
};

constexpr IID IID_IGenericClassObject = platform::Guid("{2EC7CEA3-1D34-11D2-B333-008048C36FE8}");

struct IGenericClassObject : IUnknown {
    // [out] the class's type identifier (registry identifier << 16 | the class's low word).
    virtual HRESULT GetTypeId(uint32_t* out) = 0;  // 3
    // The class's kind GUID; the pointer stays valid for the life of the class object.
    virtual const GUID* GetClassKind() = 0;  // 4
    // [in, out] freed first, then a new BSTR of the class name (null for an empty name).
    virtual HRESULT GetClassNameBstr(BSTR* out) = 0;  // 5
    // S_OK (0) when kind is the class's kind GUID, else S_FALSE (1).
    virtual HRESULT IsClassKind(REFGUID kind) = 0;  // 6

protected:
    ~IGenericClassObject() = default;
};

constexpr IID IID_ICalculationClass = platform::Guid("{CA800C32-F889-11D3-80EE-00A0C9E26433}");
// What CreateCalculation hands back: the calculation as the host sees it (answered by the
// calculation's aggregated base object).
constexpr IID IID_ICalculation = platform::Guid("{CA800C31-F889-11D3-80EE-00A0C9E26433}");

struct ICalculationClass : IGenericClassObject {
    // [out] new string references.
    virtual HRESULT GetClassName(IAutoKVIString** out) = 0;         // 7
    virtual HRESULT GetClassDescription(IAutoKVIString** out) = 0;  // 8
    // [out] always 0.
    virtual HRESULT Reserved9(uint32_t* out) = 0;  // 9
    // Runs the settings dialog for a channel. [in] parentWindow: the host's window (a QWidget*
    // here); document: the host's document interface; channel: 0-based; hostObject: passed on
    // to the dialog; current: the channel's settings or null. [out] settings: the edited
    // settings, reference added. S_OK after OK, S_FALSE after Cancel, E_FAIL when refused.
    virtual HRESULT EditSettings(void* parentWindow, int32_t ignored1, IUnknown* document, int32_t ignored2,
                                 int32_t channel, IUnknown* hostObject, IPersistObject* current,
                                 IPersistObject** settings) = 0;  // 10
    // [in] channel: 0-based; second: a value kept by the calculation; site: the calculation's
    // site. [out] the new calculation under IID_ICalculation. E_FAIL (out null) without a site.
    virtual HRESULT CreateCalculation(int32_t channel, int32_t second, ICalcSite* site, IUnknown** out) = 0;  // 11

protected:
    ~ICalculationClass() = default;
};

// The settings class answers both IIDs with its main interface.
constexpr IID IID_ISettingsClass = platform::Guid("{3AAE4790-6DF9-11D2-81EF-00C0DFE13362}");
constexpr IID IID_ISettingsClassAlt = platform::Guid("{5FCB46F0-0B1D-11D2-B325-008048C36FE8}");

struct ISettingsClass : IGenericClassObject {
    // [in] iid: the interface wanted. [out] a new default settings object under iid.
    virtual HRESULT CreateSettings(IUnknown* ignored, REFIID iid, void** out) = 0;  // 7
    // [in] stream: a stored form. [out] a new settings object loaded from it, returned whatever
    // Load answered. Returns Load's result.
    virtual HRESULT LoadSettings(IUnknown* ignored, IObjectInStream* stream, IPersistObject** out) = 0;  // 8

protected:
    ~ISettingsClass() = default;
};

struct ICalcEnum;

constexpr IID IID_ICalcEnumClass2 = platform::Guid("{48436189-60B9-47D1-A159-6BF8B43E294F}");

struct ICalcEnumClass2 : IGenericClassObject {
    virtual HRESULT GetClassName(IAutoKVIString** out) = 0;         // 7
    virtual HRESULT GetClassDescription(IAutoKVIString** out) = 0;  // 8
    // [out] always 0.
    virtual HRESULT Reserved9(uint32_t* out) = 0;  // 9
    // [out] always null; E_NOTIMPL.
    virtual HRESULT Reserved10(IUnknown** out) = 0;  // 10
    // [in] creationValue: a value (a host object's address) kept by the enumerator.
    // [out] a new enumerator under ICalcEnum.
    virtual HRESULT CreateEnumerator(intptr_t creationValue, ICalcEnum** out) = 0;  // 11
    // [in] outer: the aggregating object, or null for a plain enumerator. [out] the inner
    // (non-delegating) unknown of the aggregated enumerator, or a plain one under IUnknown.
    virtual HRESULT CreateAggregatedEnumerator(IUnknown* outer, intptr_t creationValue, IUnknown** out) = 0;  // 12

protected:
    ~ICalcEnumClass2() = default;
};
