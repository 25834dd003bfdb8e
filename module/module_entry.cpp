// The module's entry points: DllRegisterClassObjects, its one export, and the module object that
// static construction builds when the host loads the module and static destruction removes at
// unload.
#include "module/class_object_list.h"
#include "calibration/framework.h"
#include "foundation/kvi_string.h"
#ifdef TESSAR_MODULE_WITH_QT
#include "foundation/gui/application_visibility.h"
#include "foundation/gui/qt_message_presenter.h"
#include "module/host_visibility.h"
#endif

namespace {

class ModuleInstance {
public:
    ModuleInstance()
    {
        // Registers the module's string table under its own handle before anything asks.
        KVI::ThisModule();
#ifdef TESSAR_MODULE_WITH_QT
        // The module's messages go to message boxes when the host runs a QApplication.
        KVI::InstallQtMessagePresenter();
        // Pop-up messages ask the host whether its window is shown. The host that loaded the
        // module runs the framework, so asking it never starts one.
        KVI::SetVisibilitySource([]() -> std::optional<bool> {
            try {
                return Tessar::AskHostVisibility();
            } catch (...) {
                return std::nullopt;
            }
        });
#endif
    }
    ~ModuleInstance() { Tessar::Framework::Shutdown(); }
    ModuleInstance(const ModuleInstance&) = delete;
    ModuleInstance& operator=(const ModuleInstance&) = delete;
};

const ModuleInstance moduleInstance;

}  // namespace

// Hands the framework registry the module's three class objects: the enumerator class, then the
// settings class, then the calculation class. Returns 0.
extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterClassObjects()
{
    return Tessar::RegisterClassObjects();
}
