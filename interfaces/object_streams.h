// The host's object streams: the framework hands an IObjectInStream to IPersistObject::Load and
// an IObjectOutStream to IPersistObject::Save. A stream keeps a status: once any operation
// fails, every later one fails too and GetStatus reports the failure. Only reading back, in
// order and with matching operations, what was written is relied on; how a stream lays the
// values out is the host's business.
//
// Slots that this system never calls carry neutral Reserved names so that the slot numbers line
// up with the host's tables; the host's streams answer them with E_NOTIMPL.
#pragma once

#include <cstdint>

#include "foundation/kvi_string.h"
#include "platform/unknown.h"

// IID chosen by this system (the host's is not known to it).
constexpr IID IID_IObjectInStream = platform::Guid("{CDEE4559-FFDE-40DE-BA7A-88444A21DCAF}");
constexpr IID IID_IObjectOutStream = platform::Guid("{59C776FC-8674-4E13-A8AF-48FEC9615D5A}");

struct IObjectInStream : IUnknown {
    // S_OK while every read so far succeeded; a failure code (E_FAIL) once one failed.
    virtual HRESULT GetStatus() = 0;  // 3
    virtual HRESULT Reserved4() = 0;  // 4
    virtual HRESULT Reserved5() = 0;  // 5
    virtual HRESULT Reserved6() = 0;  // 6
    virtual HRESULT Reserved7() = 0;  // 7
    // Reads return S_OK and the value, or a failure (E_FAIL at the end of the data or when the
    // next stored value is of another kind; E_POINTER for a null out-pointer).
    virtual HRESULT ReadUInt32(uint32_t* out) = 0;  // 8
    virtual HRESULT ReadFloat(float* out) = 0;      // 9
    virtual HRESULT ReadDouble(double* out) = 0;    // 10
    virtual HRESULT Reserved11() = 0;               // 11
    virtual HRESULT Reserved12() = 0;               // 12
    virtual HRESULT Reserved13() = 0;               // 13
    virtual HRESULT Reserved14() = 0;               // 14
    virtual HRESULT Reserved15() = 0;               // 15
    virtual HRESULT Reserved16() = 0;               // 16
    virtual HRESULT Reserved17() = 0;               // 17
    // [out] a new string reference owned by the caller; null on failure.
    virtual HRESULT ReadString(IAutoKVIString** out) = 0;  // 18
    virtual HRESULT Reserved19() = 0;                      // 19
    virtual HRESULT Reserved20() = 0;                      // 20
    // Reads a 32-bit value written with WriteUInt32 back as signed.
    virtual HRESULT ReadInt32(int32_t* out) = 0;  // 21

protected:
    ~IObjectInStream() = default;
};

struct IObjectOutStream : IUnknown {
    // S_OK while every write so far succeeded; a failure code (E_FAIL) once one failed.
    virtual HRESULT GetStatus() = 0;  // 3
    virtual HRESULT Reserved4() = 0;  // 4
    virtual HRESULT Reserved5() = 0;  // 5
    virtual HRESULT Reserved6() = 0;  // 6
    virtual HRESULT Reserved7() = 0;  // 7
    virtual HRESULT Reserved8() = 0;  // 8
    virtual HRESULT WriteUInt32(uint32_t value) = 0;  // 9
    virtual HRESULT WriteFloat(float value) = 0;      // 10
    virtual HRESULT WriteDouble(double value) = 0;    // 11
    virtual HRESULT Reserved12() = 0;                 // 12
    virtual HRESULT Reserved13() = 0;                 // 13
    virtual HRESULT Reserved14() = 0;                 // 14
    virtual HRESULT Reserved15() = 0;                 // 15
    virtual HRESULT Reserved16() = 0;                 // 16
    virtual HRESULT Reserved17() = 0;                 // 17
    virtual HRESULT Reserved18() = 0;                 // 18
    // [in] the text; a null pointer writes the empty string. The stream takes no reference
    // beyond the call.
    virtual HRESULT WriteString(IAutoKVIString* text) = 0;  // 19

protected:
    ~IObjectOutStream() = default;
};
