// The host's settings object: named values that components ask the host about, such as whether
// the application window is visible (pop-up messages are shown only then). It is a service
// object of the framework's object factory:
//
//   GetService((identifier of TYPE_HostSettings) << 16, IID_IHostSettings, &settings)
//
// Keys are compared without regard to ASCII case, as registry keys are.
#pragma once

#include <cstdint>

#include "foundation/kvi_string.h"
#include "platform/unknown.h"
#include "platform/variant.h"

// Type and IID chosen by this system (the host's are not known to it).
constexpr GUID TYPE_HostSettings = platform::Guid("{71A1C3B0-73D5-45AD-ACC9-6434503226AF}");
constexpr IID IID_IHostSettings = platform::Guid("{B7885B0A-BC67-477B-8DC5-C39055DE6C43}");

// True while the host's application window is shown. The host sets it when its main window
// appears and clears it when the window goes; a host without a window (batch use) leaves it
// false.
constexpr char16_t kApplicationVisibleKey[] = u"kvi\\application\\visible";

struct IHostSettings : IUnknown {
    // [in] key. [out] the value: VARIANT_TRUE or VARIANT_FALSE. S_OK when the host knows the
    // key; S_FALSE and VARIANT_FALSE when it does not (the caller applies its own default).
    // E_INVALIDARG for a null or empty key, E_POINTER for a null out-pointer.
    virtual HRESULT GetBool(IAutoKVIString* key, VARIANT_BOOL* out) = 0;  // 3
    // [in] key, value (any non-zero value is true). E_INVALIDARG for a null or empty key.
    virtual HRESULT SetBool(IAutoKVIString* key, VARIANT_BOOL value) = 0;  // 4

protected:
    ~IHostSettings() = default;
};
