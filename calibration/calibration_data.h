// Tessar::CalibrationData: the calibration record held by every calculated channel's settings:
// the reference points, the chosen fit and its results, the unit of the calibrated values, the
// decimal places, and values the calibration dialog keeps between openings.
//
// A plain value type: construction (defaults, with a channel, copy) and assignment copy every
// field, the string set included. Its stored forms are in settings_text.h (the one-line text
// form) and tessar_settings.h (the stream form).
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "values/units/unit_info.h"
#include "foundation/kvi_string.h"

namespace Tessar {

struct CalibrationData {
    CalibrationData() = default;
    // Defaults, with the source channel set to the given (0-based) channel.
    explicit CalibrationData(int32_t channel) : channel_(channel) {}

    bool calculatedView_ = false;          // pane shows "&Calculated" (true) or "&Raw"
    int32_t channel_ = -1;                 // source channel, 0-based
    int32_t decimalPlaces_ = 3;            // 0..6 once validated by the dialog
    bool forceOrigin_ = false;             // polynomial fits pass through (0, 0)
    int32_t fitKind_ = 0;                  // FitKind 0..7
    std::vector<double> rawValues_;        // ascending, as the dialog fills them
    std::vector<double> calibratedValues_; // same length as rawValues_
    std::vector<double> coefficients_;     // fit result; layout by kind
    double chiSquare_ = 0;
    double sse_ = 0;
    KVI::UnitInfo unit_;                   // unit of the calibrated values
    double paneTop_ = 0;                   // selection pane scale: upper limit
    double paneBottom_ = 0;                // selection pane scale: lower limit
    std::set<KVI::String> strings_;        // carried through load, copy, compare and save

    // Equality ignores the coefficients, chi-square, SSE and pane limits; units compare by
    // name (both empty: equal), prefix (1 counts as 8) and flag. Vectors compare element by
    // element with ==, so a NaN point never equals itself.
    friend bool operator==(const CalibrationData& a, const CalibrationData& b);
};

// Units as calibrations compare them: equal when both names are empty (whatever the prefixes
// and flags), or when both names are non-empty and the names, the prefixes (index 1 counted
// as 8) and the flags are equal.
bool UnitsEqual(const KVI::UnitInfo& a, const KVI::UnitInfo& b);

}  // namespace Tessar
