#include "host/velogram/csv_number_format.h"

#include <algorithm>
#include <charconv>

#include "host/velogram/shortest_float.h"

namespace Velogram {

char* CsvNumberFormat::Write(char* p, float value) const
{
    if (factor != 1.0) value = static_cast<float>(double(value) * factor);
    char* end;
    if (places < 0) {
        end = WriteShortestFloat(p, value);
    } else {
        const auto result = std::to_chars(p, p + kMaxChars, value, std::chars_format::fixed, places);
        // Only a fixed form of a huge value with many decimals could exceed the room: write it
        // in the shortest form instead.
        end = result.ec == std::errc() ? result.ptr : WriteShortestFloat(p, value);
    }
    if (decimal != '.') std::replace(p, end, '.', decimal);
    return end;
}

}  // namespace Velogram
