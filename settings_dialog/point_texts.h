// The calibration dialog's points as texts: exact number texts in a prefixed unit, and the CSV
// points form (values/points_table.h) written from a record and read into points in base units.
// Kept apart from the dialog so the arithmetic is tested without a display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/calibration_data.h"
#include "values/units/unit_info.h"

namespace Tessar {

// The number value / 10^exponent as a decimal text, exact: the shortest digits that read back
// as value (RoundTripNumberText) with the decimal point moved by exponent places, so that a
// reader that scales the text by 10^exponent exactly ("12.5" in mV) gets value back bit for bit.
// Plain notation for moderate magnitudes, else "d.ddde±x". Texts of NaN and the infinities as
// RoundTripNumberText writes them.
std::string ShiftedNumberText(double value, int32_t exponent);

// The CSV text of data's points: raw values in rawUnit, calibrated values in calibratedUnit
// (prefixed units: the header names them, the cells are bare exact numbers), and an SD column
// in rawUnit when any point keeps a measured standard deviation.
std::string PointsCsvText(const CalibrationData& data, const KVI::UnitInfo& rawUnit,
                          const KVI::UnitInfo& calibratedUnit);

// One point read from a CSV text, base units.
struct ImportedPoint {
    double raw = 0;
    double calibrated = 0;
    std::optional<double> sd;  // the raw value's standard deviation, when the row gives one
};

// Reads a CSV points text for a source channel in rawUnit and a calibration in calibratedUnit:
// a cell's unit (or its column's, or for a bare number without one the given unit) must name
// the same unit, with any prefix, and is converted to base units. Returns "" and fills points
// on success; else the reason for a message (a text that does not parse, a foreign unit, more
// than maxPoints rows) and leaves points untouched.
std::string ReadPointsCsv(std::string_view text, const KVI::UnitInfo& rawUnit, const KVI::UnitInfo& calibratedUnit,
                          size_t maxPoints, std::vector<ImportedPoint>& points);

}  // namespace Tessar
