// Tessar::FitKind: the eight calibration functions a calibration record can hold, with their
// coefficient layouts and the fewest reference points each one needs.
//
// The record stores the kind as a 32-bit integer (0..7); a stored value outside that range is
// possible (a hand-edited text form) and every user of the kind must tolerate it.
//
//   kind  function                         coefficients (stored order)          fewest points
//   0     y = c0 + c1 x                    c0, c1                                2
//   1..4  polynomial of order kind + 1     c0 .. c(kind+1), constant term first  kind + 2
//   5     y = c0 + c1 ln x                 c0, c1                                2
//   6     y = c1 exp(c0 x)                 c0 = rate, c1 = amplitude             2
//   7     linear interpolation             x0, y0, x1, y1, ... ascending x       2
#pragma once

#include <cstdint>

namespace Tessar {

enum class FitKind : int32_t {
    Linear = 0,
    Quadratic = 1,
    Cubic = 2,
    Quartic = 3,
    Quintic = 4,
    Logarithmic = 5,
    Exponential = 6,
    PointToPoint = 7,
};

inline constexpr int32_t kFitKindCount = 8;

// String-table ids of the names: long name (the report's fit-type line) and short name (the
// fit lists of the dialog and the report).
inline constexpr uint32_t kFitLongNameId = 257;
inline constexpr uint32_t kFitShortNameId = 265;

// True when the stored integer names one of the eight kinds.
constexpr bool IsFitKind(int32_t kind) { return kind >= 0 && kind < kFitKindCount; }

// True for the five polynomial kinds (Linear .. Quintic), which honour the force-origin flag.
constexpr bool IsPolynomialKind(int32_t kind) { return kind >= 0 && kind <= 4; }

// Polynomial order of kinds 0..4 (1..5); 0 for every other value.
constexpr int32_t PolynomialOrder(int32_t kind) { return IsPolynomialKind(kind) ? kind + 1 : 0; }

// The fewest reference points a kind needs; 0 for a value outside 0..7.
constexpr int32_t FewestPoints(int32_t kind)
{
    if (IsPolynomialKind(kind))
        return kind + 2;
    return IsFitKind(kind) ? 2 : 0;
}

// String ids of a kind's names (kind 0..7).
constexpr uint32_t FitLongNameId(FitKind kind) { return kFitLongNameId + static_cast<uint32_t>(kind); }
constexpr uint32_t FitShortNameId(FitKind kind) { return kFitShortNameId + static_cast<uint32_t>(kind); }

}  // namespace Tessar
