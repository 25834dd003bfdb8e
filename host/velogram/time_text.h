// Times as a recording's users write and read them: the units of a time column ("Time (ms)"),
// a sample interval typed as "1 ms" or as a rate, "2.5 kHz", and times, intervals and values
// written for the window's status line and axis. Qt-free; the decimal point is '.' whatever
// the locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Velogram {

// Seconds per unit of a time unit text: "s" 1, "ms" 1e-3, "µs" and "us" 1e-6, "ns" 1e-9,
// "ps" 1e-12, "min" 60, "h" 3600 (also "sec", letter case as written). Nothing for any other
// text, the empty one included.
std::optional<double> SecondsPerTimeUnit(std::string_view unit);

// Hertz per unit of a frequency unit text: "Hz" 1, "kHz" 1e3, "MHz" 1e6, "GHz" 1e9.
std::optional<double> HertzPerRateUnit(std::string_view unit);

// A sample interval as the user types it: a number, optionally followed by a time unit (the
// interval) or a frequency unit (the rate, whose inverse is the interval); a bare number is in
// seconds. Blanks around and between are allowed; a '.' is the decimal point, and a ',' is
// taken as one too. [out] seconds. Nothing when the text is none of these, or the number is
// not positive and finite.
std::optional<double> ParseSampleInterval(std::string_view text);

// An interval in the time unit that reads best ("1 ms", "250 µs", "2 s", "1.5 min"), with up
// to six significant digits.
std::string FormatSampleInterval(double seconds);
// The same as a rate ("1 kHz", "44.1 kHz", "0.5 Hz").
std::string FormatSampleRate(double seconds);

// A number with six significant digits in the stream's general notation ("12.5", "1e-07"), as
// the window's texts write values; '.' is the decimal point.
std::string SixDigits(double value);

// A time for a read-out, in one unit for every time of a context: the unit suits span, the
// largest time the context writes (a block's duration): s from 1 s up, ms from 1 ms, µs from
// 1 µs, else ns; as many decimals as resolution, the smallest difference that matters (a
// sample interval), needs in that unit (0 to 9). "12.345 s", "1.250 ms".
std::string FormatTime(double seconds, double resolution, double span);

}  // namespace Velogram
