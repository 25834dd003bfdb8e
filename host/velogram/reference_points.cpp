#include "host/velogram/reference_points.h"

#include <cmath>
#include <limits>

#include "calibration/units/unit_value.h"
#include "host/velogram/command_error.h"

namespace Velogram {
namespace {

KVI::UnitValue Read(std::string_view text) { return KVI::UnitValue::Parse(KVI::String::FromUtf8(text)); }

std::string Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

void Complete(std::string& text, const std::string& unit, const char* what, const ReferencePoint& point)
{
    const KVI::UnitValue v = Read(text);
    if (v.IsInvalid())
        throw CommandError(point.origin + ": the " + what + " value \"" + text +
                           "\" is not a number (a number, optionally followed by a blank and a unit, "
                           "such as \"12.5 mV\")");
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

void CompletePointUnits(std::vector<ReferencePoint>& points, const std::string& sourceUnit, const std::string& unit)
{
    for (ReferencePoint& p : points) {
        Complete(p.raw, sourceUnit, "raw", p);
        Complete(p.calibrated, unit, "calibrated", p);
    }
}

bool IsValueText(std::string_view text) { return !Read(text).IsInvalid(); }

bool IsBareNumber(std::string_view text)
{
    const KVI::UnitValue v = Read(text);
    return !v.IsInvalid() && v.Unit().IsEmpty();
}

double BaseValue(std::string_view text)
{
    const KVI::UnitValue v = Read(text);
    return v.IsInvalid() ? std::numeric_limits<double>::quiet_NaN() : v.Value();
}

}  // namespace Velogram
