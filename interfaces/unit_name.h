// IUnitName: a unit as the host's unit list and units service know it: a flag, a prefix index
// (values/units/prefix_table.h) and a name without prefix. KVI::UnitEntry implements it.
#pragma once

#include <cstdint>

#include "foundation/kvi_string.h"
#include "platform/unknown.h"

// IID chosen by this system (the host's is not known to it).
constexpr IID IID_IUnitName = platform::Guid("{E8A46AF9-30A5-44CF-90AF-FDCA723C4224}");

struct IUnitName : IUnknown {
    // [out] prefix index 0..14. E_INVALIDARG for a null out-pointer.
    virtual HRESULT GetPrefix(int32_t* out) = 0;  // 3
    // [in] withPrefix: non-zero for the display text (prefix letter, then name), zero for the
    // name alone. [out] a new string reference.
    virtual HRESULT GetText(int32_t withPrefix, IAutoKVIString** out) = 0;  // 4
    // [out] the flag, 0 or 1.
    virtual HRESULT GetFlag(int32_t* out) = 0;  // 5
    virtual HRESULT SetPrefix(int32_t prefix) = 0;  // 6
    // [in] the name without prefix; null sets the empty name.
    virtual HRESULT SetName(IAutoKVIString* name) = 0;  // 7
    // [in] any non-zero value is stored as 1.
    virtual HRESULT SetFlag(int32_t flag) = 0;  // 8
    // [out] a new unit with the same flag, prefix and name, one reference held by the caller.
    virtual HRESULT Clone(IUnitName** out) = 0;  // 9

protected:
    ~IUnitName() = default;
};
