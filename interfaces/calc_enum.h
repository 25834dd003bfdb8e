// ICalcEnum: a sample enumerator of a calculated channel. The host creates one through the
// enumerator class, gives it the calculation's settings text, connects it to its source
// streams and reads calibrated samples through its IEnumFloatEx.
#pragma once

#include <cstdint>

#include "interfaces/class_objects.h"
#include "foundation/kvi_string.h"
#include "platform/unknown.h"

constexpr IID IID_ICalcEnum = platform::Guid("{532954A4-1807-428B-8A2B-8BB7282E74A6}");

struct ICalcEnum : IUnknown {
    // [out] the type identifier of the enumerator's class.
    virtual HRESULT GetTypeId(uint32_t* out) = 0;  // 3
    // [out] the enumerator's class object, reference added.
    virtual HRESULT GetClassObject(ICalcEnumClass2** out) = 0;  // 4
    // [in] text: the calculation's settings text form. [out] flags.
    virtual HRESULT SetSettingsText(IAutoKVIString* text, uint32_t* flags) = 0;  // 5
    // [out] the kept settings text, reference added.
    virtual HRESULT GetSettingsText(IAutoKVIString** out) = 0;  // 6
    // [out] a copy of the enumerator.
    virtual HRESULT Clone(ICalcEnum** out) = 0;  // 7
    // [in] count: number of sources; sources: their sample streams; hostObjects: one host
    // object per source; value: kept and reported by GetSourceInfo. E_FAIL without a usable
    // source stream.
    virtual HRESULT Connect(int32_t count, IUnknown** sources, IUnknown** hostObjects, double value) = 0;  // 8
    virtual HRESULT Seek(int64_t position) = 0;                                                          // 9
    // Releases the source stream.
    virtual HRESULT Disconnect() = 0;  // 10
    // [out] 0x40000000 when flag is non-zero, else 0.
    virtual HRESULT GetFlags(int32_t flag, uint32_t* out) = 0;  // 11
    virtual HRESULT Reserved12() = 0;                           // 12
    virtual HRESULT Reserved13() = 0;                           // 13
    // [out] the value given to Connect and the unit object, reference added.
    virtual HRESULT GetSourceInfo(double* value, IUnknown** unit) = 0;  // 14
    // [out] always 0.
    virtual HRESULT Reserved15(uint32_t* out) = 0;  // 15
    // [out] always 0x801B0001.
    virtual HRESULT Reserved16(uint32_t* out) = 0;  // 16
    // Forwarded to slot 7 of the source stream.
    virtual HRESULT Reserved17() = 0;  // 17
    // The host's destructor slot: destroys the enumerator.
    virtual void Destroy() = 0;  // 18

protected:
    ~ICalcEnum() = default;
};
