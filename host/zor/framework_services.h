// Zor::FrameworkServices: the class object of the framework class CLSID_FrameworkServices
// (interfaces/unit_list.h), which components find with CoGetClassObject. Under
// IID_IUnitListSource it hands out the host's unit list, and under IID_IHelpService the help
// service when the windowing services are installed (gui/optional_services.h). One per process,
// never freed.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/unit_list.h"

namespace Zor {

class FrameworkServices final : public IUnitListSource {
public:
    static FrameworkServices* Instance();

    // Registers the object with the platform's class-object table under
    // CLSID_FrameworkServices unless something is registered there already. S_OK, or the
    // table's failure.
    HRESULT EnsureRegistered();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    // Counted, but the object is never freed.
    uint32_t AddRef() override;
    uint32_t Release() override;

    // [out] the framework's unit list (unit_list.h in this folder), reference added.
    HRESULT GetUnitList(int32_t zero, IUnitList** out) override;

private:
    FrameworkServices() = default;
    ~FrameworkServices() = default;

    std::atomic<int32_t> refs_{1};
};

}  // namespace Zor
