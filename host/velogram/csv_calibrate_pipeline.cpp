#include "host/velogram/stopwatch.h"
#include "host/velogram/csv_calibrate_pipeline.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "host/velogram/command_error.h"
#include "host/velogram/interruption.h"
#include "host/velogram/recording_import.h"

namespace Velogram {

// The reader's output, into the pipeline.
class CsvCalibratePipeline::Rows final : public CsvRowsSink {
public:
    explicit Rows(CsvCalibratePipeline& pipeline) : p_(pipeline) {}

    void OnPreamble(std::string_view line) override
    {
        p_.StartOutput();
        p_.out_.Write(line);
        p_.out_.Write(p_.reader_->LineEnd());
    }

    void OnHeader(std::string_view line, const std::vector<CsvColumn>&) override
    {
        p_.header_ = line;
        p_.headed_ = true;
    }

    void OnRows(const CsvRun& run) override { p_.OnRows(run); }

private:
    CsvCalibratePipeline& p_;
};

CsvCalibratePipeline::CsvCalibratePipeline(std::string path, OutputFile& out, WorkerPool& pool,
                                           CsvPipelineOptions options)
    : path_(std::move(path)), out_(out), pool_(pool), options_(std::move(options))
{
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw CommandError("cannot read " + path_ + ": " + std::strerror(errno));
    stat_ = RecordingFileStatus(path_, fd_);
    buffer_.resize(options_.chunkBytes);
    Start();
}

CsvCalibratePipeline::~CsvCalibratePipeline()
{
    Wait();
    ::close(fd_);
}

void CsvCalibratePipeline::Start()
{
    rows_ = std::make_unique<Rows>(*this);
    try {
        reader_ = std::make_unique<CsvReader>(path_, *rows_, options_.csv);
    } catch (const CsvError& e) {
        throw CommandError(e.what());
    }
    ended_ = headed_ = outputStarted_ = dispatching_ = false;
    header_.clear();
    pending_.clear();
}

void CsvCalibratePipeline::ReadHead()
{
    try {
        while (!headed_ && !ended_) ReadPiece();
    } catch (const CsvError& e) {
        throw CommandError(e.what());
    }
}

void CsvCalibratePipeline::ReadPiece()
{
    const auto t0 = Clock::now();
    const double before = dispatchSeconds_;
    ssize_t n = 0;
    for (;;) {
        n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n >= 0 || errno != EINTR) break;
        ThrowIfInterrupted();
    }
    if (n < 0) throw CommandError("cannot read " + path_ + ": " + std::strerror(errno));
    if (n == 0) {
        ended_ = true;
        reader_->Finish();
    } else {
        reader_->Feed(std::string_view(buffer_.data(), size_t(n)));
    }
    stats_.readSeconds += Seconds(t0) - (dispatchSeconds_ - before);
    if (options_.onRead) options_.onRead(n);
    ThrowIfInterrupted();
}

void CsvCalibratePipeline::Prepare(size_t sourceColumn, std::vector<AddedColumn> added, RawRange counted)
{
    const CsvDialect dialect = Dialect();
    format_.source = path_;
    format_.columns = Columns();
    format_.delimiter = dialect.delimiter;
    format_.sourceColumn = sourceColumn;
    format_.lineEnd = std::string(reader_->LineEnd());
    format_.counted = counted;
    format_.formats.clear();
    addedHeaders_.clear();
    for (const AddedColumn& a : added) {
        format_.formats.push_back(a.format);
        addedHeaders_.push_back(a.header);
    }
    // An open mark is written as an open text writes it, until the text tells otherwise.
    assumed_ = CsvDialect{dialect.delimiter, DecimalMark::kUndecided}.DecimalChar();
    slots_.clear();
    for (size_t i = 0; i < std::max<size_t>(options_.window, 1); ++i) {
        auto slot = std::make_unique<Slot>();
        for (const AddedColumn& a : added) {
            slot->producers.push_back(a.makeProducer());
            slot->producerPointers.push_back(slot->producers.back().get());
        }
        slots_.push_back(std::move(slot));
    }
}

void CsvCalibratePipeline::Run()
{
    try {
        for (;;) {
            try {
                Pass();
                return;
            } catch (const MarkRestart& restart) {
                AgainFromTheStart(restart);
            }
        }
    } catch (const CsvError& e) {
        Wait();
        throw CommandError(e.what());
    } catch (...) {
        Wait();
        throw;
    }
}

void CsvCalibratePipeline::Pass()
{
    ++stats_.passes;
    stats_.rows = 0;
    stats_.blocks = 0;
    stats_.outside = 0;
    mark_ = reader_->Dialect().decimal;
    inBlock_ = false;
    chunkFault_ = false;
    next_ = written_ = 0;

    StartOutput();
    std::string header = header_;
    for (const std::string& cell : addedHeaders_) (header += format_.delimiter) += cell;
    header += format_.lineEnd;
    out_.Write(header);
    dispatching_ = true;
    for (const PendingRun& p : pending_) Dispatch(CsvRun{p.text, p.firstLine, p.ends});
    pending_.clear();
    try {
        while (!ended_) ReadPiece();
    } catch (...) {
        // What the reader found lies after every line of the chunks in flight: a fault of
        // theirs comes first.
        if (chunkFault_) throw;
        const std::exception_ptr fault = std::current_exception();
        while (written_ < next_) CompleteOldest();
        std::rethrow_exception(fault);
    }
    while (written_ < next_) CompleteOldest();
    if (stats_.rows == 0)
        throw CommandError(path_ + ": no samples: the header is not followed by any row of numbers");
}

