// Zor::ScaleTicks: the tick engine of the scale component, a pure function of a range and of how
// many intervals fit on the axis. Major ticks lie at the whole multiples of a round step
// (1, 2 or 5 times a power of ten) inside the range; labels are written so that neighbouring
// ticks never read alike. Qt-free and locale-free.
#pragma once

#include <cstdint>
#include <string>

namespace Zor {

struct ScaleTicks {
    // The major step is mantissa * 10^exponent, mantissa 1, 2 or 5. count == 0: no ticks (and
    // the other members are 0).
    int32_t mantissa = 0;
    int32_t exponent = 0;
    // The first major tick is firstMultiple * step; ticks i = 0 .. count - 1 follow.
    int64_t firstMultiple = 0;
    int32_t count = 0;
    // Minor intervals per major interval: 5 for the steps 1 and 5 (0.2 and 1 apart), 4 for the
    // step 2 (0.5 apart).
    int32_t minorDivisions = 0;

    double Step() const;
    // Major tick i (0-based), computed from its multiple so no error accumulates; -0 is 0.
    double Value(int32_t i) const;
};

// The ticks of the range [lower, upper] (lower < upper, both finite) with at most maxIntervals
// major intervals (at least 1 is assumed). The step is the smallest round step that keeps the
// number of intervals within maxIntervals; when that step leaves no tick inside the range, the
// next smaller steps are tried until one tick fits. No ticks (count 0) for an empty, reversed or
// non-finite range, and when the step cannot be represented: steps beyond 1e-300 .. 1e300, or a
// range so far from 0 that its multiples of the step are not exact in a double (2^53).
ScaleTicks ComputeScaleTicks(double lower, double upper, double maxIntervals);

// The smallest round step (1, 2 or 5 times a power of ten) not below raw (raw > 0, finite).
// [out] mantissa and exponent of the step.
void RoundStep(double raw, int32_t* mantissa, int32_t* exponent);

// The label of a value on ticks: fixed notation with as many decimals as the step has (step 0.5
// gives "1.5", step 20 gives "40"); scientific notation ("2.5e-07", "1.2345e+08") when the step
// is below 1e-4 or the largest tick reaches 1e7 in magnitude, with as many digits as the step
// needs. Zero is never written with a minus sign ("0.0" with one decimal, "0" in scientific
// notation). The decimal point is '.' whatever the process locale.
std::string FormatTickLabel(double value, const ScaleTicks& ticks);

// 10^exponent, exact for |exponent| <= 22.
double PowerOfTen(int32_t exponent);

}  // namespace Zor
