#include "host/velogram/csv_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "host/velogram/unit_text.h"

namespace Velogram {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsBlankLine(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), IsBlank);
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsNumber(std::string_view text)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && end == text.data() + text.size() && ec != std::errc::invalid_argument;
}

// "name (unit)": the unit in the last balanced parentheses that end the text.
CsvColumn ColumnOfHeader(std::string_view text, size_t index)
{
    CsvColumn column;
    std::string_view name = text;
    if (!text.empty() && text.back() == ')') {
        int depth = 0;
        for (size_t i = text.size(); i-- > 0;) {
            if (text[i] == ')') ++depth;
            if (text[i] == '(' && --depth == 0) {
                column.unit = UnitOfText(text.substr(i + 1, text.size() - i - 2));
                name = Trimmed(text.substr(0, i));
                break;
            }
        }
    }
    name = Trimmed(name);
    column.name = name.empty() ? "Channel " + std::to_string(index + 1) : std::string(name);
    return column;
}

// The text in double quotes, for messages.
std::string Quoted(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out.append(1, '"').append(text).append(1, '"');
    return out;
}

std::string Plural(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

CsvReader::CsvReader(std::string source, CsvSink& sink) : source_(std::move(source)), sink_(sink) {}

void CsvReader::Feed(std::string_view chunk)
{
    size_t pos = 0;
    if (!partial_.empty()) {
        const size_t end = chunk.find('\n');
        const size_t take = end == std::string_view::npos ? chunk.size() : end;
        if (partial_.size() + take > kMaxLineBytes) {
            ++line_;
            Fail(kMaxLineBytes, "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
        }
        partial_.append(chunk.substr(0, take));
        if (end == std::string_view::npos) return;
        std::string line;
        line.swap(partial_);
        Line(line);
        pos = end + 1;
    }
    for (;;) {
        const size_t end = chunk.find('\n', pos);
        if (end == std::string_view::npos) break;
        Line(chunk.substr(pos, end - pos));
        pos = end + 1;
    }
    const std::string_view rest = chunk.substr(pos);
    if (rest.size() > kMaxLineBytes) {
        ++line_;
        Fail(kMaxLineBytes, "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
    }
    partial_.assign(rest);
}

void CsvReader::Finish()
{
    if (!partial_.empty()) {
        std::string line;
        line.swap(partial_);
        Line(line);
    }
    Flush();
    if (!headerSeen_) throw CsvError(source_ + ": no header row: the text is empty");
    if (rows_ == 0) throw CsvError(source_ + ": no samples: the header is not followed by any row of numbers");
}

void CsvReader::Line(std::string_view line)
{
    ++line_;
    // The same limit whether a line arrived whole or in pieces.
    if (line.size() > kMaxLineBytes)
        Fail(kMaxLineBytes, "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line_ == 1 && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    if (IsBlankLine(line)) {
        if (inBlock_) {
            Flush();
            inBlock_ = false;
        }
        return;
    }
    if (headerSeen_)
        DataLine(line);
    else
        HeaderLine(line);
}

void CsvReader::HeaderLine(std::string_view line)
{
    std::vector<std::string> cells;
    std::vector<size_t> starts;
    size_t bad = 0;
    if (!SplitCsvCells(line, cells, &starts, &bad)) Fail(bad + 1, "a quoted channel name is not closed properly");
    if (cells.size() > kMaxColumns)
        Fail(starts[kMaxColumns] + 1, "more than " + std::to_string(kMaxColumns) + " columns");
    if (std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return IsNumber(c); }))
        Fail(1, "the first row holds numbers, not channel names; the file needs a header row such as "
                "\"Pressure (V)\", one name per column");
    columns_.clear();
    for (size_t i = 0; i < cells.size(); ++i) columns_.push_back(ColumnOfHeader(cells[i], i));
    factors_.clear();
    for (const CsvColumn& c : columns_) factors_.push_back(PrefixedUnitFactor(c.unit));
    batchRows_ = std::max<size_t>(1, kBatchValues / columns_.size());
    batch_.assign(columns_.size(), std::vector<float>(batchRows_));
    headerSeen_ = true;
    sink_.OnHeader(columns_);
}

void CsvReader::DataLine(std::string_view line)
{
    if (!inBlock_) {
        sink_.OnBlock(blocks_++);
        inBlock_ = true;
    }
    const size_t n = columns_.size();
    size_t pos = 0;
    for (size_t c = 0; c < n; ++c) {
        const size_t comma = line.find(',', pos);
        const bool last = c + 1 == n;
        if (!last && comma == std::string_view::npos)
            Fail(line.size() + 1, "the row has " + Plural(c + 1, "value", "values") + ", but the header names " +
                                      Plural(n, "channel", "channels"));
        if (last && comma != std::string_view::npos) {
            const size_t values = n + size_t(std::count(line.begin() + comma, line.end(), ','));
            Fail(comma + 1, "the row has " + Plural(values, "value", "values") + ", but the header names " +
                                Plural(n, "channel", "channels"));
        }
        const size_t end = last ? line.size() : comma;
        batch_[c][pending_] = Number(line, pos, end, c);
        pos = end + 1;
    }
    ++rows_;
    if (++pending_ == batchRows_) Flush();
}

float CsvReader::Number(std::string_view line, size_t begin, size_t end, size_t column) const
{
    while (begin < end && IsBlank(line[begin])) ++begin;
    while (end > begin && IsBlank(line[end - 1])) --end;
    // Built only for a message: this runs for every sample.
    const auto where = [&] { return " in column " + std::to_string(column + 1) + " (" + columns_[column].name + ")"; };
    if (begin == end) Fail(begin + 1, "empty value" + where());
    const char* first = line.data() + begin;
    const char* last = line.data() + end;
    // from_chars takes no plus sign; a number may carry one.
    if (*first == '+' && last - first > 1 && first[1] != '-' && first[1] != '+') ++first;
    const auto bad = [&] {
        Fail(begin + 1, Quoted(line.substr(begin, end - begin)) + " is not a number" + where());
    };

    const double factor = factors_[column];
    if (factor == 1.0) {
        float value = 0;
        const auto [stop, ec] = std::from_chars(first, last, value);
        if (stop != last || ec == std::errc::invalid_argument) bad();
        if (ec == std::errc()) return value;
        // Out of a float's range: decided below from the double.
    }
    double value = 0;
    const auto [stop, ec] = std::from_chars(first, last, value);
    if (stop != last || ec == std::errc::invalid_argument) bad();
    const bool infinite = ec == std::errc() && std::isinf(value);
    // from_chars leaves the value alone when it is out of a double's range; strtod tells
    // an overflow (infinity) from an underflow (0).
    if (ec == std::errc::result_out_of_range) value = std::strtod(std::string(first, last).c_str(), nullptr);
    const float sample = static_cast<float>(value / factor);
    if (std::isinf(sample) && !infinite)
        Fail(begin + 1, Quoted(line.substr(begin, end - begin)) + " is too large for a sample" + where());
    return sample;
}

void CsvReader::Flush()
{
    if (pending_ == 0) return;
    for (size_t c = 0; c < batch_.size(); ++c) sink_.OnSamples(c, std::span<const float>(batch_[c].data(), pending_));
    pending_ = 0;
}

void CsvReader::Fail(size_t byteColumn, const std::string& what) const
{
    throw CsvError(source_ + ":" + std::to_string(line_) + ":" + std::to_string(byteColumn) + ": " + what);
}

bool SplitCsvCells(std::string_view line, std::vector<std::string>& cells, std::vector<size_t>* starts,
                   size_t* badOffset)
{
    cells.clear();
    if (starts) starts->clear();
    size_t pos = 0;
    for (;;) {
        size_t begin = pos;
        while (begin < line.size() && IsBlank(line[begin])) ++begin;
        std::string cell;
        size_t next = 0;
        if (begin < line.size() && line[begin] == '"') {
            size_t i = begin + 1;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] != '"') {
                    cell += line[i++];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    cell += '"';
                    i += 2;
                } else {
                    closed = true;
                    ++i;
                    break;
                }
            }
            while (i < line.size() && IsBlank(line[i])) ++i;
            if (!closed || (i < line.size() && line[i] != ',')) {
                if (badOffset) *badOffset = closed ? i : begin;
                return false;
            }
            next = i;
        } else {
            next = std::min(line.find(',', begin), line.size());
            cell = std::string(Trimmed(line.substr(begin, next - begin)));
        }
        cells.push_back(std::move(cell));
        if (starts) starts->push_back(begin);
        if (next >= line.size()) return true;
        pos = next + 1;
    }
}

}  // namespace Velogram
