// The fit kinds as the command line names them: linear, quadratic, cubic, quartic, quintic,
// logarithmic, exponential, point-to-point, or their numbers 0 to 7 (the kinds' numbers in a
// calibration).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Velogram {

constexpr int32_t kFitKinds = 8;

// [in] text: a name (any letter case; "point to point" and "point_to_point" too) or a number
// 0..7. Throws CommandError listing the accepted names for anything else.
int32_t ParseFitKind(std::string_view text);

// The command-line name of a kind 0..7 ("point-to-point"); "kind N" outside.
std::string FitKindName(int32_t kind);

// "linear, quadratic, ..., point-to-point (or 0 to 7)", for help texts and messages.
std::string FitKindList();

}  // namespace Velogram
