#include "host/velogram/reference_points.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "values/units/unit_value.h"
#include "host/velogram/command_error.h"
#include "host/velogram/unit_text.h"

namespace Velogram {
namespace {

KVI::UnitValue Read(std::string_view text) { return KVI::UnitValue::Parse(KVI::String::FromUtf8(text)); }

std::string Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

void Complete(std::string& text, const std::string& unit, const std::string& owner, const char* what,
              const ReferencePoint& point)
{
    const KVI::UnitValue v = Read(text);
    if (v.IsInvalid())
        throw CommandError(point.origin + ": the " + what + " value \"" + text +
                           "\" is not a number (a number, optionally followed by a blank and a unit, "
                           "such as \"12.5 mV\")");
    const std::string word = UnitWord(text);
    if (!word.empty() && !IsUnitOf(word, unit))
        throw CommandError(point.origin + ": " + word + " is not a unit of " + owner +
                           (unit.empty() ? ", which has no unit" : " (" + unit + ")"));
    if (v.Unit().IsEmpty() && !unit.empty()) text += " " + unit;
}

}  // namespace

ReferencePoint ParsePointOption(std::string_view text, int index)
{
    ReferencePoint point;
    point.origin = "--point " + std::to_string(index);
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos || text.find('=', eq + 1) != std::string_view::npos)
        throw CommandError(point.origin + ": \"" + std::string(text) +
                           "\" is not a point: write RAW=CAL, for example \"0.5=50\" or \"12.5 mV=3 kPa\"");
    point.raw = Trimmed(text.substr(0, eq));
    point.calibrated = Trimmed(text.substr(eq + 1));
    if (point.raw.empty() || point.calibrated.empty())
        throw CommandError(point.origin + ": \"" + std::string(text) + "\" lacks its " +
                           (point.raw.empty() ? "raw" : "calibrated") + " value (write RAW=CAL)");
    return point;
}

void CompletePointUnits(std::vector<ReferencePoint>& points, const PointUnits& units)
{
    for (ReferencePoint& p : points) {
        Complete(p.raw, units.raw, units.rawOwner, "raw", p);
        Complete(p.calibrated, units.calibrated, units.calibratedOwner, "calibrated", p);
        if (!p.sd.empty()) Complete(p.sd, units.raw, units.rawOwner, "standard deviation", p);
    }
}

std::string UnitWord(std::string_view text)
{
    if (Read(text).IsInvalid() || Read(text).Unit().IsEmpty()) return {};
    // The unit is what follows the number ("12.5mV" has one too).
    std::string_view rest = text.substr(std::min(text.find_first_not_of(" \t"), text.size()));
    if (rest.starts_with('+') || rest.starts_with('-')) rest.remove_prefix(1);
    double number = 0;
    const auto read = std::from_chars(rest.data(), rest.data() + rest.size(), number);
    return Trimmed(rest.substr(size_t(read.ptr - rest.data())));
}

bool IsUnitOf(std::string_view unit, std::string_view column)
{
    return UnitOfText(unit).name_ == UnitOfText(column).name_;
}

double BaseValue(std::string_view text)
{
    const KVI::UnitValue v = Read(text);
    return v.IsInvalid() ? std::numeric_limits<double>::quiet_NaN() : v.Value();
}

}  // namespace Velogram
