#include "host/velogram/stopwatch.h"
#include "host/velogram/csv_chunk.h"
#include "host/velogram/copy_bytes.h"

#include <algorithm>
#include <cstring>

namespace Velogram {

void CsvChunk::Assign(const CsvRun& run, DecimalMark mark, char decimal)
{
    text_.resize(run.text.size());
    CopyBytes(text_.data(), run.text.data(), run.text.size());
    run_ = CsvRun{text_, run.firstLine, run.ends};
    markGiven_ = mark;
    markAfter_ = mark;
    decimal_ = decimal;
}

void CsvChunk::Reassign(DecimalMark mark, char decimal)
{
    markGiven_ = mark;
    markAfter_ = mark;
    decimal_ = decimal;
}

void CsvChunk::Process(const CsvChunkFormat& format, std::span<ColumnProducer* const> producers)
{
    error_ = nullptr;
    outSize_ = 0;
    outside_ = 0;
    parseSeconds_ = produceSeconds_ = formatSeconds_ = 0;
    try {
        auto t0 = Clock::now();
        ReadRows(format);
        outside_ = format.counted.CountOutside(raw_);
        parseSeconds_ = Seconds(t0);
        t0 = Clock::now();
        Produce(producers);
        produceSeconds_ = Seconds(t0);
        t0 = Clock::now();
        Format(format);
        formatSeconds_ = Seconds(t0);
    } catch (...) {
        error_ = std::current_exception();
    }
}

void CsvChunk::ReadRows(const CsvChunkFormat& format)
{
    raw_.clear();
    begins_.clear();
    ends_.clear();
    separators_.clear();
    firstRowLeads_ = false;
    endsInBlock_ = false;
    row_.resize(format.columns.size());
    CsvRowParser parser(format.columns, CsvDialect{format.delimiter, markGiven_});
    // Only a text whose lines end with LF can hold a stray CR; most chunks have no CR at all.
    const bool mayHoldCr = run_.ends == CsvLineEnds::kLf && text_.find('\r') != std::string::npos;
    CsvLineCursor lines(run_, format.source);
    std::string_view line;
    bool blankSeen = false;
    while (lines.Next(&line)) {
        if (mayHoldCr) {
            const size_t cr = StrayCarriageReturn(line, run_.ends);
            if (cr != std::string_view::npos)
                throw CsvError(CsvErrorText(format.source, lines.Line(), cr + 1, StrayCarriageReturnText(format.lineEnd)));
        }
        if (IsBlankCsvLine(line)) {
            blankSeen = true;
            endsInBlock_ = false;
            continue;
        }
        if (raw_.empty())
            firstRowLeads_ = !blankSeen;
        else if (!endsInBlock_)
            separators_.push_back(uint32_t(raw_.size()));
        endsInBlock_ = true;
        try {
            parser.Parse(line, row_.data());
        } catch (const CsvRowFault& fault) {
            markAfter_ = parser.Decimal();
            throw CsvError(CsvErrorText(format.source, lines.Line(), fault.column, fault.what));
        }
        raw_.push_back(row_[format.sourceColumn]);
        begins_.push_back(uint32_t(line.data() - text_.data()));
        ends_.push_back(uint32_t(line.data() + line.size() - text_.data()));
    }
    markAfter_ = parser.Decimal();
}

void CsvChunk::Produce(std::span<ColumnProducer* const> producers)
{
    values_.resize(producers.size());
    for (size_t a = 0; a < producers.size(); ++a) {
        values_[a].resize(raw_.size());
        producers[a]->Produce(raw_, values_[a]);
    }
}

void CsvChunk::Format(const CsvChunkFormat& format)
{
    std::vector<CsvNumberFormat> formats = format.formats;
    for (CsvNumberFormat& f : formats) f.decimal = decimal_;
    const std::string_view lineEnd = format.lineEnd;
    // A row's own text, a block's blank line, the added values and the line end.
    const size_t room = formats.size() * (CsvNumberFormat::kMaxChars + 1) + 2 * lineEnd.size();
    const char* const text = text_.data();
    size_t separator = 0;
    for (size_t r = 0; r < raw_.size(); ++r) {
        const size_t length = ends_[r] - begins_[r];
        char* const begin = Reserve(length + room);
        char* p = begin;
        if (separator < separators_.size() && separators_[separator] == r) {
            p = std::copy(lineEnd.begin(), lineEnd.end(), p);
            ++separator;
        }
        std::memcpy(p, text + begins_[r], length);
        p += length;
        for (size_t a = 0; a < formats.size(); ++a) {
            *p++ = format.delimiter;
            p = formats[a].Write(p, values_[a][r]);
        }
        p = std::copy(lineEnd.begin(), lineEnd.end(), p);
        outSize_ += size_t(p - begin);
    }
}

char* CsvChunk::Reserve(size_t n)
{
    if (outCapacity_ - outSize_ < n) {
        // Room for the whole chunk at the rate so far, so that a chunk grows its buffer a few
        // times at most; a buffer keeps its size for the chunks after.
        const size_t capacity = std::max({outCapacity_ * 2, outSize_ + n, text_.size() * 2 + n});
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (outSize_) std::memcpy(grown.get(), out_.get(), outSize_);
        out_ = std::move(grown);
        outCapacity_ = capacity;
    }
    return out_.get() + outSize_;
}

}  // namespace Velogram
