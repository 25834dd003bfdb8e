// Fuzzes the command line's readers of outside text: CSV recordings and points files.
//
// Input: a mode byte, a piece byte, then the text. Mode byte even: the text is a CSV recording
// (any encoding, separator, decimal mark and line end), read with the options the mode's
// bits choose (bits 1-2: lines to skip, 0 to 3; bits 3-4: no separator chosen, comma,
// semicolon, tab; bits 5-6: the decimal mark detected, a comma, a point; bit 7: a time column
// detected), fed to the reader in pieces of (piece + 1) bytes, so that lines and characters are
// cut in every place; odd: the text is a points file. Checks: a reader either finishes or
// throws its own error type, never anything else; what it delivers keeps the sink's contract
// (blocks in order, equal batches for every column, as many rows as it counts, a block's
// sample interval after its samples and within a recording's range); the same text read whole
// gives the same samples, intervals, dialect and line end; a text that reads is read by a line
// reader into as many rows and blocks, no row holding a line end; every point it returns reads
// as two values. And the streamed road of calibrate against the road through a recording read
// whole: the text as a file, calibrated with a column that copies the first one (its samples
// added to the recording as a channel on the whole road; an identity producer on the streamed
// road, in chunks of (piece + 1) bytes, several in flight), gives the same bytes or the same
// error.
#include <fcntl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include <memory>

#include "interfaces/recording.h"
#include "values/units/unit_entry.h"
#include "host/velogram/command_error.h"
#include "host/velogram/csv_calibrate_pipeline.h"
#include "host/velogram/csv_reader.h"
#include "host/velogram/csv_writer.h"
#include "host/velogram/output_file.h"
#include "host/velogram/recording_import.h"
#include "host/velogram/unit_text.h"
#include "host/zor/document.h"
#include "host/velogram/points_file.h"
#include "host/velogram/reference_points.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

struct CheckingSink final : Velogram::CsvSink {
    size_t columns = 0;
    int32_t blocks = 0;
    int64_t samples = 0;
    size_t batchColumn = 0;
    size_t batchSize = 0;
    std::vector<uint32_t> bits;  // every sample, for comparing two reads
    std::vector<double> intervals;

    void OnHeader(const std::vector<Velogram::CsvColumn>& c) override
    {
        Check(columns == 0 && !c.empty() && c.size() <= Velogram::CsvReader::kMaxColumns);
        columns = c.size();
    }
    void OnBlock(int32_t block) override
    {
        Check(columns > 0 && block == blocks && batchColumn == 0);
        ++blocks;
    }
    void OnSamples(size_t column, std::span<const float> s) override
    {
        Check(blocks > 0 && column == batchColumn && !s.empty());
        if (column == 0) batchSize = s.size();
        Check(s.size() == batchSize);
        batchColumn = (column + 1) % columns;
        samples += int64_t(s.size());
        for (float f : s) {
            uint32_t b = 0;
            __builtin_memcpy(&b, &f, sizeof b);
            bits.push_back(b);
        }
    }
    void OnSampleInterval(int32_t block, double seconds) override
    {
        Check(block == blocks - 1 && batchColumn == 0 && intervals.size() < size_t(blocks));
        Check(seconds >= kMinSampleInterval && seconds <= kMaxSampleInterval);
        intervals.push_back(seconds);
    }
};

struct LineSink final : Velogram::CsvLineSink {
    int32_t blocks = 0;
    int64_t rows = 0;
    bool header = false;
    void OnPreamble(std::string_view line) override { Check(!header && line.find('\n') == line.npos); }
    void OnHeaderLine(std::string_view line) override
    {
        Check(!header && line.find('\n') == line.npos);
        header = true;
    }
    void OnBlock(int32_t block) override
    {
        Check(header && block == blocks);
        ++blocks;
    }
    void OnRow(std::string_view line) override
    {
        Check(blocks > 0 && !line.empty() && line.find('\n') == line.npos);
        ++rows;
    }
};

