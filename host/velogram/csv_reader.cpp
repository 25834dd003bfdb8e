#include "host/velogram/csv_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "host/velogram/time_text.h"
#include "host/velogram/unit_text.h"
#include "interfaces/recording.h"
#include "platform/code_page.h"

namespace Velogram {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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
    : source_(std::move(source)), sink_(&sink), options_(options), splitter_(source_)
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
    : source_(std::move(source)), lineSink_(&sink), options_(options), splitter_(source_)
{
}

CsvReader::CsvReader(std::string source, CsvRowsSink& sink, CsvReadOptions options)
    : source_(std::move(source)), rowsSink_(&sink), options_(options), splitter_(source_)
{
    if (options_.dialect.delimiter == ',' && options_.dialect.decimalComma.value_or(false))
        throw CsvError(source_ + ": a decimal comma needs values separated by semicolons or tabs, not commas");
}

CsvDialect CsvReader::Dialect() const
{
    CsvDialect dialect = dialect_;
    if (parser_) dialect.decimal = parser_->Decimal();
    return dialect;
}

void CsvReader::Feed(std::string_view chunk) { splitter_.Feed(decoder_.Decode(chunk), runs_); }

void CsvReader::Finish()
{
    splitter_.Feed(decoder_.Finish(), runs_);
    splitter_.Finish(runs_);
    if (detecting_) Detect();
    Flush();
    if (inBlock_) EndBlock();
    inBlock_ = false;
    if (!headerSeen_) throw CsvError(source_ + ": no header row: the text is empty");
    if (rows_ == 0 && !rowsSink_)
        throw CsvError(source_ + ": no samples: the header is not followed by any row of numbers");
}

void CsvReader::Run(const CsvRun& run)
{
    if (rowsPassed_) {
        rowsSink_->OnRows(run);
        return;
    }
    ends_ = run.ends;
    CsvLineCursor lines(run, source_);
    std::string_view line;
    while (lines.Next(&line)) {
        line_ = lines.Line();
        Line(line);
        if (rowsPassed_) {
            const CsvRun rest = lines.Rest();
            if (!rest.text.empty()) rowsSink_->OnRows(rest);
            return;
        }
    }
}

void CsvReader::Line(std::string_view line)
{
    if (line_ <= options_.skipLines) {
        const std::string text = Decoded(line);
        if (lineSink_) lineSink_->OnPreamble(text);
        if (rowsSink_) rowsSink_->OnPreamble(text);
        return;
    }
    if (const size_t cr = StrayCarriageReturn(line, ends_); cr != std::string_view::npos)
        Fail(cr + 1, StrayCarriageReturnText(splitter_.LineEnd()));
    if (!headerSeen_) {
        if (IsBlankCsvLine(line)) return;
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
    if (IsBlankCsvLine(line)) return;
    ++heldRows_;
    heldBytes_ += line.size();
    if (heldRows_ >= kDetectionRows || heldBytes_ >= kDetectionBytes) Detect();
}

void CsvReader::Detect()
{
    detecting_ = false;
    std::vector<std::string_view> rows;
    for (const HeldLine& h : held_)
        if (!IsBlankCsvLine(h.text)) rows.push_back(h.text);
    dialect_ = DetectCsvDialect(header_, rows, options_.dialect);
    const int64_t at = line_;
    line_ = headerLine_;
    HeaderLine(header_);
    if (rowsSink_) {
        // The held lines are consecutive, from the one after the header.
        std::string text;
        for (const HeldLine& h : held_) (text += h.text) += '\n';
        rowsPassed_ = true;
        if (!text.empty()) rowsSink_->OnRows(CsvRun{text, headerLine_ + 1, CsvLineEnds::kLf});
    } else {
        for (const HeldLine& h : held_) {
            line_ = h.number;
            Row(h.text);
        }
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
    parser_.emplace(columns_, dialect_);
    if (rowsSink_) {
        rowsSink_->OnHeader(line, columns_);
        return;
    }
    ChooseTimeColumn();
    if (timeColumn_ != kNoTimeColumn) parser_->SetExactColumn(timeColumn_, "time");
    std::vector<CsvColumn> channels = columns_;
    if (timeColumn_ != kNoTimeColumn) channels.erase(channels.begin() + std::ptrdiff_t(timeColumn_));
    row_.resize(columns_.size());
    batchRows_ = std::max<size_t>(1, kBatchValues / channels.size());
    // Grown as rows come, so that a short text costs no full batch.
    batch_.assign(channels.size(), {});
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
    if (IsBlankCsvLine(line)) {
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
    try {
        parser_->Parse(line, row_.data());
    } catch (const CsvRowFault& fault) {
        Fail(fault.column, fault.what);
    }
    if (timeColumn_ == kNoTimeColumn) {
        for (size_t c = 0; c < row_.size(); ++c) batch_[c].push_back(row_[c]);
    } else {
        for (size_t c = 0; c < row_.size(); ++c)
            if (c != timeColumn_) batch_[c < timeColumn_ ? c : c - 1].push_back(row_[c]);
        TimeValue(parser_->ExactValue(), parser_->ExactText());
    }
    ++rows_;
    if (++pending_ == batchRows_) Flush();
}

void CsvReader::TimeValue(double value, std::string_view text)
{
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

void CsvReader::Flush()
{
    if (pending_ == 0) return;
    for (size_t c = 0; c < batch_.size(); ++c) {
        sink_->OnSamples(c, std::span<const float>(batch_[c].data(), pending_));
        batch_[c].clear();
    }
    pending_ = 0;
}

void CsvReader::Fail(size_t byteColumn, const std::string& what) const
{
    throw CsvError(CsvErrorText(source_, line_, byteColumn, what));
}

}  // namespace Velogram
