#include "calibration/calibration_data.h"

#include <bit>

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
           a.strings_ == b.strings_ && a.rangePolicy_ == b.rangePolicy_ && a.zeroOffset_ == b.zeroOffset_ &&
           a.weights_ == b.weights_ && a.calibrationDate_ == b.calibrationDate_ && a.dueDate_ == b.dueDate_ &&
           a.validityDays_ == b.validityDays_ && a.certificate_ == b.certificate_ && a.operator_ == b.operator_ &&
           a.note_ == b.note_ && a.provenance_ == b.provenance_;
}

bool CalibrationData::UsesKeepingFields() const
{
    // Bit for bit, so a negative zero offset counts as used and survives.
    return rangePolicy_ != 0 || std::bit_cast<uint64_t>(zeroOffset_) != 0 || weights_ != 0 ||
           !calibrationDate_.IsEmpty() || !dueDate_.IsEmpty() || validityDays_ != 0 || !certificate_.IsEmpty() ||
           !operator_.IsEmpty() || !note_.IsEmpty() || !provenance_.empty();
}

}  // namespace Tessar
