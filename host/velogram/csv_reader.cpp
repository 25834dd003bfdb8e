#include "host/velogram/csv_reader.h"

#include <algorithm>
#include <string>

#include "host/velogram/unit_text.h"
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

}  // namespace

CsvReader::CsvReader(std::string source, CsvSink& sink, CsvReadOptions options)
    : source_(std::move(source)), sink_(&sink), options_(options), splitter_(source_)
{
    if (options_.dialect.delimiter == ',' && options_.dialect.decimalComma.value_or(false))
        throw CsvError(source_ + ": a decimal comma needs values separated by semicolons or tabs, not commas");
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
    row_.resize(columns_.size());
    batchRows_ = std::max<size_t>(1, kBatchValues / columns_.size());
    // Grown as rows come, so that a short text costs no full batch.
    batch_.assign(columns_.size(), {});
    sink_->OnHeader(columns_);
}

void CsvReader::Row(std::string_view line)
{
    if (IsBlankCsvLine(line)) {
        if (inBlock_) {
            Flush();
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
    for (size_t c = 0; c < row_.size(); ++c) batch_[c].push_back(row_[c]);
    ++rows_;
    if (++pending_ == batchRows_) Flush();
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
