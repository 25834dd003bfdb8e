// The cells of one line of CSV text: the splitter the recordings, the points files and the
// calibration dialog's point import share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace KVI {

// A blank around a cell: a space, and a tab unless the tab is the delimiter.
inline bool IsCsvBlank(char c, char delimiter) { return c == ' ' || (c == '\t' && delimiter != '\t'); }

// Splits a line of text cells (a header row, a row of a points file) at the delimiter outside
// double quotes: each cell trimmed of blanks and unquoted ("" inside quotes is one quote).
// [out] cells; starts: the byte offset in line at which each cell begins, for messages (may
// be null). false, with *badOffset the offset of the fault, when a quoted cell has text after
// its closing quote or no closing quote.
bool SplitCsvCells(std::string_view line, std::vector<std::string>& cells, std::vector<size_t>* starts,
                   size_t* badOffset, char delimiter = ',');

}  // namespace KVI
