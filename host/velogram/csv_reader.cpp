#include "host/velogram/csv_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "host/velogram/time_text.h"
#include "host/velogram/unit_text.h"
#include "interfaces/recording.h"
#include "platform/code_page.h"

namespace Velogram {
namespace {

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
    std::string out(1, '"');
    out += PrintableText(text);
    out += '"';
    return out;
}

std::string Plural(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string TooLong() { return "the line is longer than " + std::to_string(CsvReader::kMaxLineBytes) + " bytes"; }

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A header that names the rows' times: "time" with no unit or a unit of time, "t" with a unit
// of time.
bool IsTimeHeader(const CsvColumn& column)
{
    const std::string name = Lower(column.name);
    const std::string unit = UnitText(column.unit);
    const bool timeUnit = SecondsPerTimeUnit(unit).has_value();
    return (name == "time" && (unit.empty() || timeUnit)) || (name == "t" && timeUnit);
}

// A value's text with its decimal mark made a point and a leading plus sign dropped, as
// std::from_chars reads numbers: [first, last).
class NumberText {
public:
    // False when the text has a point while its decimal mark is a comma.
    bool Prepare(std::string_view text, DecimalMark mark)
    {
        first = text.data();
        last = text.data() + text.size();
        if (mark == DecimalMark::kComma) {
            if (text.find('.') != std::string_view::npos) return false;
            const size_t comma = text.find(',');
            if (comma != std::string_view::npos) {
                char* copy = buffer_;
                if (text.size() > sizeof buffer_) {
                    longer_.assign(text);
                    copy = longer_.data();
                } else {
                    std::copy(text.begin(), text.end(), buffer_);
                }
                copy[comma] = '.';
                first = copy;
                last = copy + text.size();
            }
        }
        // from_chars takes no plus sign; a number may carry one.
        if (*first == '+' && last - first > 1 && first[1] != '-' && first[1] != '+') ++first;
        return true;
    }

    const char* first = nullptr;
    const char* last = nullptr;

private:
    char buffer_[64];
    std::string longer_;
};

// The value of the last printed digit of a number text ("0.125" 0.001, "2e-3" 0.001, "40" 1).
double PrintedResolution(std::string_view text)
{
    const size_t exponentAt = text.find_first_of("eE");
    int exponent = 0;
    if (exponentAt != std::string_view::npos) {
        const std::string_view e = text.substr(exponentAt + 1);
        std::from_chars(e.data() + (e.starts_with('+') ? 1 : 0), e.data() + e.size(), exponent);
    }
    const std::string_view digits = text.substr(0, exponentAt);
    const size_t mark = digits.find_first_of(".,");
    const int decimals = mark == std::string_view::npos ? 0 : int(digits.size() - mark - 1);
    return std::pow(10.0, exponent - decimals);
}


}  // namespace

CsvReader::CsvReader(std::string source, CsvSink& sink, CsvReadOptions options)
    : source_(std::move(source)), sink_(&sink), options_(options)
{
    if (options_.dialect.delimiter == ',' && options_.dialect.decimalComma.value_or(false))
        throw CsvError(source_ + ": a decimal comma needs values separated by semicolons or tabs, not commas");
    if (options_.sampleRate != 0) {
        const double interval = 1.0 / options_.sampleRate;
        if (!(interval >= kMinSampleInterval && interval <= kMaxSampleInterval))
            throw CsvError(source_ + ": a sample rate must lie between " + FormatSampleRate(kMaxSampleInterval) +
                           " and " + FormatSampleRate(kMinSampleInterval));
        if (options_.time.mode == CsvTimeColumn::Mode::kNamed)
            throw CsvError(source_ + ": a sample rate and a time column cannot both give the sample interval");
    }
}

CsvReader::CsvReader(std::string source, CsvLineSink& sink, CsvReadOptions options)
    : source_(std::move(source)), lineSink_(&sink), options_(options)
{
}

void CsvReader::Feed(std::string_view chunk) { Split(decoder_.Decode(chunk)); }

void CsvReader::Finish()
{
    Split(decoder_.Finish());
    if (crEnded_ && lineEnds_ == LineEnds::kOpen) EndOfLine('\r', false, true);
    crEnded_ = false;
    if (!partial_.empty()) {
        std::string line;
        line.swap(partial_);
        Line(line);
    }
    if (detecting_) Detect();
    Flush();
    if (inBlock_) EndBlock();
    inBlock_ = false;
    if (!headerSeen_) throw CsvError(source_ + ": no header row: the text is empty");
    if (rows_ == 0) throw CsvError(source_ + ": no samples: the header is not followed by any row of numbers");
}

void CsvReader::Split(std::string_view text)
{
    size_t pos = 0;
    // A line that ended in a CR at the end of the last piece: an LF here completes a CR LF.
    if (crEnded_ && !text.empty()) {
        crEnded_ = false;
        const bool lf = text[0] == '\n';
        if (lf) pos = 1;
        EndOfLine('\r', lf, true);
    }
    while (pos < text.size()) {
        // Until the first line end has decided otherwise, a CR alone ends a line too.
        const size_t end = lineEnds_ == LineEnds::kLf ? text.find('\n', pos) : text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) break;
        const std::string_view piece = text.substr(pos, end - pos);
        if (partial_.empty()) {
            Line(piece);
        } else {
            if (partial_.size() + piece.size() > kMaxLineBytes) {
                ++line_;
                Fail(kMaxLineBytes, TooLong());
            }
            std::string line;
            line.swap(partial_);
            line.append(piece);
            Line(line);
        }
        pos = end + 1;
        if (text[end] == '\r') {
            const bool known = pos < text.size();
            const bool lf = known && text[pos] == '\n';
            if (lf) ++pos;
            if (!known) crEnded_ = true;
            EndOfLine('\r', lf, known);
        } else {
            EndOfLine('\n', false, true);
        }
    }
    const std::string_view rest = text.substr(pos);
    if (partial_.size() + rest.size() > kMaxLineBytes) {
        ++line_;
        Fail(kMaxLineBytes, TooLong());
    }
    partial_.append(rest);
}