// What a read gave: every sample, the dialect, the line end; ok false after an error (the
// message's file name prefix checked).
struct CsvRead {
    bool ok = false;
    std::vector<uint32_t> bits;
    std::vector<double> intervals;
    char delimiter = 0;
    int mark = 0;
    std::string lineEnd;
    int64_t rows = 0;
    int32_t blocks = 0;
};

CsvRead ReadCsv(std::string_view text, size_t piece, const Velogram::CsvReadOptions& options)
{
    CsvRead read;
    CheckingSink sink;
    try {
        Velogram::CsvReader reader("f.csv", sink, options);
        for (size_t i = 0; i < text.size(); i += piece) reader.Feed(text.substr(i, piece));
        reader.Finish();
        Check(sink.batchColumn == 0);
        Check(reader.Rows() > 0 && sink.samples == reader.Rows() * int64_t(sink.columns));
        Check(reader.Blocks() == sink.blocks);
        read.ok = true;
        read.bits = std::move(sink.bits);
        read.intervals = std::move(sink.intervals);
        read.delimiter = reader.Dialect().delimiter;
        read.mark = int(reader.Dialect().decimal);
        read.lineEnd = reader.LineEnd();
        read.rows = reader.Rows();
        read.blocks = reader.Blocks();
    } catch (const Velogram::CsvError& e) {
        Check(std::string_view(e.what()).starts_with("f.csv:"));
    }
    return read;
}

Velogram::CsvReadOptions OptionsOf(uint8_t mode)
{
    Velogram::CsvReadOptions options;
    options.skipLines = (mode >> 1) & 3;
    static constexpr char kDelimiters[] = {0, ',', ';', '\t'};
    if (const char d = kDelimiters[(mode >> 3) & 3]) options.dialect.delimiter = d;
    const int mark = (mode >> 5) & 3;
    if (mark == 1) options.dialect.decimalComma = true;
    if (mark == 2) options.dialect.decimalComma = false;
    if (mode & 0x80) options.time.mode = Velogram::CsvTimeColumn::Mode::kDetect;
    return options;
}

// The recording's channels and samples, and a last channel "Y" with the first one's unit and
// samples.
struct DocumentSink final : Velogram::CsvSink {
    platform::ComPtr<Zor::Document> doc = Zor::Document::Create();
    int32_t copy = -1;
    int32_t block = -1;

    void OnHeader(const std::vector<Velogram::CsvColumn>& columns) override
    {
        for (const Velogram::CsvColumn& c : columns) Add(c.name, c.unit);
        copy = Add("Y", columns[0].unit);
    }
    void OnBlock(int32_t) override { Check(SUCCEEDED(doc->AddBlock(&block))); }
    void OnSamples(size_t column, std::span<const float> s) override
    {
        doc->AppendSamples(int32_t(column), block, s.data(), uint32_t(s.size()));
        if (column == 0) doc->AppendSamples(copy, block, s.data(), uint32_t(s.size()));
    }
    int32_t Add(const std::string& name, const KVI::UnitInfo& unit)
    {
        int32_t index = -1;
        doc->AddChannel(KVI::String::FromUtf8(name).Interface(), &index);
        const platform::ComPtr<KVI::UnitEntry> entry(new KVI::UnitEntry(unit));
        doc->SetChannelUnit(index, entry.Get());
        return index;
    }
};

struct Identity final : Velogram::ColumnProducer {
    void Produce(std::span<const float> raw, std::span<float> values) override
    {
        std::copy(raw.begin(), raw.end(), values.begin());
    }
};

