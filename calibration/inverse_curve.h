// Tessar::InvertCalibration: the raw value that a calibration maps to a given calibrated value.
//
// The forward curve is the calibration function in exact arithmetic as far as long double
// carries it (the logarithm and the exponential unrounded, unlike the float-rounding sample
// evaluators). The solutions are found on the curve's monotonic pieces: for the least-squares
// kinds in the fitted space (fitted_space.h: P(t) = z, t = ln x for the logarithmic kind,
// z = ln(y / c1) for the exponential), split at the turning points of P (the roots of its
// derivatives, found the same way), each piece solved by a bracketed Newton iteration that falls
// back to bisection whenever a step leaves the bracket or stops halving it; for point to point
// on each segment.
//
// The search domain is the points' raw range [lowest raw, highest raw]; with the extrapolating
// ends, also the curve beyond each end point as far as it keeps its direction there: up to its
// first turning point beyond the points, or without end (for a polynomial, up to the bound all
// its real roots lie within). A curve that has turned back is not a calibration anyone reads
// backwards, and counting its far branch would make every quadratic ambiguous.
#pragma once

#include <cstdint>
#include <vector>

#include "calibration/calibration_data.h"

namespace Tessar {

enum class InverseFailure : int32_t {
    None = 0,
    NotANumber = 1,        // the calibrated value is NaN or infinite
    NoCurve = 2,           // the kind is outside 0..7 or its coefficients are too few
    NoSolution = 3,        // no raw value in the domain maps to the value
    SeveralSolutions = 4,  // more than one does (or a whole flat stretch of the curve)
};

enum class InverseDomain : int32_t {
    PointsRange = 0,        // between the lowest and the highest raw value of the points
    ExtrapolatingEnds = 1,  // and beyond them, as above
};

struct InverseResult {
    InverseFailure failure = InverseFailure::None;
    // The raw value (base units) when there is exactly one; NaN otherwise.
    double raw = 0;
    // Every solution found, ascending: one on success; for SeveralSolutions at least two (the
    // ends of a flat stretch stand for it).
    std::vector<double> solutions;
};

// [in] data: a fitted record (kind, coefficients, and the raw values for the domain);
// calibrated: the value in base units; domain: as above.
InverseResult InvertCalibration(const CalibrationData& data, double calibrated, InverseDomain domain);

}  // namespace Tessar