void CsvReader::EndOfLine(char terminator, bool followedByLf, bool known)
{
    if (lineEnds_ != LineEnds::kOpen || !known) return;
    if (terminator == '\n') {
        lineEnds_ = LineEnds::kLf;
        lineEnd_ = "\n";
    } else if (followedByLf) {
        lineEnds_ = LineEnds::kLf;
        lineEnd_ = "\r\n";
    } else {
        lineEnds_ = LineEnds::kCr;
        lineEnd_ = "\r";
    }
}

void CsvReader::Line(std::string_view line)
{
    ++line_;
    // The same limit whether a line arrived whole or in pieces.
    if (line.size() > kMaxLineBytes) Fail(kMaxLineBytes, TooLong());
    if (lineEnds_ == LineEnds::kLf && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line_ <= options_.skipLines) {
        const std::string text = Decoded(line);
        if (lineSink_) lineSink_->OnPreamble(text);
        return;
    }
    if (lineEnds_ == LineEnds::kLf) {
        const size_t cr = line.find('\r');
        if (cr != std::string_view::npos)
            Fail(cr + 1, "a stray carriage return (\\r) in the line: the lines of this text end with " +
                             std::string(lineEnd_ == "\n" ? "LF" : "CR LF"));
    }
    if (!headerSeen_) {
        if (IsBlankLine(line)) return;
        const size_t nul = line.find('\0');
        if (nul != std::string_view::npos)
            Fail(nul + 1, "the header holds NUL bytes (\\0): UTF-16 text needs a byte-order mark at its start");
        headerSeen_ = true;
        headerLine_ = line_;
        header_ = Decoded(line);
        if (lineSink_)
            lineSink_->OnHeaderLine(header_);
        else
            detecting_ = true;
        return;
    }
    if (detecting_)
        Hold(line);
    else
        Row(line);
}

std::string CsvReader::Decoded(std::string_view line)
{
    if (decoder_.Encoding() == TextEncoding::kUtf16LittleEndian ||
        decoder_.Encoding() == TextEncoding::kUtf16BigEndian || platform::IsUtf8(line))
        return std::string(line);
    if (!noted1252_) {
        noted1252_ = true;
        notes_.push_back(source_ + ":" + std::to_string(line_) + ": not UTF-8 text; read as Windows-1252");
    }
    return platform::Windows1252ToUtf8(line);
}

