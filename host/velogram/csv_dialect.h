// CsvDialect: how a CSV text separates its values and writes its decimals, as acquisition
// programs write them: values separated by commas, semicolons or tabs; decimals with a point,
// or with a comma where the values are separated by semicolons or tabs ("1,5;2,25").
//
// DetectCsvDialect decides what the user left open from the header row and the first rows
// of numbers. The separator: of the three, those that split the header into cells (outside
// double quotes) are the candidates (all three when none does, a one-column text); the
// candidate that splits every row into as many numbers as the header has cells wins, then the
// one that gives more cells, then the first of comma, semicolon, tab. The decimal mark: a
// point with commas between values; otherwise the mark of the first value that has one, and
// undecided while every value is a whole number (the reader then decides it at the first
// value with a mark).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "values/csv_cells.h"

namespace Velogram {

enum class DecimalMark { kUndecided, kPoint, kComma };

struct CsvDialect {
    char delimiter = ',';  // ',', ';' or '\t'
    DecimalMark decimal = DecimalMark::kPoint;

    // The mark a writer uses: an undecided one is a comma beside semicolons (what programs
    // that separate with semicolons write), else a point.
    char DecimalChar() const;
};

// What the user fixed (--delimiter, --decimal-comma); what is unset is detected.
struct CsvDialectChoice {
    std::optional<char> delimiter;
    std::optional<bool> decimalComma;
};

// The separators a CSV text may use, in the order detection prefers them.
constexpr char kCsvDelimiters[] = {',', ';', '\t'};

// [in] header: the header row; rows: the first rows of numbers (blank lines left out);
// choice: the user's. A chosen delimiter and a chosen decimal comma are kept as given.
CsvDialect DetectCsvDialect(std::string_view header, std::span<const std::string_view> rows,
                            const CsvDialectChoice& choice);

// "comma", "semicolon", "tab" (the names --delimiter takes, also "," ";" and "\t" or a tab
// itself). false when the text names none of them.
bool ParseCsvDelimiter(std::string_view text, char* delimiter);
std::string CsvDelimiterName(char delimiter);

// True for a blank that surrounds a value: a space, and a tab unless tabs separate values.
using KVI::IsCsvBlank;

// True when text (already trimmed and unquoted) is one number in the classic form, its
// decimal mark the given one (kUndecided: either).
bool IsCsvNumber(std::string_view text, DecimalMark mark);

// The cells of a line (values/csv_cells.h).
using KVI::SplitCsvCells;

// The text for a message: control characters written as \r, \n, \t, \0 or \xHH, and every
// byte of text that is not UTF-8 as \xHH, so that a message never holds a raw control code.
std::string PrintableText(std::string_view text);

}  // namespace Velogram
