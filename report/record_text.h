// The lines of the fit report's details block on what a laboratory keeps with a calibration:
// how it reads outside its points, its zero offset and weighting, its dates, certificate,
// operator and note. Qt-free, for the drawn block, the copied text and the command line alike.
#pragma once

#include <cstdint>
#include <vector>

#include "calibration/calibration_data.h"
#include "foundation/kvi_string.h"

namespace Tessar {

// One line for each item the record uses, in this order, none for an item it does not use:
//   "Outside the points: clamped to the end values" or "Outside the points: blank" (none for
//     Extrapolate);
//   "Zero offset: 0.5 mmHg" (none for 0; in the calibrated unit's display units, six
//     significant digits, classic locale);
//   "Weights: 1/SD\u00B2" (none when every point weighs alike);
//   "Calibrated: 2026-11-02";
//   "Due: 2027-11-02", with " (expired)" when today lies after it (DueDay, IsExpired of
//     calibration_dates.h);
//   "Certificate: ...", "Operator: ...", "Note: ..." as kept (a line break in a note becomes a
//     blank, so that a line stays one line).
// A record that uses none of them gives no line. [in] today: days since 1970-01-01 (Today()).
std::vector<KVI::String> RecordLines(const CalibrationData& data, int64_t today);

}  // namespace Tessar
