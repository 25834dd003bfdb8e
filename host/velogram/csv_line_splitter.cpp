#include "host/velogram/csv_line_splitter.h"
#include "host/velogram/copy_bytes.h"

#include <algorithm>

namespace Velogram {
namespace {

std::string TooLong() { return "the line is longer than " + std::to_string(CsvLineSplitter::kMaxLineBytes) + " bytes"; }

// The line ends in text, a CR LF counted once.
int64_t CountLines(std::string_view text, CsvLineEnds ends)
{
    if (ends == CsvLineEnds::kLf) return std::count(text.begin(), text.end(), '\n');
    int64_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++lines;
        } else if (text[i] == '\r') {
            ++lines;
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        }
    }
    return lines;
}

}  // namespace

void CsvLineSplitter::Feed(std::string_view text, CsvRunSink& sink)
{
    if (lfAfterCr_ && !text.empty()) {
        lfAfterCr_ = false;
        if (text.front() == '\n') text.remove_prefix(1);
    }
    if (text.empty()) return;
    if (decided_) {
        Emit(text, sink);
        return;
    }
    // Until the first line end, the first line is held whole; a CR at its end waits for the
    // next byte, which tells CR LF from CR.
    carry_.append(text);
    const size_t end = carry_.find_first_of("\r\n");
    if (end == std::string::npos || (carry_[end] == '\r' && end + 1 == carry_.size())) {
        if (std::min(end, carry_.size()) > kMaxLineBytes)
            throw CsvError(CsvErrorText(source_, nextLine_, kMaxLineBytes, TooLong()));
        return;
    }
    std::string first;
    first.swap(carry_);
    Decide(first);
    Emit(first, sink);
}

void CsvLineSplitter::Finish(CsvRunSink& sink)
{
    if (!decided_) {
        if (!carry_.empty() && carry_.back() == '\r') {
            Decide(carry_);
        } else {
            decided_ = true;
        }
    }
    if (carry_.empty()) return;
    const std::string last = std::move(carry_);
    carry_.clear();
    sink.OnRun(CsvRun{last, nextLine_, ends_});
    nextLine_ += 1;
}

void CsvLineSplitter::Decide(std::string_view text)
{
    const size_t end = text.find_first_of("\r\n");
    decided_ = true;
    if (text[end] == '\n') {
        ends_ = CsvLineEnds::kLf;
        lineEnd_ = "\n";
    } else if (end + 1 < text.size() && text[end + 1] == '\n') {
        ends_ = CsvLineEnds::kLf;
        lineEnd_ = "\r\n";
    } else {
        ends_ = CsvLineEnds::kCr;
        lineEnd_ = "\r";
    }
}

void CsvLineSplitter::Emit(std::string_view text, CsvRunSink& sink)
{
    const size_t last = ends_ == CsvLineEnds::kLf ? text.rfind('\n') : text.find_last_of("\r\n");
    if (last == std::string_view::npos) {
        Keep(text);
        return;
    }
    const std::string_view lines = text.substr(0, last + 1);
    lfAfterCr_ = text[last] == '\r' && last + 1 == text.size();
    const int64_t count = CountLines(lines, ends_);
    if (carry_.empty()) {
        sink.OnRun(CsvRun{lines, nextLine_, ends_});
    } else {
        AppendBytes(carry_, lines);
        sink.OnRun(CsvRun{carry_, nextLine_, ends_});
        carry_.clear();
    }
    nextLine_ += count;
    Keep(text.substr(last + 1));
}

void CsvLineSplitter::Keep(std::string_view rest)
{
    if (carry_.size() + rest.size() > kMaxLineBytes)
        throw CsvError(CsvErrorText(source_, nextLine_, kMaxLineBytes, TooLong()));
    carry_.append(rest);
}

bool CsvLineCursor::Next(std::string_view* line)
{
    const std::string_view text = run_.text;
    if (pos_ >= text.size()) return false;
    size_t end = 0, next = 0;
    if (run_.ends == CsvLineEnds::kLf) {
        end = std::min(text.find('\n', pos_), text.size());
        next = end + 1;
    } else {
        end = std::min(text.find_first_of("\r\n", pos_), text.size());
        next = end + 1;
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++next;
    }
    std::string_view found = text.substr(pos_, end - pos_);
    pos_ = std::min(next, text.size());  // a last line without a line end leaves nothing after it
    ++line_;
    if (found.size() > CsvLineSplitter::kMaxLineBytes)
        throw CsvError(CsvErrorText(source_, line_, CsvLineSplitter::kMaxLineBytes, TooLong()));
    if (run_.ends == CsvLineEnds::kLf && !found.empty() && found.back() == '\r') found.remove_suffix(1);
    *line = found;
    return true;
}

bool IsBlankCsvLine(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

size_t StrayCarriageReturn(std::string_view line, CsvLineEnds ends)
{
    return ends == CsvLineEnds::kLf ? line.find('\r') : std::string_view::npos;
}

std::string StrayCarriageReturnText(std::string_view lineEnd)
{
    return "a stray carriage return (\\r) in the line: the lines of this text end with " +
           std::string(lineEnd == "\n" ? "LF" : "CR LF");
}

}  // namespace Velogram
