// Access to the host framework (interfaces/framework_registry.h): the one place where the
// module reaches the framework's registry, object factory and services, starts the framework
// library when the host has not, and caches the type identifiers of its classes.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/framework_registry.h"
#include "interfaces/unit_list.h"
#include "platform/unknown.h"

namespace Tessar {

class Framework {
public:
    // The registry's class object under iid (IID_IFrameworkRegistry, IID_IObjectFactory, ...),
    // fetched with CoGetClassObject (context 23). [out] a new reference, null on failure.
    // Returns the fetch's result (E_POINTER for a null out-pointer).
    //
    // When the registry is not registered, the framework is started first, once per module:
    // OleInitialize (S_FALSE counts as success), then "libzor.so" from the executable's
    // directory is loaded, its DllGetClassObject asked for the registry's class object, which
    // is registered with CoRegisterClassObject (in-process, multiple use), and the fetch is
    // repeated.
    // Raises XKVI when OleInitialize fails, XHResult when DllGetClassObject or the registration
    // fails (the caller's interface slot turns them into its result). When the library or its
    // export is missing, shows "Vello load failed" / "Vello failed to load <path>" and ends
    // the process with exit code -1.
    static HRESULT GetRegistry(REFIID iid, void** out);

    // [out] the registry's 16-bit identifier of a type GUID. Raises as GetRegistry.
    static HRESULT TypeIdentifier(REFGUID type, uint16_t* out);

    // The object factory's service of a type (IObjectFactory slot 5). [out] a new reference
    // under iid, null on failure. Raises as GetRegistry.
    static HRESULT GetService(uint32_t typeId, REFIID iid, void** out);

    // The units service: the factory's service of type (identifier of TYPE_UnitsService) << 16
    // under IID_IUnitsService. Raises as GetRegistry.
    static HRESULT GetUnitsService(IUnitsService** out);

    // The host's unit list: slot 3 (with 0) of the class object of CLSID_FrameworkServices
    // under IID_IUnitListSource. REGDB_E_CLASSNOTREG when the host offers none.
    static HRESULT GetUnitList(IUnitList** out);

    // Module exit: undoes the OleInitialize of the framework start, if it ran.
    static void Shutdown();
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
    // so a later call asks again). E_POINTER for a null out-pointer. Raises nothing: a failed
    // framework start comes back as its result.
    HRESULT Get(uint32_t* out);

private:
    GUID type_;
    uint16_t lowWord_;
    // kKnown | identifier once obtained; 0 until then.
    static constexpr uint64_t kKnown = uint64_t(1) << 32;
    std::atomic<uint64_t> value_{0};
};

}  // namespace Tessar
