// Reading a table of reference points the way the calibration dialog reads its twelve rows: each
// row a raw text and a calibrated text, each a number optionally followed by a blank and a unit
// word that may begin with an SI prefix letter ("12.5 mV"). Shared by the calibration dialog and
// the automation interface, so both read, check and range alike.
#pragma once

#include <cstdint>
#include <span>

#include "calibration/calibration_data.h"
#include "values/units/unit_info.h"
#include "values/units/unit_text.h"
#include "values/units/unit_value.h"
#include "foundation/kvi_string.h"

namespace Tessar {

// Unit texts are read with KVI::UnitFromText.
using KVI::UnitFromText;

// A table text as a unit value (the invalid value when it does not begin with a number). A bare
// number is taken in defaultUnit: its exponent is raised by the exponent of that unit's prefix
// and its unit text becomes that unit's name.
KVI::UnitValue ReadTableValue(const KVI::String& text, const KVI::UnitInfo& defaultUnit);

// What a table does with raw values that repeat.
enum class RepeatedRawValues {
    Refused,  // the dialog's rule: one raw value, one point (message 277)
    Kept,     // replicate standards: every row is a point (least-squares kinds only)
};

// Replaces data's raw and calibrated values by the complete rows of the table (both texts
// read; rows past the shorter column are ignored), in base units, sorted by raw value. With
// Refused a later row replaces an earlier one with an equal raw value; with Kept every row
// stays, rows of equal raw values in table order. Bare raw numbers are taken in sourceUnit,
// bare calibrated numbers in data.unit_. [in] provenance: empty, or one per row: where each
// row's raw value came from; the points keep theirs (a measured one with its mean set to the
// point's raw value), and data.provenance_ is left empty when no point is measured.
void ReadReferencePoints(std::span<const KVI::String> raw, std::span<const KVI::String> calibrated,
                         const KVI::UnitInfo& sourceUnit, CalibrationData& data,
                         RepeatedRawValues repeated = RepeatedRawValues::Refused,
                         std::span<const PointProvenance> provenance = {});

// True when two raw texts that read denote the same number. Bare numbers count as written
// (without the source unit), as the dialog checks them.
bool HasRepeatedRawValue(std::span<const KVI::String> raw);

// The dialog's check of a table already read into data, in its order: the string id of the
// message to show, 277 for a repeated raw value, 275 for too few points for data's fit kind
// (a kind outside 0..7 too), or 0 when the table may be fitted. With Kept a repeated raw value
// is refused only for point to point, whose points must be distinct.
uint32_t CheckReferenceTable(std::span<const KVI::String> raw, const CalibrationData& data,
                             RepeatedRawValues repeated = RepeatedRawValues::Refused);

// The range the dialog gives a scale for values from low to high: the centre plus and minus
// 1.25 times half the spread. [out] top, the larger end, and bottom.
void ExpandedRange(double low, double high, double& top, double& bottom);

}  // namespace Tessar
