// The calibration file: a whole calibration record (its points and their provenance, the fit,
// the unit, the range policy, the dates) as JSON, so a transducer calibrated once is applied
// exactly, without refitting, to every recording made with it. Values are in base units, each
// double written with the digits that read back as itself.
//
//   { "format": "tessar-calibration", "version": 1,
//     "fitKind": 2, "fitName": "Cubic", "forceOrigin": false,
//     "coefficients": [...], "chiSquare": ..., "sse": ...,
//     "unit": { "prefix": 9, "name": "Pa", "flag": 0 }, "decimalPlaces": 3,
//     "points": [ { "raw": 0.5, "calibrated": 10, "provenance": { "mean": ..., "sd": ...,
//                   "count": ..., "block": ..., "firstSample": ..., "lastSample": ... } }, ... ],
//     "rangePolicy": "extrapolate" | "clamp" | "blank", "zeroOffset": 0,
//     "weights": "none" | "inverse-variance",
//     "calibrationDate": "2026-12-08", "dueDate": "", "validityDays": 0,
//     "certificate": "", "operator": "", "note": "",
//     "channel": 0, "calculatedView": true, "paneTop": ..., "paneBottom": ..., "strings": [] }
//
// A point typed by hand has no "provenance". Readers take a file of their own version or an
// older one, and refuse a newer one.
#pragma once

#include <string>
#include <string_view>

#include "calibration/calibration_data.h"

namespace Tessar {

inline constexpr int kCalibrationFileVersion = 1;

// The file's text (UTF-8, ends with a line feed).
std::string WriteCalibrationFile(const CalibrationData& data);

// Reads a file's text into data (untouched on failure). Returns an empty text on success,
// else what is wrong, for a message: not JSON, not a calibration file, a newer version, a
// missing field or one of the wrong type, a value out of its range (an unknown fit kind,
// policy or weighting, a coefficient count other than the kind's, points of unequal
// lengths, a date that does not read, a provenance count other than 0 or the points').
std::string ReadCalibrationFile(std::string_view text, CalibrationData& data);

// The same with a file (a UTF-8 path). Writing replaces the file whole or not at all (a
// temporary beside it, synced, then renamed), and refuses a record without a fit. Both return
// an empty text on success, else a message naming the file and the reason.
std::string WriteCalibrationFileAt(const std::string& path, const CalibrationData& data);
std::string ReadCalibrationFileAt(const std::string& path, CalibrationData& data);

}  // namespace Tessar
