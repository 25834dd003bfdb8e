// Linked into the module as an object of its own: when the module is loaded, the calculation
// class gets the settings editor, which needs the Qt half of the module.
#include "module/calc_class.h"
#include "settings_dialog/edit_settings.h"

namespace {

HRESULT Edit(void* parentWindow, IUnknown* document, int32_t channel, IUnknown* hostObject, IPersistObject* current,
             IPersistObject** settings)
{
    return Tessar::EditTessarSettings(parentWindow, document, channel, hostObject, current, settings);
}

const bool kEditorInstalled = (Tessar::CalcClass::InstallSettingsEditor(&Edit), true);

}  // namespace