// A folder in memory for the outputs, and the text as a file.
const std::string& Folder()
{
    static const std::string folder = [] {
        std::string f = "/dev/shm/csv_import_fuzz." + std::to_string(::getpid());
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The output's bytes, or "error: " and the message.
std::string WriteWhole(const std::string& path, const Velogram::CsvReadOptions& options)
{
    const std::string target = Folder() + "/whole.csv";
    try {
        Velogram::OutputFile out(target);
        DocumentSink sink;
        Velogram::CsvRecordingText text(path, ::open(path.c_str(), O_RDONLY | O_CLOEXEC), options);
        Velogram::CsvReader reader(path, sink, options);
        text.ReadInto(reader, nullptr);
        Velogram::CsvWriter writer(sink.doc.Get(), out);
        writer.CopyColumnsFrom(text);
        writer.Write();
        out.Commit();
    } catch (const Velogram::CommandError& e) {
        return std::string("error: ") + e.what();
    } catch (const Velogram::CsvError& e) {
        return std::string("error: ") + e.what();
    }
    return Slurp(target);
}

std::string WriteStreamed(const std::string& path, const Velogram::CsvReadOptions& options, size_t piece)
{
    const std::string target = Folder() + "/streamed.csv";
    try {
        Velogram::OutputFile out(target);
        Velogram::WorkerPool pool(0);
        Velogram::CsvPipelineOptions po;
        po.chunkBytes = piece;
        po.window = 4;  // chunks done at once but joined later: their decimal marks settle late
        po.csv = options;
        Velogram::CsvCalibratePipeline pipeline(path, out, pool, po);
        pipeline.ReadHead();
        const Velogram::CsvColumn& first = pipeline.Columns().front();
        Velogram::AddedColumn added;
        added.header = Velogram::CsvHeaderCell("Y", Velogram::UnitText(first.unit), pipeline.Dialect().delimiter);
        added.format.factor = Velogram::PrefixedUnitFactor(first.unit);
        added.makeProducer = [] { return std::make_unique<Identity>(); };
        pipeline.Prepare(0, {added});
        pipeline.Run();
        out.Commit();
    } catch (const Velogram::CommandError& e) {
        return std::string("error: ") + e.what();
    }
    return Slurp(target);
}

void CompareRoads(std::string_view text, size_t piece, const Velogram::CsvReadOptions& options)
{
    const int fd = ::memfd_create("f.csv", MFD_CLOEXEC);
    Check(fd >= 0 && ::write(fd, text.data(), text.size()) == ssize_t(text.size()));
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const std::string whole = WriteWhole(path, options);
    const std::string streamed = WriteStreamed(path, options, piece);
    ::close(fd);
    if (whole != streamed) {
        std::fprintf(stderr, "whole:\n%s\nstreamed:\n%s\n", whole.c_str(), streamed.c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const uint8_t mode = data[0];
    const size_t piece = size_t(data[1]) + 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    if (mode % 2 == 0) {
        const Velogram::CsvReadOptions options = OptionsOf(mode);
        const CsvRead pieces = ReadCsv(text, piece, options);
        const CsvRead whole = ReadCsv(text, text.size() + 1, options);
        Check(pieces.ok == whole.ok && pieces.bits == whole.bits && pieces.intervals == whole.intervals &&
              pieces.delimiter == whole.delimiter && pieces.mark == whole.mark && pieces.lineEnd == whole.lineEnd);
        // calibrate reads no time column: every column is a channel on both roads.
        Velogram::CsvReadOptions roads = options;
        roads.time = {};
        CompareRoads(text, piece, roads);
        if (!whole.ok) return 0;
        LineSink lines;
        Velogram::CsvReader reader("f.csv", lines, options);
        for (size_t i = 0; i < text.size(); i += piece) reader.Feed(text.substr(i, piece));
        reader.Finish();
        Check(lines.rows == whole.rows && lines.blocks == whole.blocks);
        return 0;
    }
    try {
        const auto points = Velogram::ParsePointsText(text, "p.csv");
        Check(!points.empty());
        for (const Velogram::ReferencePoint& p : points)
            Check(Velogram::IsValueText(p.raw) && Velogram::IsValueText(p.calibrated));
    } catch (const Velogram::CommandError& e) {
        Check(std::string_view(e.what()).starts_with("p.csv"));
    }
    return 0;
}
