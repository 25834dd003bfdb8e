// CsvNumberFormat: how a column of samples is written as CSV numbers: in the channel's own
// prefixed unit, in the shortest text that reads back as the same float, or with a fixed
// number of decimals, with the text's decimal mark.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Velogram {

struct CsvNumberFormat {
    // The longest text Write makes: a float in fixed notation with 17 decimals fits.
    static constexpr size_t kMaxChars = 64;

    double factor = 1;   // base unit -> the column's prefixed unit
    int32_t places = -1; // decimals, 0..17; -1 for the shortest form
    char decimal = '.';  // the decimal mark

    // Writes value (in base units) at p, which has room for kMaxChars. Returns the end.
    // The value is scaled in double and rounded once, so that a value read from a prefixed
    // column comes back as it was written there.
    char* Write(char* p, float value) const;
};

}  // namespace Velogram
