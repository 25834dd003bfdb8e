#include "host/velogram/csv_number_format.h"

#include <algorithm>
#include <charconv>

namespace Velogram {

char* CsvNumberFormat::Write(char* p, float value) const
{
    if (factor != 1.0) value = static_cast<float>(double(value) * factor);
    auto result = places < 0 ? std::to_chars(p, p + kMaxChars, value)
                             : std::to_chars(p, p + kMaxChars, value, std::chars_format::fixed, places);
    // Only a fixed form of a huge value with many decimals could exceed the room: write it in
    // the shortest form instead.
    if (result.ec != std::errc()) result = std::to_chars(p, p + kMaxChars, value);
    if (decimal != '.') std::replace(p, result.ptr, '.', decimal);
    return result.ptr;
}

}  // namespace Velogram
