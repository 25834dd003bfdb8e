#include "calibration/reference_table.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include "calibration/calibration_fit.h"
#include "calibration/fit_kind.h"
#include "values/units/prefix_table.h"
#include "resources/string_ids.h"

namespace Tessar {
namespace {

constexpr double kRangeMargin = 1.25;

}  // namespace

KVI::UnitValue ReadTableValue(const KVI::String& text, const KVI::UnitInfo& defaultUnit)
{
    KVI::UnitValue v = KVI::UnitValue::Parse(text);
    if (v.IsInvalid() || !v.Unit().IsEmpty()) return v;
    return v.InUnit(KVI::PrefixExponent(defaultUnit.prefix_), defaultUnit.name_);
}

void ReadReferencePoints(std::span<const KVI::String> raw, std::span<const KVI::String> calibrated,
                         const KVI::UnitInfo& sourceUnit, CalibrationData& data, RepeatedRawValues repeated,
                         std::span<const PointProvenance> provenance)
{
    std::multimap<double, std::pair<double, PointProvenance>> points;
    const size_t rows = std::min(raw.size(), calibrated.size());
    for (size_t i = 0; i < rows; ++i) {
        const KVI::UnitValue x = ReadTableValue(raw[i], sourceUnit);
        const KVI::UnitValue y = ReadTableValue(calibrated[i], data.unit_);
        // A NaN raw value orders with nothing, so it could not key the sorted points.
        if (x.IsInvalid() || y.IsInvalid() || std::isnan(x.Value())) continue;
        PointProvenance p = i < provenance.size() ? provenance[i] : PointProvenance{};
        if (p.measured) p.mean = x.Value();
        if (repeated == RepeatedRawValues::Refused) points.erase(x.Value());
        points.emplace(x.Value(), std::pair(y.Value(), p));  // after its equals: table order kept
    }
    data.rawValues_.clear();
    data.calibratedValues_.clear();
    data.provenance_.clear();
    bool anyMeasured = false;
    for (const auto& [x, point] : points) {
        data.rawValues_.push_back(x);
        data.calibratedValues_.push_back(point.first);
        data.provenance_.push_back(point.second);
        anyMeasured = anyMeasured || point.second.measured;
    }
    if (!anyMeasured) data.provenance_.clear();
}

bool HasRepeatedRawValue(std::span<const KVI::String> raw)
{
    std::set<double> seen;
    for (const KVI::String& text : raw) {
        const KVI::UnitValue v = KVI::UnitValue::Parse(text);
        if (v.IsInvalid() || std::isnan(v.Value())) continue;
        if (!seen.insert(v.Value()).second) return true;
    }
    return false;
}

uint32_t CheckReferenceTable(std::span<const KVI::String> raw, const CalibrationData& data,
                             RepeatedRawValues repeated)
{
    const bool distinct = repeated == RepeatedRawValues::Refused || data.fitKind_ == int32_t(FitKind::PointToPoint);
    // The values in base units as well as the texts: "1 mV" and "0.001 V" are one raw value.
    const auto repeats = [&] {
        return std::adjacent_find(data.rawValues_.begin(), data.rawValues_.end()) != data.rawValues_.end();
    };
    if (distinct && (HasRepeatedRawValue(raw) || repeats())) return StringId::kRepeatedRawValue;
    if (!HasEnoughPoints(data)) return StringId::kTooFewPoints;
    return 0;
}

void ExpandedRange(double low, double high, double& top, double& bottom)
{
    const double centre = (high + low) / 2;
    const double half = (high - low) / 2 * kRangeMargin;
    top = std::max(centre + half, centre - half);
    bottom = std::min(centre + half, centre - half);
}

}  // namespace Tessar