void CsvReader::Hold(std::string_view line)
{
    held_.push_back(HeldLine{line_, std::string(line)});
    if (IsBlankLine(line)) return;
    ++heldRows_;
    heldBytes_ += line.size();
    if (heldRows_ >= kDetectionRows || heldBytes_ >= kDetectionBytes) Detect();
}

void CsvReader::Detect()
{
    detecting_ = false;
    std::vector<std::string_view> rows;
    for (const HeldLine& h : held_)
        if (!IsBlankLine(h.text)) rows.push_back(h.text);
    dialect_ = DetectCsvDialect(header_, rows, options_.dialect);
    const int64_t at = line_;
    line_ = headerLine_;
    HeaderLine(header_);
    for (const HeldLine& h : held_) {
        line_ = h.number;
        Row(h.text);
    }
    line_ = at;
    held_.clear();
    held_.shrink_to_fit();
}

void CsvReader::HeaderLine(std::string_view line)
{
    std::vector<std::string> cells;
    std::vector<size_t> starts;
    size_t bad = 0;
    if (!SplitCsvCells(line, cells, &starts, &bad, dialect_.delimiter))
        Fail(bad + 1, "a quoted channel name is not closed properly");
    if (cells.size() > kMaxColumns)
        Fail(starts[kMaxColumns] + 1, "more than " + std::to_string(kMaxColumns) + " columns");
    if (std::all_of(cells.begin(), cells.end(), [&](const std::string& c) { return IsCsvNumber(c, dialect_.decimal); }))
        Fail(1, "the first row holds numbers, not channel names; the file needs a header row such as "
                "\"Pressure (V)\", one name per column");
    columns_.clear();
    for (size_t i = 0; i < cells.size(); ++i) columns_.push_back(ColumnOfHeader(cells[i], i));
    factors_.clear();
    for (const CsvColumn& c : columns_) factors_.push_back(PrefixedUnitFactor(c.unit));
    ChooseTimeColumn();
    std::vector<CsvColumn> channels = columns_;
    if (timeColumn_ != kNoTimeColumn) channels.erase(channels.begin() + std::ptrdiff_t(timeColumn_));
    batchRows_ = std::max<size_t>(1, kBatchValues / channels.size());
    batch_.assign(channels.size(), std::vector<float>(batchRows_));
    sink_->OnHeader(channels);
}

