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

// What the calibrated channel gives for a raw value outside the reference points' raw range
// (below the lowest or above the highest raw point).
enum class RangePolicy : int32_t {
    Extrapolate = 0,  // the curve continued (the function of the fit kind)
    Clamp = 1,        // the curve's value at the nearest end point
    Blank = 2,        // NaN
};

// How the least-squares fits weigh the points.
enum class PointWeights : int32_t {
    None = 0,             // every point alike (sigma_i = 1)
    InverseVariance = 1,  // 1 / SD_i^2 (sigma_i = SD_i); points without an SD take the median SD
};

// Where a point's raw value came from. A typed value has none (measured false, the rest 0); a
// value taken from the host's selection keeps the span it was the mean of; a value read with
// its standard deviation from a points file keeps that (count 0 and block -1: not known).
struct PointProvenance {
    bool measured = false;
    double mean = 0;          // the span's mean, base units (the raw value when it was taken)
    double sd = 0;            // the span's sample standard deviation, base units
    int64_t count = 0;        // samples in the span
    int32_t block = -1;       // 0-based block of the recording
    int64_t firstSample = 0;  // the span's samples in the block: [first, last)
    int64_t lastSample = 0;

    friend bool operator==(const PointProvenance&, const PointProvenance&) = default;
};

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

    // What a calibration laboratory keeps with a calibration (stored form version 3; a record
    // that uses none of it is stored as version 2, byte for byte).
    int32_t rangePolicy_ = 0;              // RangePolicy
    double zeroOffset_ = 0;                // added to every calibrated value (re-zero), base units
    int32_t weights_ = 0;                  // PointWeights
    KVI::String calibrationDate_;          // "YYYY-MM-DD"; empty: not dated
    KVI::String dueDate_;                  // "YYYY-MM-DD"; empty: none (validityDays_ may say)
    int32_t validityDays_ = 0;             // days from the calibration date; 0: none
    KVI::String certificate_;              // a reference or certificate text
    KVI::String operator_;                 // who calibrated
    KVI::String note_;
    std::vector<PointProvenance> provenance_;  // empty, or one per point in the order of the points

    // True when any of the fields above differs from its default.
    bool UsesKeepingFields() const;

    // Equality ignores the coefficients, chi-square, SSE and pane limits; units compare by
    // name (both empty: equal), prefix (1 counts as 8) and flag. Vectors compare element by
    // element with ==, so a NaN point never equals itself. The fields a laboratory keeps take
    // part: a changed policy, offset, weighting, date or note is a change to apply and store.
    friend bool operator==(const CalibrationData& a, const CalibrationData& b);
};

// Units as calibrations compare them: equal when both names are empty (whatever the prefixes
// and flags), or when both names are non-empty and the names, the prefixes (index 1 counted
// as 8) and the flags are equal.
bool UnitsEqual(const KVI::UnitInfo& a, const KVI::UnitInfo& b);

}  // namespace Tessar
