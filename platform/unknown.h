// IUnknown: slots 0 to 2 of every interface. Interfaces are structs of pure virtual methods in
// slot order and have no virtual destructor, so slot N is the N-th declared method.
#pragma once

#include <cstdint>

#include "platform/guid.h"
#include "platform/hresult.h"

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;  // slot 0
    virtual uint32_t AddRef() = 0;                                // slot 1: the new count
    virtual uint32_t Release() = 0;                               // slot 2: the new count

protected:
    ~IUnknown() = default;
};

constexpr IID IID_IUnknown = platform::Guid("{00000000-0000-0000-C000-000000000046}");

// A class object as DllGetClassObject hands it out.
using DllGetClassObjectFn = HRESULT (*)(REFCLSID clsid, REFIID iid, void** out);
