#include "host/velogram/unit_text.h"

#include "values/units/prefix_table.h"
#include "values/units/unit_text.h"

namespace Velogram {

KVI::UnitInfo UnitOfText(std::string_view text) { return KVI::UnitFromText(KVI::String::FromUtf8(text)); }

std::string UnitText(const KVI::UnitInfo& unit) { return unit.DisplayText().ToUtf8(); }

double PrefixedUnitFactor(const KVI::UnitInfo& unit)
{
    const double factor = KVI::PrefixFactor(unit.prefix_);
    // Index 0 ("no prefix chosen") has factor 0 in the table; values stay as they are.
    return factor > 0 ? factor : 1.0;
}

}  // namespace Velogram
