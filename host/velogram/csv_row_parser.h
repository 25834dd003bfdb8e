// CsvRowParser: the numbers of one row of a CSV recording, one per column of its header, in the
// columns' base units.
//
// A row holds exactly one value per column, separated by the delimiter; a value may be quoted
// and have blanks around it (and inside the quotes). Numbers are read in the classic form
// (std::from_chars: optional sign, decimal or exponent notation, "nan", "inf") with the text's
// decimal mark, and converted from the column's prefixed unit into base units (12.5 in a column
// "(mV)" becomes 0.0125). A value too small for a float becomes 0 or the nearest subnormal;
// one too large is refused.
//
// An undecided decimal mark is decided by the first value that has a point or a comma; from
// then on the other mark is refused.
//
// A parser is used by one thread at a time; copies are independent.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "values/units/unit_info.h"
#include "host/velogram/csv_dialect.h"
#include "host/velogram/csv_error.h"

namespace Velogram {

// A column of a recording's header: "name (unit)".
struct CsvColumn {
    std::string name;  // UTF-8, without the unit
    KVI::UnitInfo unit;
};

// What is wrong with a row: the byte column (from 1) and the text of the fault, without the
// source and line that the caller adds.
struct CsvRowFault {
    size_t column = 0;
    std::string what;
};

class CsvRowParser {
public:
    // [in] columns: the header's columns (names for messages, units for the conversion);
    // outlive the parser. dialect: the delimiter and the decimal mark so far.
    CsvRowParser(const std::vector<CsvColumn>& columns, const CsvDialect& dialect);

    // [in] line: a row without its line end, not blank. [out] values: room for one per
    // column. Throws CsvRowFault: a bad, empty or out-of-range number, more or fewer values
    // than the header has columns, a quoted value not closed or followed by text.
    void Parse(std::string_view line, float* values);

    // [in] column: a column read exactly: as a double in its own unit (no prefix conversion, no
    // float range), available after Parse from ExactValue and ExactText; its place in the
    // values is written 0. A value that is not finite there is refused as "no finite <noun>".
    void SetExactColumn(size_t column, std::string noun);
    double ExactValue() const { return exactValue_; }
    // The exact column's value text, trimmed, as the row has it (valid while the line is).
    std::string_view ExactText() const { return exactText_; }

    // The decimal mark, once a value decided it.
    DecimalMark Decimal() const { return decimal_; }

    static constexpr size_t kNoColumn = size_t(-1);

private:
    // A value's text as std::from_chars reads it: [first, last), a decimal comma made a point
    // in buffer or longer, a plus sign dropped; text: the value as the row has it, trimmed.
    struct NumberText {
        std::string_view text;
        const char* first = nullptr;
        const char* last = nullptr;
        char buffer[64];
        std::string longer;
    };
    // Trims [begin, end) to the value, decides an undecided decimal mark and fills number.
    // Refuses an empty value and the other decimal mark.
    void Prepare(std::string_view line, size_t& begin, size_t& end, size_t column, NumberText& number);
    float Number(std::string_view line, size_t begin, size_t end, size_t column);
    // The value of [begin, end) when it is a plain short decimal (ReadShortDecimal) in a column
    // without a prefixed unit, read without the general steps; false leaves it to Number.
    bool ShortValue(std::string_view line, size_t begin, size_t end, size_t column, float& value);
    double Exact(std::string_view line, size_t begin, size_t end, size_t column);
    [[noreturn]] void NotANumber(std::string_view line, size_t begin, size_t end, size_t column) const;

    const std::vector<CsvColumn>* columns_;
    std::vector<double> factors_;  // per column: base value = read value / factor
    char delimiter_;
    DecimalMark decimal_;
    size_t exactColumn_ = kNoColumn;
    std::string exactNoun_;
    double exactValue_ = 0;
    std::string_view exactText_;
};

}  // namespace Velogram
