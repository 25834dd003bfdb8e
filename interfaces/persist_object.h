// IPersistObject: an object that the host stores inside its documents through its object
// streams (object_streams.h). Implemented by the calibration settings, unit entries and
// tabulated data.
#pragma once

#include <cstdint>

#include "interfaces/object_streams.h"
#include "platform/unknown.h"

constexpr IID IID_IPersistObject = platform::Guid("{7B3091F0-7395-11D2-81F7-00C0DFE13362}");

struct IPersistObject : IUnknown {
    // [in] stream positioned at the object's stored form. S_OK, or a failure; what a failure
    // leaves behind is stated by each implementation.
    virtual HRESULT Load(IObjectInStream* stream) = 0;  // 3
    // [in] stream to append the stored form to. S_OK, or E_FAIL when the stream failed.
    virtual HRESULT Save(IObjectOutStream* stream) = 0;  // 4
    // [out] the type identifier the framework knows the object's class by: the registry's
    // 16-bit identifier of the class's type GUID in the high word, a class-specific low word.
    virtual HRESULT GetTypeId(uint32_t* out) = 0;  // 5

protected:
    ~IPersistObject() = default;
};
