// Points files: reference points as CSV, one point a row, the raw value first and the
// calibrated value second, each a number optionally followed by a blank and a unit word
// ("12.5 mV,3 kPa"); an optional third cell gives the raw value's standard deviation (in the
// raw column's unit when bare), for fits weighted by 1/SD^2. An optional first row names the two columns and may give each a unit in
// parentheses, which bare numbers of that column take ("Transducer (V),Pressure (kPa)").
// Blank lines and lines starting with "#" are skipped; a UTF-8 byte-order mark and CR LF line
// ends are accepted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/velogram/reference_points.h"

namespace Velogram {

// The most bytes a points file may have; anything longer is not a table of points.
constexpr size_t kMaxPointsFileBytes = size_t(16) << 20;

// The units a header row gives its columns.
struct PointsHeader {
    std::string rawUnit;         // "" when the header gives none (or there is no header)
    std::string calibratedUnit;
    std::string origin;          // "points.csv:1", for messages; "" without a header
};

// [in] text: the file's contents; source: its name for messages. [out] header (may be null):
// the header row's units. Throws CommandError naming the source, line and column: a row
// without exactly two cells, a cell that is not a value, a header row anywhere but first, an
// unclosed quote, no points.
std::vector<ReferencePoint> ParsePointsText(std::string_view text, const std::string& source,
                                            PointsHeader* header = nullptr);

// Reads and parses a file. Throws CommandError when it cannot be read or is too long.
std::vector<ReferencePoint> ReadPointsFile(const std::string& path, PointsHeader* header = nullptr);

}  // namespace Velogram
