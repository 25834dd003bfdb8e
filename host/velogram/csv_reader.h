// CsvReader: reads a recording from CSV text as it arrives, chunk by chunk, so that a file of
// any size passes through a fixed amount of memory on its way to the recording.
//
// The text:
//   - a header row naming one channel per column, each "name (unit)": the unit in parentheses
//     at the end is optional and read by UnitOfText ("(mV)" is milli and V); a name may be
//     quoted ("a, b (V)" in double quotes, "" for a quote inside); names are trimmed of
//     blanks, and an empty one becomes "Channel N" (N counted from 1);
//   - then rows of numbers, one per column, separated by commas; a blank line ends a block.
// Blank lines before the header and repeated blank lines are ignored; a UTF-8 byte-order mark
// and CR LF line ends are accepted. Numbers are read in the classic form (std::from_chars:
// optional sign, decimal or exponent notation, "nan", "inf"), with blanks around them allowed,
// and converted from the column's prefixed unit into base units (12.5 in a column "(mV)" is
// stored as 0.0125, the recording's samples being in base units). A value too small for a
// float becomes 0 (or the nearest subnormal); one too large is refused.
//
// Every error throws CsvError, whose text names the source, line and column (1-based, in
// bytes): a bad, empty or out-of-range number, a row with more or fewer values than the
// header has columns, a line longer than kMaxLineBytes, more than kMaxColumns columns, a
// header of numbers (the header is missing), no header, no rows of numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/units/unit_info.h"

namespace Velogram {

class CsvError : public std::runtime_error {
public:
    explicit CsvError(const std::string& message) : std::runtime_error(message) {}
};

struct CsvColumn {
    std::string name;  // UTF-8, without the unit
    KVI::UnitInfo unit;
};

// Where the samples go. Calls arrive in this order: OnHeader once, then for each block
// OnBlock and batches of samples; a batch delivers the same number of samples (1 or more)
// for every column, column 0 first. The reader keeps no reference to a batch after the call.
// A sink may throw to stop reading; the exception passes through the reader unchanged.
class CsvSink {
public:
    virtual void OnHeader(const std::vector<CsvColumn>& columns) = 0;
    // [in] block: 0, 1, ... in order.
    virtual void OnBlock(int32_t block) = 0;
    // [in] column: 0-based; samples: in base units.
    virtual void OnSamples(size_t column, std::span<const float> samples) = 0;

protected:
    ~CsvSink() = default;
};

class CsvReader {
public:
    static constexpr size_t kMaxLineBytes = size_t(1) << 20;
    static constexpr size_t kMaxColumns = 4096;
    // Samples held back for the sink before a batch goes out, over all columns.
    static constexpr size_t kBatchValues = size_t(1) << 16;

    // [in] source: how errors name the text (a file name). sink: outlives the reader.
    CsvReader(std::string source, CsvSink& sink);
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // The next piece of the text; pieces may split lines anywhere. Throws CsvError.
    void Feed(std::string_view chunk);
    // The end of the text: the last line may lack its line end. Throws CsvError when the text
    // had no header or no rows of numbers.
    void Finish();

    int64_t Rows() const { return rows_; }
    int32_t Blocks() const { return blocks_; }
    const std::vector<CsvColumn>& Columns() const { return columns_; }

private:
    void Line(std::string_view line);
    void HeaderLine(std::string_view line);
    void DataLine(std::string_view line);
    float Number(std::string_view line, size_t begin, size_t end, size_t column) const;
    void Flush();
    [[noreturn]] void Fail(size_t byteColumn, const std::string& what) const;

    std::string source_;
    CsvSink& sink_;
    std::string partial_;  // the start of a line that the last chunk cut
    int64_t line_ = 0;     // the number of the line being read, 1-based
    bool headerSeen_ = false;
    bool inBlock_ = false;
    std::vector<CsvColumn> columns_;
    std::vector<double> factors_;  // per column: base value = read value / factor
    std::vector<std::vector<float>> batch_;
    size_t batchRows_ = 0;
    size_t pending_ = 0;  // rows in batch_
    int64_t rows_ = 0;
    int32_t blocks_ = 0;
};

// Splits a line of text cells (a header row, a row of a points file) at commas outside double
// quotes: each cell trimmed of blanks and unquoted ("" inside quotes is one quote).
// [out] cells; starts: the byte offset in line at which each cell begins, for messages (may
// be null). false, with *badOffset the offset of the fault, when a quoted cell has text after
// its closing quote or no closing quote.
bool SplitCsvCells(std::string_view line, std::vector<std::string>& cells, std::vector<size_t>* starts,
                   size_t* badOffset);

}  // namespace Velogram
