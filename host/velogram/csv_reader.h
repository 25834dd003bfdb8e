// CsvReader: reads a recording from CSV text as it arrives, chunk by chunk, so that a file of
// any size passes through a fixed amount of memory on its way to the recording.
//
// The text, as acquisition programs write it:
//   - the bytes: UTF-8, with or without a byte-order mark, or UTF-16 (either byte order) with
//     a byte-order mark (csv_text_decoder.h); lines end with LF, CR LF or CR alone (the first
//     line end decides: a CR that is not a line end is refused, named \r);
//   - optionally a preamble: the first `skipLines` lines, whatever they hold (passed on as
//     they are, not read);
//   - a header row naming one channel per column, each "name (unit)": the unit in parentheses
//     at the end is optional and read by UnitOfText ("(mV)" is milli and V); a name may be
//     quoted ("a, b (V)" in double quotes, "" for a quote inside); names are trimmed of
//     blanks, and an empty one becomes "Channel N" (N counted from 1). A header (or preamble
//     line) that is not UTF-8 is read as Windows-1252 and converted, with a note (Notes);
//   - then rows of numbers, one per column; a blank line ends a block. A value may be quoted.
// The separator (comma, semicolon, tab) and the decimal mark (point, or comma) are those the
// options give, else detected from the header and the first rows (csv_dialect.h).
// Blank lines before the header and repeated blank lines are ignored. Numbers are read in the
// classic form (std::from_chars: optional sign, decimal or exponent notation, "nan", "inf",
// with the text's decimal mark), with blanks around them allowed, and converted from the
// column's prefixed unit into base units (12.5 in a column "(mV)" is stored as 0.0125, the
// recording's samples being in base units). A value too small for a float becomes 0 (or the
// nearest subnormal); one too large is refused.
//
// Every error throws CsvError, whose text names the source, line and column (1-based, in
// bytes of the UTF-8 text): a bad, empty or out-of-range number, a row with more or fewer
// values than the header has columns, a line longer than kMaxLineBytes, more than kMaxColumns
// columns, a header of numbers (the header is missing), no header, no rows of numbers, a
// stray CR. Quoted text in messages shows control characters escaped (\r, \t, \0, \xHH).
//
// A time column, when the options ask for one, holds the time of each row rather than a
// channel: a column chosen by name or number, or detected as the first column when its header
// names a time ("Time", "Time (s)", "t (ms)": the name time in any letter case, with no unit or
// a unit of time; the name t only with a unit of time). Its values are read as doubles in its
// unit (s without one) and give each block its sample interval, the mean step from the
// block's first time to its last; steps that differ by more than a fiftieth of that, beyond
// what the text's printed digits explain, give a note, and times that do not increase give the
// block no interval (and a note). A sample rate in the options gives every block its inverse
// instead, and then no column is detected as the time.
//
// A reader given a CsvLineSink reads the same lines without reading numbers: for copying the
// text of a recording that a reader with a CsvSink has read already. A reader given a
// CsvRowsSink reads the preamble and the header and detects the dialect, and passes on the
// rows' text as it is, in runs of whole lines, for reading elsewhere (csv_chunk.h); it takes
// no time column (the options' time and rate are not applied).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/velogram/csv_dialect.h"
#include "host/velogram/csv_error.h"
#include "host/velogram/csv_line_splitter.h"
#include "host/velogram/csv_row_parser.h"
#include "host/velogram/csv_text_decoder.h"

namespace Velogram {

// Which column holds the rows' times.
struct CsvTimeColumn {
    enum class Mode {
        kNone,    // every column is a channel
        kDetect,  // the first column when its header names a time
        kNamed,   // the column named (or numbered, from 0) by name; an error when there is none
    };
    Mode mode = Mode::kNone;
    std::string name;
};

struct CsvReadOptions {
    int64_t skipLines = 0;  // lines before the header row, passed over
    CsvDialectChoice dialect;
    CsvTimeColumn time;
    // Samples per second of every block; 0: none. Not with a named time column.
    double sampleRate = 0;
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
    // [in] column: 0-based among the channels (a time column is none); samples: in base units.
    virtual void OnSamples(size_t column, std::span<const float> samples) = 0;
    // [in] block: the block whose last samples have just gone out; seconds: its sample
    // interval (a time column's or the options' rate). Not called for a block without one.
    virtual void OnSampleInterval(int32_t block, double seconds)
    {
        (void)block;
        (void)seconds;
    }

protected:
    ~CsvSink() = default;
};

// Where the lines go when only the text is wanted: in the order of the text, each line as
// UTF-8 without its line end. Blank lines are not passed on.
class CsvLineSink {
public:
    virtual void OnPreamble(std::string_view line) = 0;
    virtual void OnHeaderLine(std::string_view line) = 0;
    // [in] block: 0, 1, ... in order, before the block's first row.
    virtual void OnBlock(int32_t block) = 0;
    virtual void OnRow(std::string_view line) = 0;

protected:
    ~CsvLineSink() = default;
};

// Where the rows go when they are read elsewhere: the preamble's lines, then the header once
// the dialect is detected, then the rest of the text in runs of whole lines, in order. The
// first run holds the rows the dialect was detected from; its lines (read already) end with
// LF whatever the text's line end, and hold no CR.
class CsvRowsSink {
public:
    virtual void OnPreamble(std::string_view line) = 0;
    // [in] line: the header row as UTF-8; columns: as the reader read them (Columns()).
    virtual void OnHeader(std::string_view line, const std::vector<CsvColumn>& columns) = 0;
    virtual void OnRows(const CsvRun& run) = 0;

protected:
    ~CsvRowsSink() = default;
};

class CsvReader {
public:
    static constexpr size_t kMaxLineBytes = CsvLineSplitter::kMaxLineBytes;
    static constexpr size_t kMaxColumns = 4096;
    // Samples held back for the sink before a batch goes out, over all columns.
    static constexpr size_t kBatchValues = size_t(1) << 16;
    // The rows after the header that the separator and decimal mark are detected from, and
    // the bytes of text held for it at most (a row more when one row is larger).
    static constexpr size_t kDetectionRows = 16;
    static constexpr size_t kDetectionBytes = size_t(1) << 18;

