#include "calibration/calibration_data.h"

#include "values/units/prefix_table.h"

namespace Tessar {
namespace {

// Index 1 ("no prefix chosen") and index 8 (the plain unit) name the same unit.
int32_t ComparablePrefix(int32_t prefix) { return prefix == KVI::kPrefixNone ? KVI::kPrefixPlain : prefix; }

}  // namespace

bool UnitsEqual(const KVI::UnitInfo& a, const KVI::UnitInfo& b)
{
    if (a.name_.IsEmpty() || b.name_.IsEmpty()) return a.name_.IsEmpty() && b.name_.IsEmpty();
    return ComparablePrefix(a.prefix_) == ComparablePrefix(b.prefix_) && a.name_ == b.name_ && a.flag_ == b.flag_;
}

bool operator==(const CalibrationData& a, const CalibrationData& b)
{
    // The fit results and the pane limits follow from the rest or are the dialog's memory;
    // the calculation compares records to skip applying unchanged settings.
    return a.calculatedView_ == b.calculatedView_ && a.channel_ == b.channel_ &&
           a.decimalPlaces_ == b.decimalPlaces_ && a.forceOrigin_ == b.forceOrigin_ && a.fitKind_ == b.fitKind_ &&
           a.rawValues_ == b.rawValues_ && a.calibratedValues_ == b.calibratedValues_ && UnitsEqual(a.unit_, b.unit_) &&
           a.strings_ == b.strings_;
}

}  // namespace Tessar
