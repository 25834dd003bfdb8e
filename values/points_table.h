// A table of reference points as CSV text: one point a row, the raw value first and the
// calibrated value second, each a number optionally followed by a blank and a unit word
// ("12.5 mV,3 kPa"), and optionally the raw value's standard deviation third. An optional
// first row names the columns and may give each a unit in parentheses, which bare numbers of
// that column take ("Transducer (V),Pressure (kPa)"; a bare standard deviation takes the raw
// column's unit). Blank lines and lines starting with "#" are skipped; a UTF-8 byte-order mark
// and CR LF line ends are accepted. The command line's points files and the calibration
// dialog's import and export read and write this one form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace KVI {

struct PointsTableRow {
    std::string raw;         // UTF-8 value texts, bare numbers given their column's unit
    std::string calibrated;
    std::string sd;          // empty: none
    size_t line = 0;         // 1-based line of the text
};

struct PointsTable {
    std::vector<PointsTableRow> rows;
    std::string rawUnit;         // the header's units ("" when it gives none, or no header)
    std::string calibratedUnit;
    size_t headerLine = 0;       // 0 without a header
};

// Parses text into table. Returns "" on success, else the fault for a message: "line:column:
// what" for a row without two or three cells, a cell that is not a value, a header row anywhere
// but first, an unclosed quote; "no reference points: ..." for a text without rows of values.
std::string ParsePointsTable(std::string_view text, PointsTable& table);

// The text of a table: a header row naming the columns with their units, then the rows
// (cells holding a comma or a quote are quoted), each ended by a line feed.
std::string WritePointsTable(const std::vector<PointsTableRow>& rows, const std::string& rawUnit,
                             const std::string& calibratedUnit);

// True when the text reads as a value (a number, optionally with a unit word).
bool IsValueText(std::string_view text);
// True when the text is a bare number (reads as a value with no unit word).
bool IsBareNumber(std::string_view text);

}  // namespace KVI
