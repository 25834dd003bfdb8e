// Access to the host framework's registry (calibration/host/framework_registry.h): the one
// place where the module reaches the framework, and the cached type identifiers of its
// classes.
#pragma once

#include <atomic>
#include <cstdint>

#include "calibration/host/framework_registry.h"
#include "platform/unknown.h"

namespace Tessar {

class Framework {
public:
    // The registry's class object under iid (IID_IFrameworkRegistry, IID_IObjectFactory, ...),
    // fetched with CoGetClassObject (context 23). [out] a new reference, null on failure.
    // Returns CoGetClassObject's result.
    // NOTE: does not yet start the framework library when the registry is not registered
    // (REGDB_E_CLASSNOTREG is returned); that start belongs in this function.
    static HRESULT GetRegistry(REFIID iid, void** out);

    // [out] the registry's 16-bit identifier of a type GUID.
    static HRESULT TypeIdentifier(REFGUID type, uint16_t* out);
};

// A class's type identifier: (registry identifier of the type GUID) << 16 | low word,
// obtained on first success and kept for the life of the module. Thread-safe; threads that
// race on the first request may each ask the registry, which answers them alike.
class CachedTypeId {
public:
    constexpr CachedTypeId(const GUID& type, uint16_t lowWord) : type_(type), lowWord_(lowWord) {}
    CachedTypeId(const CachedTypeId&) = delete;
    CachedTypeId& operator=(const CachedTypeId&) = delete;

    // [out] the identifier; 0 on failure. S_OK, or the registry's failure (nothing is kept,
    // so a later call asks again). E_POINTER for a null out-pointer.
    HRESULT Get(uint32_t* out);

private:
    GUID type_;
    uint16_t lowWord_;
    // kKnown | identifier once obtained; 0 until then.
    static constexpr uint64_t kKnown = uint64_t(1) << 32;
    std::atomic<uint64_t> value_{0};
};

}  // namespace Tessar
