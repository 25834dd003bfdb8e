// The host's unit list (the units the user may pick, including user-defined ones), its
// enumerator, the framework class object that hands the list out, and the units service that
// builds unit objects. Every unit-list operation takes 0 as its first argument.
#pragma once

#include <cstdint>

#include "interfaces/unit_name.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

// IIDs chosen by this system (the host's are not known to it).
constexpr IID IID_IUnitList = platform::Guid("{B676C04F-BC70-432B-A14E-9567E81D0BFA}");
constexpr IID IID_IEnumUnits = platform::Guid("{1CA58D9E-8374-45C9-A089-66E5E37FE909}");

struct IEnumUnits : IUnknown {
    // [in] requested: at most this many units. [out] units: the array receives up to requested
    // unit references, each owned by the caller; delivered: how many. S_OK when requested were
    // delivered, S_FALSE when fewer (0 at the end).
    virtual HRESULT Next(uint32_t requested, IUnitName** units, uint32_t* delivered) = 0;  // 3

protected:
    ~IEnumUnits() = default;
};

struct IUnitList : IUnknown {
    virtual HRESULT GetCount(int32_t zero, int32_t* count) = 0;               // 3
    virtual HRESULT GetEnumerator(int32_t zero, IEnumUnits** out) = 0;        // 4
    // [out] index of a unit equal to unit; a failure result when there is none.
    virtual HRESULT IndexOf(int32_t zero, IUnitName* unit, int32_t* index) = 0;  // 5
    // [out] the unit at index, reference added.
    virtual HRESULT GetAt(int32_t zero, int32_t index, IUnitName** out) = 0;  // 6
    // [out] index (may be null) of the added unit; a failure result when refused.
    virtual HRESULT Add(int32_t zero, IUnitName* unit, int32_t* index) = 0;  // 7
    virtual HRESULT Remove(int32_t zero, IUnitName* unit) = 0;               // 8

protected:
    ~IUnitList() = default;
};

// The framework class whose class object hands out the unit list (and, under another IID, the
// help service).
constexpr CLSID CLSID_FrameworkServices = platform::Guid("{09C5C1C7-6AEE-4EF7-AD48-5301E8BC3775}");
constexpr IID IID_IUnitListSource = platform::Guid("{F77FA56B-F72F-42F8-AF63-E5D83682FE5C}");

struct IUnitListSource : IUnknown {
    // [out] the unit list, reference added.
    virtual HRESULT GetUnitList(int32_t zero, IUnitList** out) = 0;  // 3

protected:
    ~IUnitListSource() = default;
};

// The units service: the object factory's service of type (identifier of
// TYPE_UnitsService) << 16 under IID_IUnitsService.
constexpr GUID TYPE_UnitsService = platform::Guid("{C783D4E3-486B-4B18-AEE6-6F6CBED516D5}");
constexpr IID IID_IUnitsService = platform::Guid("{8CB4ED60-84EB-11D2-8208-00C0DFE13362}");

struct IUnitsService : IUnknown {
    virtual HRESULT Reserved3() = 0;   // 3
    virtual HRESULT Reserved4() = 0;   // 4
    virtual HRESULT Reserved5() = 0;   // 5
    virtual HRESULT Reserved6() = 0;   // 6
    virtual HRESULT Reserved7() = 0;   // 7
    virtual HRESULT Reserved8() = 0;   // 8
    virtual HRESULT Reserved9() = 0;   // 9
    virtual HRESULT Reserved10() = 0;  // 10
    virtual HRESULT Reserved11() = 0;  // 11
    virtual HRESULT Reserved12() = 0;  // 12
    virtual HRESULT Reserved13() = 0;  // 13
    virtual HRESULT Reserved14() = 0;  // 14
    virtual HRESULT Reserved15() = 0;  // 15
    virtual HRESULT Reserved16() = 0;  // 16
    // [in] prefix index, name without prefix, flag. [out] a new unit object.
    virtual HRESULT CreateUnit(int32_t prefix, IAutoKVIString* name, int32_t flag, IUnitName** out) = 0;  // 17

protected:
    ~IUnitsService() = default;
};