void CsvReader::ChooseTimeColumn()
{
    timeColumn_ = kNoTimeColumn;
    const CsvTimeColumn& choice = options_.time;
    if (choice.mode == CsvTimeColumn::Mode::kDetect) {
        if (options_.sampleRate == 0 && columns_.size() > 1 && IsTimeHeader(columns_[0])) timeColumn_ = 0;
    } else if (choice.mode == CsvTimeColumn::Mode::kNamed) {
        const bool number = !choice.name.empty() && choice.name.size() < 6 &&
                            std::all_of(choice.name.begin(), choice.name.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (number) {
            const size_t index = size_t(std::stoul(choice.name));
            if (index < columns_.size()) timeColumn_ = index;
        }
        for (size_t i = 0; timeColumn_ == kNoTimeColumn && i < columns_.size(); ++i)
            if (columns_[i].name == choice.name) timeColumn_ = i;
        if (timeColumn_ == kNoTimeColumn)
            Fail(1, "no column " + Quoted(choice.name) + " holds the time: the header names " +
                        Plural(columns_.size(), "column", "columns"));
        if (columns_.size() == 1) Fail(1, "the time column is the only column: no channel is left");
    }
    if (timeColumn_ == kNoTimeColumn) return;
    const std::string unit = UnitText(columns_[timeColumn_].unit);
    const std::optional<double> perUnit = unit.empty() ? 1.0 : SecondsPerTimeUnit(unit);
    if (!perUnit)
        Fail(1, "the time column " + Quoted(columns_[timeColumn_].name) + " has the unit " + Quoted(unit) +
                    ", which is no unit of time (s, ms, \u00B5s, ns, min, h)");
    secondsPerTimeUnit_ = *perUnit;
    times_ = BlockTimes{};
}

void CsvReader::Row(std::string_view line)
{
    if (IsBlankLine(line)) {
        if (inBlock_) {
            Flush();
            EndBlock();
            inBlock_ = false;
        }
        return;
    }
    if (!inBlock_) {
        if (lineSink_)
            lineSink_->OnBlock(blocks_++);
        else
            sink_->OnBlock(blocks_++);
        inBlock_ = true;
    }
    if (lineSink_) {
        lineSink_->OnRow(line);
        ++rows_;
        return;
    }
    DataLine(line);
}

void CsvReader::DataLine(std::string_view line)
{
    const size_t n = columns_.size();
    const char d = dialect_.delimiter;
    const auto count = [&](size_t values) {
        return "the row has " + Plural(values, "value", "values") + ", but the header names " +
               Plural(n, "channel", "channels");
    };
    size_t pos = 0;
    for (size_t c = 0; c < n; ++c) {
        const bool last = c + 1 == n;
        size_t begin = pos;
        while (begin < line.size() && IsCsvBlank(line[begin], d)) ++begin;
        size_t valueBegin = begin, valueEnd = 0, next = 0;
        if (begin < line.size() && line[begin] == '"') {
            const size_t close = line.find('"', begin + 1);
            if (close == std::string_view::npos)
                Fail(begin + 1, "a quoted value is not closed in column " + std::to_string(c + 1));
            next = close + 1;
            while (next < line.size() && IsCsvBlank(line[next], d)) ++next;
            if (next < line.size() && line[next] != d)
                Fail(next + 1, "text after the closing quote of a value in column " + std::to_string(c + 1));
            valueBegin = begin + 1;
            valueEnd = close;
        } else {
            next = std::min(line.find(d, begin), line.size());
            valueEnd = next;
        }
        if (!last && next >= line.size()) Fail(line.size() + 1, count(c + 1));
        if (last && next < line.size())
            Fail(next + 1, count(n + size_t(std::count(line.begin() + std::ptrdiff_t(next), line.end(), d))));
        if (c == timeColumn_)
            TimeValue(line, valueBegin, valueEnd);
        else
            batch_[c < timeColumn_ ? c : c - 1][pending_] = Number(line, valueBegin, valueEnd, c);
        pos = next + 1;
    }
    ++rows_;
    if (++pending_ == batchRows_) Flush();
}

std::string_view CsvReader::ValueText(std::string_view line, size_t& begin, size_t& end, size_t column)
{
    const char d = dialect_.delimiter;
    while (begin < end && IsCsvBlank(line[begin], d)) ++begin;
    while (end > begin && IsCsvBlank(line[end - 1], d)) --end;
    if (begin == end)
        Fail(begin + 1, "empty value in column " + std::to_string(column + 1) + " (" + columns_[column].name + ")");
    const std::string_view text = line.substr(begin, end - begin);
    if (dialect_.decimal == DecimalMark::kUndecided) {
        const size_t mark = text.find_first_of(".,");
        if (mark != std::string_view::npos) dialect_.decimal = text[mark] == ',' ? DecimalMark::kComma : DecimalMark::kPoint;
    }
    return text;
}

float CsvReader::Number(std::string_view line, size_t begin, size_t end, size_t column)
{
    const std::string_view text = ValueText(line, begin, end, column);
    NumberText number;
    // A decimal comma becomes a point for from_chars; a point is then no decimal mark.
    if (!number.Prepare(text, dialect_.decimal)) NotANumber(line, begin, end, column);
    const char* first = number.first;
    const char* last = number.last;

    const double factor = factors_[column];
    if (factor == 1.0) {
        float value = 0;
        const auto [stop, ec] = std::from_chars(first, last, value);
        if (stop != last || ec == std::errc::invalid_argument) NotANumber(line, begin, end, column);
        if (ec == std::errc()) return value;
        // Out of a float's range: decided below from the double.
    }
    double value = 0;
    const auto [stop, ec] = std::from_chars(first, last, value);
    if (stop != last || ec == std::errc::invalid_argument) NotANumber(line, begin, end, column);
    const bool infinite = ec == std::errc() && std::isinf(value);
    // from_chars leaves the value alone when it is out of a double's range; strtod tells
    // an overflow (infinity) from an underflow (0).
    if (ec == std::errc::result_out_of_range) value = std::strtod(std::string(first, last).c_str(), nullptr);
    const float sample = static_cast<float>(value / factor);
    if (std::isinf(sample) && !infinite)
        Fail(begin + 1, Quoted(text) + " is too large for a sample in column " + std::to_string(column + 1) + " (" +
                            columns_[column].name + ")");
    return sample;
}

void CsvReader::TimeValue(std::string_view line, size_t begin, size_t end)
{
    const std::string_view text = ValueText(line, begin, end, timeColumn_);
    NumberText number;
    double value = 0;
    if (!number.Prepare(text, dialect_.decimal)) NotANumber(line, begin, end, timeColumn_);
    const auto [stop, ec] = std::from_chars(number.first, number.last, value);
    if (stop != number.last || ec != std::errc() || !std::isfinite(value)) {
        if (ec == std::errc::invalid_argument || stop != number.last) NotANumber(line, begin, end, timeColumn_);
        Fail(begin + 1, Quoted(text) + " is no finite time in column " + std::to_string(timeColumn_ + 1) + " (" +
                            columns_[timeColumn_].name + ")");
    }
    const double seconds = value * secondsPerTimeUnit_;
    BlockTimes& t = times_;
    if (t.count > 0) {
        const double step = seconds - t.last;
        if (!(step > 0) && t.notIncreasing == 0) t.notIncreasing = line_;
        t.minStep = t.count == 1 ? step : std::min(t.minStep, step);
        t.maxStep = t.count == 1 ? step : std::max(t.maxStep, step);
    } else {
        t.first = seconds;
    }
    t.last = seconds;
    // The finest digit any time shows: a writer that drops trailing zeros prints "1" for 1.000.
    const double resolution = PrintedResolution(text) * secondsPerTimeUnit_;
    t.resolution = t.count == 0 ? resolution : std::min(t.resolution, resolution);
    ++t.count;
}

void CsvReader::EndBlock()
{
    if (!sink_) return;
    const int32_t block = blocks_ - 1;
    const std::string where = source_ + ": block " + std::to_string(block + 1) + ": ";
    if (options_.sampleRate > 0) {
        sink_->OnSampleInterval(block, 1.0 / options_.sampleRate);
    } else if (timeColumn_ != kNoTimeColumn && times_.count > 1) {
        const BlockTimes& t = times_;
        const double interval = (t.last - t.first) / double(t.count - 1);
        if (t.notIncreasing != 0) {
            notes_.push_back(where + "the time does not increase at line " + std::to_string(t.notIncreasing) +
                             "; the block has no sample interval");
        } else if (!(interval >= kMinSampleInterval && interval <= kMaxSampleInterval)) {
            notes_.push_back(where + "the times give a sample interval of " + FormatSampleInterval(interval) +
                             ", which a recording cannot hold; the block has none");
        } else {
            if (t.maxStep - t.minStep > interval / 50.0 + 2.0 * t.resolution)
                notes_.push_back(where + "the times are not evenly spaced (steps from " +
                                 FormatSampleInterval(t.minStep) + " to " + FormatSampleInterval(t.maxStep) +
                                 "); the block's sample interval is their mean, " + FormatSampleInterval(interval));
            sink_->OnSampleInterval(block, interval);
        }
    }
    times_ = BlockTimes{};
}

void CsvReader::NotANumber(std::string_view line, size_t begin, size_t end, size_t column) const
{
    const std::string_view text = line.substr(begin, end - begin);
    std::string why = Quoted(text) + " is not a number in column " + std::to_string(column + 1) + " (" +
                      columns_[column].name + ")";
    // The other decimal mark is the likeliest slip.
    if (dialect_.decimal == DecimalMark::kComma && text.find('.') != std::string_view::npos)
        why += ": the decimal mark of this text is a comma";
    else if (dialect_.delimiter != ',' && dialect_.decimal == DecimalMark::kPoint &&
             text.find(',') != std::string_view::npos)
        why += ": the decimal mark of this text is a point";
    Fail(begin + 1, why);
}

void CsvReader::Flush()
{
    if (pending_ == 0) return;
    for (size_t c = 0; c < batch_.size(); ++c) sink_->OnSamples(c, std::span<const float>(batch_[c].data(), pending_));
    pending_ = 0;
}

void CsvReader::Fail(size_t byteColumn, const std::string& what) const
{
    throw CsvError(source_ + ":" + std::to_string(line_) + ":" + std::to_string(byteColumn) + ": " + what);
}

}  // namespace Velogram
