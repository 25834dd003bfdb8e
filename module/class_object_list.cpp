#include "module/class_object_list.h"

#include "module/calc_class.h"
#include "module/calc_enum_class.h"
#include "calibration/framework.h"
#include "calibration/interface_guard.h"
#include "module/settings_class.h"
#include "platform/com_ptr.h"

namespace Tessar {
namespace {

// Constant-initialised, so class objects of any translation unit may link themselves before
// this file's dynamic initialisation runs.
constinit ClassObjectLink* head = nullptr;

// The module's class objects, defined here in one translation unit so that their order of
// construction (and so the list's order) is the order written. Never destroyed.
struct ModuleClassObjects {
    CalcClass calculation;  // builds the settings class
    CalcEnumClass2 enumerator;
};

ModuleClassObjects& Objects()
{
    static ModuleClassObjects* objects = new ModuleClassObjects;
    return *objects;
}

// Built during static initialisation, as the host expects of a module's class objects.
[[maybe_unused]] const bool objectsBuilt = (Objects(), true);

}  // namespace

void LinkClassObject(ClassObjectLink& link)
{
    link.next = head;
    head = &link;
}

const ClassObjectLink* ClassObjectListHead() { return head; }

HRESULT RegisterClassObjects()
{
    Objects();
    for (const ClassObjectLink* link = head; link; link = link->next) {
        GuardedCall([&] {
            platform::ComPtr<IObjectFactory> factory;
            const HRESULT hr = Framework::GetRegistry(IID_IObjectFactory, factory.PutVoid());
            if (FAILED(hr) || !factory) return FAILED(hr) ? hr : E_FAIL;
            return factory->RegisterClassObject(link->object);
        });
    }
    return 0;
}

CalcClass& TheCalcClass() { return Objects().calculation; }
SettingsClass& TheSettingsClass() { return Objects().calculation.Settings(); }
CalcEnumClass2& TheCalcEnumClass() { return Objects().enumerator; }

}  // namespace Tessar
