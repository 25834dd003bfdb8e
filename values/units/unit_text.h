// Reading a unit text ("mV", "kPa", "mmHg", "degrees C") into the unit triple of unit_info.h,
// the one way the module and the host read the unit a user types.
#pragma once

#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"

namespace KVI {

// Blanks around the text are ignored. An empty text gives the empty unit (prefix index 1, no
// name); a text with a blank inside is a name without prefix (index 8); otherwise the unit
// value parser decides whether the first letter is an SI prefix ("mV": milli and V; "mmHg" and
// "Hz": names without prefix).
UnitInfo UnitFromText(const String& text);

}  // namespace KVI
