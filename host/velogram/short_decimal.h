// ReadShortDecimal: the common sample text ("2.500000", "-0.0153", "41") read as a float without
// the general algorithm. A plain decimal of at most 8 digits whose digits, as an integer, fit a
// float exactly is that integer divided by a power of ten of at most 10^8, both exact floats:
// one IEEE division rounds it correctly, so the result is std::from_chars's, bit for bit.
// Anything else (an exponent, more digits, a plus sign, blanks, no digit) is left to the
// caller's general reading.
#pragma once

namespace Velogram {

// [in] [first, last): the whole text of the value. [out] value: set when true is returned.
// True when the text is an optional '-', digits, optionally a '.' and more digits (at least one
// digit in all, at most 8), and the digits read as an integer are at most 2^24.
bool ReadShortDecimal(const char* first, const char* last, float& value) noexcept;

}  // namespace Velogram
