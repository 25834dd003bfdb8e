// The framework library's one export, DllGetClassObject, and what happens when it is loaded.
#include <mutex>

#include "interfaces/framework_registry.h"
#include "interfaces/unit_list.h"
#include "host/zor/framework_services.h"
#include "host/zor/host_strings.h"
#include "host/zor/registry.h"

namespace {

// The host's string table is there as soon as the library is: components may load its texts
// before they ever call the framework.
[[maybe_unused]] const bool kStringsRegistered = (Zor::RegisterHostStrings(), true);

}  // namespace

// The class objects of the framework: the registry (CLSID_FrameworkRegistry) and the framework
// class (CLSID_FrameworkServices). The first call also registers the framework class with the
// platform's class-object table, where components look for it; the registry is registered by
// whoever loaded the library, as the host's start-up does. CLASS_E_CLASSNOTAVAILABLE for any
// other CLSID, E_POINTER for a null out-pointer.
extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        static std::once_flag started;
        std::call_once(started, [] { Zor::FrameworkServices::Instance()->EnsureRegistered(); });
        if (clsid == CLSID_FrameworkRegistry) return Zor::Registry::Instance()->QueryInterface(iid, out);
        if (clsid == CLSID_FrameworkServices) return Zor::FrameworkServices::Instance()->QueryInterface(iid, out);
        return CLASS_E_CLASSNOTAVAILABLE;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