    // [in] source: how errors name the text (a file name). sink: outlives the reader.
    CsvReader(std::string source, CsvSink& sink, CsvReadOptions options = {});
    CsvReader(std::string source, CsvLineSink& sink, CsvReadOptions options = {});
    CsvReader(std::string source, CsvRowsSink& sink, CsvReadOptions options = {});
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // The next piece of the text; pieces may split lines (and characters) anywhere. Throws
    // CsvError.
    void Feed(std::string_view chunk);
    // The end of the text: the last line may lack its line end. Throws CsvError when the text
    // had no header or (but for a CsvRowsSink, which reads the rows itself) no rows of numbers.
    void Finish();

    static constexpr size_t kNoTimeColumn = size_t(-1);

    int64_t Rows() const { return rows_; }
    int32_t Blocks() const { return blocks_; }
    // Every column of the text, the time column included.
    const std::vector<CsvColumn>& Columns() const { return columns_; }
    // The time column's index among Columns(), once the header is read; kNoTimeColumn for none.
    size_t TimeColumn() const { return timeColumn_; }
    // The separator and decimal mark, once the rows have begun (the mark stays undecided
    // while every value read so far is a whole number).
    CsvDialect Dialect() const;
    TextEncoding Encoding() const { return decoder_.Encoding(); }
    // The text's line end: "\n", "\r\n" or "\r" (the first one the text has; "\n" if none).
    std::string_view LineEnd() const { return splitter_.LineEnd(); }
    // What the reader made of the text that the user may want to know (a code page it
    // assumed); one line each, naming the source.
    const std::vector<std::string>& Notes() const { return notes_; }

private:
    struct HeldLine {
        int64_t number;
        std::string text;
    };
    // The splitter's runs, into the reader.
    struct Runs final : CsvRunSink {
        explicit Runs(CsvReader& reader) : reader(reader) {}
        void OnRun(const CsvRun& run) override { reader.Run(run); }
        CsvReader& reader;
    };

    void Run(const CsvRun& run);
    void Line(std::string_view line);
    std::string Decoded(std::string_view line);
    void HeaderLine(std::string_view line);
    void Hold(std::string_view line);
    void Detect();
    void Row(std::string_view line);
    void DataLine(std::string_view line);
    void TimeValue(double value, std::string_view text);
    void ChooseTimeColumn();
    void EndBlock();
    void Flush();
    [[noreturn]] void Fail(size_t byteColumn, const std::string& what) const;

    std::string source_;
    CsvSink* sink_ = nullptr;
    CsvLineSink* lineSink_ = nullptr;
    CsvRowsSink* rowsSink_ = nullptr;
    CsvReadOptions options_;
    CsvTextDecoder decoder_;

    // Lines.
    CsvLineSplitter splitter_;
    Runs runs_{*this};
    CsvLineEnds ends_ = CsvLineEnds::kLf;  // of the run being read
    int64_t line_ = 0;  // the number of the line being read, 1-based
    bool noted1252_ = false;

    // Header and detection.
    bool headerSeen_ = false;
    bool detecting_ = false;
    bool rowsPassed_ = false;  // a CsvRowsSink has the rows from here on
    std::string header_;
    int64_t headerLine_ = 0;
    std::vector<HeldLine> held_;
    size_t heldRows_ = 0;
    size_t heldBytes_ = 0;
    CsvDialect dialect_;

    // Rows.
    bool inBlock_ = false;
    std::vector<CsvColumn> columns_;
    std::optional<CsvRowParser> parser_;
    size_t timeColumn_ = kNoTimeColumn;
    double secondsPerTimeUnit_ = 1.0;
    // The times of the block being read.
    struct BlockTimes {
        int64_t count = 0;
        double first = 0, last = 0;
        double minStep = 0, maxStep = 0;
        double resolution = 0;       // the finest digit a time shows, in seconds
        int64_t notIncreasing = 0;   // the first line whose time is not above the one before; 0: none
    } times_;
    std::vector<std::vector<float>> batch_;  // per channel
    std::vector<float> row_;  // the values of one row, the time column's place included
    size_t batchRows_ = 0;
    size_t pending_ = 0;  // rows in batch_
    int64_t rows_ = 0;
    int32_t blocks_ = 0;
    std::vector<std::string> notes_;
};

}  // namespace Velogram
