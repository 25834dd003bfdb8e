// CsvChunk: rows of a CSV recording read, calibrated and written on their own. A chunk is a run
// of whole lines after the header (csv_line_splitter.h); its rows are read into the source
// channel's raw samples (every value of every row checked, as CsvReader reads them), the added
// columns' producers compute their values from those, and the chunk's output is its rows as
// they were, each with the added values after it and the output's line end.
//
// What a line means depends on the lines before it only through the block it belongs to and
// the decimal mark decided so far, so the chunks of a text can be done on several threads at
// once; their writer joins them in order and settles what a chunk cannot know alone: whether
// its first row continues the block of the chunk before (FirstRowLeads) and so needs no blank
// line before it, and whether the decimal mark a chunk decided agrees with the one decided
// before it (a chunk done with the mark undecided is done again once it is known).
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/velogram/column_producer.h"
#include "host/velogram/csv_dialect.h"
#include "host/velogram/csv_line_splitter.h"
#include "host/velogram/csv_number_format.h"
#include "host/velogram/csv_row_parser.h"
#include "host/velogram/raw_range.h"

namespace Velogram {

// What every chunk of one text shares.
struct CsvChunkFormat {
    std::string source;              // how errors name the text
    std::vector<CsvColumn> columns;  // the header's
    char delimiter = ',';
    size_t sourceColumn = 0;         // the column the producers' raw samples come from
    std::string lineEnd = "\n";      // the output's
    std::vector<CsvNumberFormat> formats;  // the added columns', in order (their decimal mark is the chunk's)
    RawRange counted;                // the source samples outside it are counted (CsvChunk::Outside)
};

class CsvChunk {
public:
    // Takes a copy of the run. [in] mark: the decimal mark known so far; decimal: the mark the
    // added columns are written with.
    void Assign(const CsvRun& run, DecimalMark mark, char decimal);
    // The same run again, with another mark known so far.
    void Reassign(DecimalMark mark, char decimal);
    // Reads the rows, has producers (one per added column, in order) compute the added values
    // and formats the output. A fault (CsvError naming the line, a producer's CommandError,
    // std::bad_alloc) is kept, not thrown: Error().
    void Process(const CsvChunkFormat& format, std::span<ColumnProducer* const> producers);

    // The output: the rows with the added values, a blank line (the output's line end) before
    // every block but the one of the first row.
    std::string_view Output() const { return std::string_view(out_.get(), outSize_); }
    int64_t Rows() const { return int64_t(raw_.size()); }
    // The rows whose source sample lies outside the format's counted range.
    int64_t Outside() const { return outside_; }
    // Blocks begun after the first row.
    int32_t InnerBlocks() const { return int32_t(separators_.size()); }
    // True when the first row comes before any blank line: it continues the block that the
    // chunk before ended in, if that one ended in a block.
    bool FirstRowLeads() const { return firstRowLeads_; }
    // True when the last line is a row (not a blank line).
    bool EndsInBlock() const { return endsInBlock_; }
    const CsvRun& Run() const { return run_; }
    DecimalMark MarkGiven() const { return markGiven_; }
    // The decimal mark after the chunk's values: the mark given, or the one its first value
    // with a mark decided.
    DecimalMark MarkAfter() const { return markAfter_; }
    char DecimalChar() const { return decimal_; }
    const std::exception_ptr& Error() const { return error_; }

    // Seconds of the last Process: reading the rows, computing, formatting.
    double ParseSeconds() const { return parseSeconds_; }
    double ProduceSeconds() const { return produceSeconds_; }
    double FormatSeconds() const { return formatSeconds_; }

private:
    void ReadRows(const CsvChunkFormat& format);
    void Produce(std::span<ColumnProducer* const> producers);
    void Format(const CsvChunkFormat& format);
    char* Reserve(size_t n);

    std::string text_;
    CsvRun run_;
    DecimalMark markGiven_ = DecimalMark::kPoint;
    DecimalMark markAfter_ = DecimalMark::kPoint;
    char decimal_ = '.';

    std::vector<float> raw_;              // per row: the source column's sample
    std::vector<uint32_t> begins_, ends_;  // per row: its text in text_
    std::vector<uint32_t> separators_;    // rows that begin a block, after the first row
    std::vector<std::vector<float>> values_;  // per added column, per row
    std::vector<float> row_;              // one row's values
    int64_t outside_ = 0;
    bool firstRowLeads_ = false;
    bool endsInBlock_ = false;
    std::exception_ptr error_;

    std::unique_ptr<char[]> out_;
    size_t outSize_ = 0, outCapacity_ = 0;

    double parseSeconds_ = 0, produceSeconds_ = 0, formatSeconds_ = 0;
};

}  // namespace Velogram
