#include "values/units/unit_text.h"

#include <algorithm>
#include <string>

#include "values/units/prefix_table.h"
#include "values/units/unit_value.h"

namespace KVI {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trimmed(std::u16string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

UnitInfo UnitFromText(const String& text)
{
    const std::u16string_view t = Trimmed(text.View());
    UnitInfo unit;
    if (t.empty()) return unit;
    unit.prefix_ = kPrefixPlain;
    unit.name_ = String(t);
    if (std::any_of(t.begin(), t.end(), IsBlank)) return unit;

    // The unit word of the value 1 in that unit: the value parser decides what is a prefix,
    // so a unit reads here as it reads in a reference point.
    std::u16string one = u"1 ";
    one += t;
    const UnitValue v = UnitValue::Parse(String(one));
    const int32_t prefix = PrefixIndexOfExponent(v.Exponent());
    if (v.IsInvalid() || prefix < 0) return unit;
    unit.prefix_ = prefix;
    unit.name_ = v.Unit();
    return unit;
}

}  // namespace KVI
