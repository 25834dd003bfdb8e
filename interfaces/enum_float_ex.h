// IEnumFloatEx: a stream of float samples (a channel's samples, or a calculation's output).
#pragma once

#include <cstdint>

#include "platform/unknown.h"

constexpr IID IID_IEnumFloatEx = platform::Guid("{4236EDC0-23A0-11D3-80CA-00A0C9E26433}");

struct IEnumFloatEx : IUnknown {
    // Moves the position by count samples (negative: back).
    virtual HRESULT Skip(int64_t count) = 0;  // 3
    virtual HRESULT Reset() = 0;              // 4
    // [out] the position of the next sample.
    virtual HRESULT GetPosition(int64_t* out) = 0;  // 5
    virtual HRESULT Reserved6() = 0;                // 6
    virtual HRESULT Reserved7() = 0;                // 7
    // [in] count: samples wanted; buffer: room for count floats. [out] returned: samples
    // delivered. S_OK when count were delivered, else S_FALSE or a failure.
    virtual HRESULT Next(uint32_t count, float* buffer, uint32_t* returned) = 0;  // 8
    // [out] an independent copy at the same position.
    virtual HRESULT Clone(IEnumFloatEx** out) = 0;  // 9

protected:
    ~IEnumFloatEx() = default;
};
