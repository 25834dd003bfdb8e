// Tessar::OutsideRule: what the calibrated channel does beyond the curve: the range policy for
// raw values outside the reference points' raw range, and the zero offset added to every
// calibrated value. The enumerators apply it around the evaluators; with Extrapolate and no
// offset (every record before either existed) it does nothing at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "calibration/calibration_data.h"

namespace Tessar {

struct OutsideRule {
    RangePolicy policy = RangePolicy::Extrapolate;
    double low = -std::numeric_limits<double>::infinity();  // the lowest raw point
    double high = std::numeric_limits<double>::infinity();  // the highest raw point
    double offset = 0;                                       // added to every calibrated value

    // The rule of a record: its policy and offset, and the range of its finite raw values (a
    // record without any has the whole line as its range, so nothing is outside).
    static OutsideRule Of(const CalibrationData& data);

    // Extrapolate without an offset: the evaluators' values stand as they are.
    bool IsPlain() const { return policy == RangePolicy::Extrapolate && offset == 0; }

    // True for a raw value below low or above high (NaN is neither).
    bool IsOutside(double raw) const { return raw < low || raw > high; }

    // Before evaluating raw values in place: Clamp moves them into [low, high]; NaN stays NaN.
    void Prepare(double* first, double* last) const;

    // After evaluating: raw[i] is the raw value of values[i]. Blank gives NaN where it lay
    // outside; then the offset is added.
    void Finish(const float* raw, double* values, size_t count) const;

    // How many of the raw values lie outside the range.
    size_t CountOutside(const float* raw, size_t count) const;
};

}  // namespace Tessar
