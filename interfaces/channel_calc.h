// IChannelCalc: a calculation of one calculated channel, as the host drives it.
#pragma once

#include <cstdint>

#include "interfaces/persist_object.h"
#include "interfaces/unit_name.h"
#include "platform/unknown.h"

// What GetDataFormat fills in for the host.
struct CalcFormatRecord {
    int32_t values[4] = {};
    double value = 0.0;
};

constexpr IID IID_IChannelCalc = platform::Guid("{8FC37F01-9357-11D4-8112-00A0C9E26433}");

struct IChannelCalc : IUnknown {
    // [out] units: the channel's units object, reference added; record: filled; result: 0.
    virtual HRESULT GetDataFormat(int32_t first, int32_t ignored1, int32_t ignored2, IUnitName** units,
                                  CalcFormatRecord* record, int32_t sixth, int32_t* result) = 0;  // 3
    // [in] settings: an object answering IPersistObject. S_FALSE when it has none or equals the
    // current settings (nothing changes).
    virtual HRESULT ApplySettings(IUnknown* settings, uint32_t flags) = 0;  // 4
    // [in] settings: replaced by a copy of these.
    virtual HRESULT SetSettings(int32_t ignored, IPersistObject* settings) = 0;  // 5
    // [out] the current settings, reference added.
    virtual HRESULT GetSettings(IPersistObject** out) = 0;  // 6
    virtual HRESULT GetCalcFlags(uint32_t* out) = 0;        // 7
    // [out] null; E_NOTIMPL.
    virtual HRESULT Reserved8(IUnknown** out) = 0;  // 8
    virtual HRESULT Reserved9(IUnknown** out) = 0;  // 9
    virtual HRESULT Reserved10() = 0;               // 10

protected:
    ~IChannelCalc() = default;
};
