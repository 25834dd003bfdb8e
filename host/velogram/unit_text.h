// Units as the command line and CSV headers write them: a unit text such as "mV", "kPa",
// "mmHg" or "degrees C" read into the unit triple (flag, prefix index, name) of
// values/units/unit_info.h, and back.
#pragma once

#include <string>
#include <string_view>

#include "values/units/unit_info.h"

namespace Velogram {

// [in] text: UTF-8; blanks around it are ignored. An empty text gives the empty unit (prefix
// index 1, no name); a text with a blank inside is a name without prefix; otherwise the unit
// parser decides whether the first letter is an SI prefix ("mV": milli, V; "mmHg" and "Hz":
// names without prefix). Matches how the module reads the unit texts it is given.
KVI::UnitInfo UnitOfText(std::string_view text);

// The prefix letter (if any) and the name, UTF-8: "mV", "kPa", "" for the empty unit.
std::string UnitText(const KVI::UnitInfo& unit);

// The factor that turns a value in base units into one in the unit's prefixed unit (1000 for
// milli); 1 for a unit without prefix or with an index outside the prefix table.
double PrefixedUnitFactor(const KVI::UnitInfo& unit);

}  // namespace Velogram