void CsvCalibratePipeline::StartOutput()
{
    if (outputStarted_) return;
    outputStarted_ = true;
    if (reader_->Encoding() != TextEncoding::kUtf8) out_.Write("\xEF\xBB\xBF");
}

void CsvCalibratePipeline::OnRows(const CsvRun& run)
{
    if (dispatching_) {
        Dispatch(run);
        return;
    }
    pending_.push_back(PendingRun{std::string(run.text), run.firstLine, run.ends});
}

void CsvCalibratePipeline::Dispatch(const CsvRun& run)
{
    const auto t0 = Clock::now();
    Slot& slot = *slots_[size_t(next_ % int64_t(slots_.size()))];
    if (slot.busy) CompleteOldest();
    const char decimal = mark_ == DecimalMark::kUndecided ? assumed_ : CsvDialect{format_.delimiter, mark_}.DecimalChar();
    slot.chunk.Assign(run, mark_, decimal);
    slot.busy = true;
    ++next_;
    pool_.Submit([this, &slot] {
        slot.chunk.Process(format_, slot.producerPointers);
        slot.done.release();
    });
    dispatchSeconds_ += Seconds(t0);
}

void CsvCalibratePipeline::CompleteOldest()
{
    const auto t0 = Clock::now();
    Slot& slot = *slots_[size_t(written_ % int64_t(slots_.size()))];
    slot.done.acquire();
    slot.busy = false;
    ++written_;
    CsvChunk& chunk = slot.chunk;
    const auto tally = [&] {
        stats_.parseSeconds += chunk.ParseSeconds();
        stats_.produceSeconds += chunk.ProduceSeconds();
        stats_.formatSeconds += chunk.FormatSeconds();
    };
    tally();
    // A chunk read while the mark was open, whose values decided it otherwise than the chunks
    // before did: read again as it would have been read in order (which finds its fault).
    if (chunk.MarkGiven() == DecimalMark::kUndecided && mark_ != DecimalMark::kUndecided &&
        chunk.MarkAfter() != DecimalMark::kUndecided && chunk.MarkAfter() != mark_) {
        chunk.Reassign(mark_, CsvDialect{format_.delimiter, mark_}.DecimalChar());
        chunk.Process(format_, slot.producerPointers);
        tally();
    }
    if (chunk.Error()) {
        chunkFault_ = true;
        std::rethrow_exception(chunk.Error());
    }
    if (mark_ == DecimalMark::kUndecided && chunk.MarkAfter() != DecimalMark::kUndecided) {
        mark_ = chunk.MarkAfter();
        const char decimal = CsvDialect{format_.delimiter, mark_}.DecimalChar();
        if (decimal != assumed_) {
            chunkFault_ = true;
            throw MarkRestart{decimal, chunk.Run().firstLine};
        }
    }
    if (chunk.Rows() > 0 && (!chunk.FirstRowLeads() || !inBlock_)) {
        if (stats_.blocks > 0) out_.Write(format_.lineEnd);
        ++stats_.blocks;
    }
    stats_.blocks += chunk.InnerBlocks();
    inBlock_ = chunk.EndsInBlock();
    stats_.rows += chunk.Rows();
    stats_.outside += chunk.Outside();
    out_.Write(chunk.Output());
    stats_.writeSeconds += Seconds(t0);
}

void CsvCalibratePipeline::Wait()
{
    for (const std::unique_ptr<Slot>& slot : slots_) {
        if (!slot->busy) continue;
        slot->done.acquire();
        slot->busy = false;
    }
}

void CsvCalibratePipeline::AgainFromTheStart(const MarkRestart& restart)
{
    Wait();
    const std::string mark = restart.decimal == ',' ? "a comma" : "a point";
    if (!S_ISREG(stat_.st_mode))
        throw CommandError(path_ + ": the values' first decimal mark, at line " + std::to_string(restart.line) +
                           " or later, is " + mark +
                           ", but the rows before were written with the other one; calibrate then reads the "
                           "recording again from its start, which it cannot do here: give it a file, not a pipe");
    struct stat now {};
    if (::fstat(fd_, &now) != 0 || now.st_size != stat_.st_size || now.st_mtim.tv_sec != stat_.st_mtim.tv_sec ||
        now.st_mtim.tv_nsec != stat_.st_mtim.tv_nsec || ::lseek(fd_, 0, SEEK_SET) != 0)
        throw CommandError(path_ + " has changed since it was read; run the command again");
    out_.Rewind();
    const std::vector<CsvColumn> columns = Columns();
    Start();
    ReadHead();
    if (Columns().size() != columns.size()) throw CommandError(path_ + " has changed since it was read; run the command again");
    assumed_ = restart.decimal;
}

}  // namespace Velogram
