// `velogram evaluate`: fits reference points as `velogram fit` does (the same point and fit
// options) and gives, for one value, the other side of the calibration with the half-width of
// the 95 % prediction interval there:
//   --raw V         the calibrated value of the raw value V;
//   --calibrated V  the raw value whose calibrated value is V (the inverse curve: one raw value
//                   between the points' lowest and highest raw values, or beyond them on the
//                   curve's extrapolating ends unless --within-points; none or several is an
//                   error that says so).
// V is a value as a point's side is written ("0.5", "12.5 mV"), its unit a unit of its column.
// Values are printed in the columns' units (--source-unit, --unit or the points'), as text
// lines or, with --json, one JSON object.
#pragma once

#include <ostream>
#include <string>

#include "host/velogram/fit_command.h"
#include "host/velogram/reference_points.h"

namespace Velogram {

struct EvaluateOptions {
    FitOptions fit;  // points, fit kind, units, --json (not --report)
    std::string raw;         // --raw; empty when not given
    std::string calibrated;  // --calibrated; empty when not given
    bool withinPoints = false;
};

struct Evaluation {
    bool fromRaw = true;     // --raw was given (else --calibrated)
    double raw = 0;          // base units
    double calibrated = 0;   // base units
    double halfWidth = 0;    // calibrated base units; NaN when there is none
    PointUnits units;        // the columns' unit texts
    int32_t degreesOfFreedom = 0;
    std::string noInterval;  // why there is no interval (halfWidth NaN); empty when there is
};

// The value of a --raw (raw true) or --calibrated text in base units, its unit checked against
// its column's. Throws CommandError naming the option, as for a point.
double ParseValueOption(const std::string& text, bool raw, const PointUnits& units);

// Fits and evaluates. Throws CommandError (also for a value with no raw value, or several).
Evaluation RunEvaluate(const EvaluateOptions& options);

void PrintEvaluationText(const Evaluation& e, std::ostream& out);
void PrintEvaluationJson(const Evaluation& e, std::ostream& out);

// Runs the command: the result on out. Returns the exit status; throws CommandError.
int EvaluateCommand(const EvaluateOptions& options, std::ostream& out);

}  // namespace Velogram
