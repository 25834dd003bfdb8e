// WriteShortestFloat: a float as the shortest text that reads back as the same float, byte for
// byte what std::to_chars(first, last, value) writes (the fewest significant digits, the one of
// them nearest the value, in fixed notation unless scientific is shorter), at a fraction of its
// cost: the CSV writer formats one such number per row.
//
// The digits come from the shortest-interval method with 64-bit multipliers by powers of five
// (exact for every float; the tables are computed at compile time); zero, infinity and NaN go
// to std::to_chars.
#pragma once

#include <cstddef>

namespace Velogram {

// The longest text WriteShortestFloat writes ("-1.17549435e-38").
inline constexpr std::size_t kShortestFloatMaxChars = 15;

// Writes value at p, which has room for kShortestFloatMaxChars. Returns the end.
char* WriteShortestFloat(char* p, float value) noexcept;

}  // namespace Velogram
