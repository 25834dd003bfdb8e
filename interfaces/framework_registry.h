// The host framework's registry: one class object, found with CoGetClassObject under its CLSID,
// that maps type GUIDs to 16-bit identifiers and, under a second IID, is the object factory.
#pragma once

#include <cstdint>

#include "interfaces/class_objects.h"
#include "platform/unknown.h"

constexpr CLSID CLSID_FrameworkRegistry = platform::Guid("{818DA440-8037-11D3-80BC-005004AD3C53}");
constexpr IID IID_IFrameworkRegistry = platform::Guid("{E5140871-1524-11D1-8CCE-00C0D1570D74}");
constexpr IID IID_IObjectFactory = platform::Guid("{3CAD4551-2F23-11D1-8CE9-00C0D1570D74}");

struct IFrameworkRegistry : IUnknown {
    // [in] type: a type GUID. [out] its identifier, stable for the run. S_OK, or a failure.
    virtual HRESULT GetTypeIdentifier(REFGUID type, uint16_t* out) = 0;  // 3

protected:
    ~IFrameworkRegistry() = default;
};

struct IObjectFactory : IUnknown {
    // Creates an object of a registered type. [in] outer: the aggregating object or null;
    // typeId: the type identifier (registry identifier << 16 | low word); iid: the interface
    // wanted. [out] the object under iid.
    virtual HRESULT CreateObject(IUnknown* outer, uint32_t typeId, REFIID iid, void** out) = 0;  // 3
    virtual HRESULT Reserved4() = 0;                                                                // 4
    // [out] the service object (or registered class object) of a type, under iid.
    virtual HRESULT GetService(uint32_t typeId, REFIID iid, void** out) = 0;  // 5
    // Registers a class object; the factory takes a reference.
    virtual HRESULT RegisterClassObject(IZORClassObject* classObject) = 0;  // 6

protected:
    ~IObjectFactory() = default;
};
