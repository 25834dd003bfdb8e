#include "host/velogram/unit_text.h"

#include <algorithm>

#include "calibration/units/prefix_table.h"
#include "calibration/units/unit_value.h"

namespace Velogram {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

KVI::UnitInfo UnitOfText(std::string_view text)
{
    const std::string_view t = Trimmed(text);
    KVI::UnitInfo unit;
    if (t.empty()) return unit;
    unit.prefix_ = KVI::kPrefixPlain;
    unit.name_ = KVI::String::FromUtf8(t);
    if (std::any_of(t.begin(), t.end(), IsBlank)) return unit;

    // The unit word of the value 1 in that unit: the value parser decides what is a prefix,
    // so that a unit reads here as it reads in a reference point.
    const KVI::UnitValue one = KVI::UnitValue::Parse(KVI::String::FromUtf8("1 " + std::string(t)));
    const int32_t prefix = KVI::PrefixIndexOfExponent(one.Exponent());
    if (one.IsInvalid() || prefix < 0) return unit;
    unit.prefix_ = prefix;
    unit.name_ = one.Unit();
    return unit;
}

std::string UnitText(const KVI::UnitInfo& unit) { return unit.DisplayText().ToUtf8(); }

double PrefixedUnitFactor(const KVI::UnitInfo& unit)
{
    const double factor = KVI::PrefixFactor(unit.prefix_);
    // Index 0 ("no prefix chosen") has factor 0 in the table; values stay as they are.
    return factor > 0 ? factor : 1.0;
}

}  // namespace Velogram
