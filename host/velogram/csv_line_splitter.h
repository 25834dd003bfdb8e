// CsvLineSplitter: CSV text, arriving in pieces cut anywhere, passed on as runs of whole lines,
// so that a reader can take each run on its own (on another thread, say) without ever seeing
// half a line.
//
// Line ends, as acquisition programs write them: LF, CR LF or CR alone. The first line end of
// the text decides how the rest is read:
//   - LF or CR LF first: every line ends with an LF; a CR just before it belongs to the line
//     end (so CR LF and LF may mix), and any other CR is part of the line (the reader refuses
//     it as a stray \r, StrayCarriageReturn);
//   - CR alone first: a CR, an LF or a CR LF ends a line.
// A line holds no line end; a double quote does not protect one (a quoted value never spans
// lines). The last line of the text may lack its line end.
//
// Every line is at most kMaxLineBytes long, its line end not counted (a CR of a CR LF is): a
// longer one throws CsvError naming the source, the line and the column, as soon as that many
// bytes of it have arrived, so that text without line ends costs no more memory than that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/velogram/csv_error.h"

namespace Velogram {

enum class CsvLineEnds {
    kLf,  // LF, with or without a CR before it
    kCr,  // CR, LF or CR LF
};

// Whole lines of a text, each with its line end (the last line of the text may lack one).
struct CsvRun {
    std::string_view text;
    int64_t firstLine = 1;  // the number of its first line in the text, from 1
    CsvLineEnds ends = CsvLineEnds::kLf;
};

class CsvRunSink {
public:
    // [in] run: valid during the call only.
    virtual void OnRun(const CsvRun& run) = 0;

protected:
    ~CsvRunSink() = default;
};

class CsvLineSplitter {
public:
    static constexpr size_t kMaxLineBytes = size_t(1) << 20;

    // [in] source: how errors name the text (a file name).
    explicit CsvLineSplitter(std::string source) : source_(std::move(source)) {}

    // The next piece of the text: the whole lines it completes go to sink as one run (none
    // when it completes none). Throws CsvError for an overlong line.
    void Feed(std::string_view text, CsvRunSink& sink);
    // The end of the text: a last line without a line end goes to sink.
    void Finish(CsvRunSink& sink);

    // The text's first line end, "\n", "\r\n" or "\r" ("\n" while none was seen).
    std::string_view LineEnd() const { return lineEnd_; }
    // The number of the next line to come, from 1.
    int64_t NextLine() const { return nextLine_; }

private:
    void Decide(std::string_view text);
    void Emit(std::string_view text, CsvRunSink& sink);
    void Keep(std::string_view rest);

    std::string source_;
    bool decided_ = false;
    CsvLineEnds ends_ = CsvLineEnds::kLf;
    std::string_view lineEnd_ = "\n";  // one of three literals
    bool lfAfterCr_ = false;  // CR line ends: the last run ended with a CR, so an LF next is its end
    std::string carry_;       // the start of a line that the last piece cut
    int64_t nextLine_ = 1;
};

// The lines of a run, one after another.
class CsvLineCursor {
public:
    // [in] run, source (how errors name the text): outlive the cursor.
    CsvLineCursor(const CsvRun& run, const std::string& source) : run_(run), source_(source), line_(run.firstLine - 1) {}

    // [out] line: the next line without its line end. false after the last. Throws CsvError
    // for a line longer than kMaxLineBytes.
    bool Next(std::string_view* line);
    // The number of the line Next gave last.
    int64_t Line() const { return line_; }
    // The lines after it.
    CsvRun Rest() const { return CsvRun{run_.text.substr(pos_), line_ + 1, run_.ends}; }

private:
    const CsvRun& run_;
    const std::string& source_;
    size_t pos_ = 0;
    int64_t line_;
};

// True for a line of nothing but blanks (spaces and tabs), which ends a block of rows.
bool IsBlankCsvLine(std::string_view line);

// The offset of a stray CR in a line of a text whose lines end with LF, or npos; with CR line
// ends a line holds none.
size_t StrayCarriageReturn(std::string_view line, CsvLineEnds ends);
// What is wrong with such a line, for a text whose first line end is lineEnd.
std::string StrayCarriageReturnText(std::string_view lineEnd);

}  // namespace Velogram
