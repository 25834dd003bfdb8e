// The settings dialog's side of the units control's callback in the tests: it counts the
// changes and keeps the unit the control reported last (bound with boost::bind as the
// calibration dialog binds its own member).
#pragma once

#include "settings_dialog/units_control.h"
#include "values/units/unit_info.h"

namespace SettingsDialogTest {

struct Owner {
    void OnUnitChanged()
    {
        ++changes;
        seen = control->CurrentUnit();
    }
    KVIControls::UnitsControl* control = nullptr;
    int changes = 0;
    KVI::UnitInfo seen;
};

}  // namespace SettingsDialogTest
