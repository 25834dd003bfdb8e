// CsvCalibratePipeline: a CSV recording calibrated into CSV as a stream. The file is read in
// blocks of chunkBytes, cut into chunks of whole lines (CsvReader with a CsvRowsSink), and the
// chunks are read, calibrated and formatted on a pool of threads (csv_chunk.h) and written in
// their order into an OutputFile. At most `window` chunks are in flight at once, so the memory
// taken is a few chunks, whatever the file's size; a pool of no threads does every chunk on the
// reading thread, in order, which is the same work in the same order (the output is the same
// byte for byte, whatever the threads and the chunk size).
//
// The output is what CsvWriter::CopyColumnsFrom writes for the same text: every line as it was
// (the preamble and the header decoded to UTF-8, the rows byte for byte), the added columns'
// header cells after the header and their values after each row, one blank line between
// blocks, the text's line end, a UTF-8 byte-order mark for a text that had a byte-order mark.
//
// The added columns' values carry the text's decimal mark. While every value read is a whole
// number the mark is open, and the values are written with the mark an open text writes
// (CsvDialect::DecimalChar); should the first mark then differ from that one, the file is read
// and written again from its start with the mark it turned out to have (a pipe, which cannot
// be read again, fails instead).
//
// A pipeline belongs to one thread; the pool may be shared with other pipelines.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <semaphore>
#include <string>
#include <string_view>
#include <vector>

#include "host/velogram/column_producer.h"
#include "host/velogram/csv_chunk.h"
#include "host/velogram/csv_reader.h"
#include "host/velogram/output_file.h"
#include "host/velogram/worker_pool.h"

namespace Velogram {

struct CsvPipelineOptions {
    static constexpr size_t kDefaultChunkBytes = size_t(512) << 10;
    static constexpr size_t kMaxChunkBytes = size_t(1) << 30;

    size_t chunkBytes = kDefaultChunkBytes;  // 1 to kMaxChunkBytes
    size_t window = 6;                       // chunks in flight at most, 1 or more
    CsvReadOptions csv;
    // Called on the pipeline's thread with the bytes read since the last call (may be empty).
    std::function<void(int64_t)> onRead;
};

// What a run did, for --stats. Seconds of the chunks' work are summed over the threads.
struct CsvPipelineStats {
    int64_t rows = 0;
    int32_t blocks = 0;
    int32_t passes = 0;         // 2 when the decimal mark sent it through the file again
    int64_t outside = 0;        // rows whose source sample lies outside the counted range (Prepare)
    double readSeconds = 0;     // the pipeline's thread: reading and cutting the file into chunks
    double parseSeconds = 0;    // reading the rows' numbers
    double produceSeconds = 0;  // computing the added columns (calibrating)
    double formatSeconds = 0;   // formatting the output
    double writeSeconds = 0;    // the pipeline's thread: joining the chunks and writing them
};

class CsvCalibratePipeline {
public:
    // Opens the recording. [in] path: any file that can be read (a pipe too); out, pool:
    // outlive the pipeline. Throws CommandError when the file cannot be read.
    CsvCalibratePipeline(std::string path, OutputFile& out, WorkerPool& pool, CsvPipelineOptions options);
    ~CsvCalibratePipeline();
    CsvCalibratePipeline(const CsvCalibratePipeline&) = delete;
    CsvCalibratePipeline& operator=(const CsvCalibratePipeline&) = delete;

    // Reads up to the header, with the dialect detected. Throws CommandError (a CsvError's text
    // as it is).
    void ReadHead();
    const std::vector<CsvColumn>& Columns() const { return reader_->Columns(); }
    CsvDialect Dialect() const { return reader_->Dialect(); }
    // What the reader made of the text that the user may want to know (csv_reader.h).
    const std::vector<std::string>& Notes() const { return reader_->Notes(); }

    // The columns to add, computed from the raw samples of column sourceColumn: makes every
    // job's producers (on this thread); the raw samples outside counted are counted
    // (Stats().outside). Call after ReadHead.
    void Prepare(size_t sourceColumn, std::vector<AddedColumn> added, RawRange counted = {});
    // Reads, calibrates and writes the rest; the output is complete but not committed. Throws
    // CommandError (a CsvError's text as it is, "no samples" for a text without rows).
    void Run();

    const CsvPipelineStats& Stats() const { return stats_; }

private:
    struct Slot {
        CsvChunk chunk;
        std::vector<std::unique_ptr<ColumnProducer>> producers;
        std::vector<ColumnProducer*> producerPointers;
        std::binary_semaphore done{0};
        bool busy = false;
    };
    class Rows;
    struct PendingRun {
        std::string text;
        int64_t firstLine;
        CsvLineEnds ends;
    };
    // The decimal mark the text turned out to have is not the one the added columns were
    // written with: everything again, with this one.
    struct MarkRestart {
        char decimal;
        int64_t line;  // the first line of the chunk that decided the mark
    };

    void Start();
    void ReadPiece();
    void Pass();
    void StartOutput();
    void OnRows(const CsvRun& run);
    void Dispatch(const CsvRun& run);
    void CompleteOldest();
    void Wait();
    void AgainFromTheStart(const MarkRestart& restart);

    std::string path_;
    int fd_ = -1;
    struct stat stat_ {};
    OutputFile& out_;
    WorkerPool& pool_;
    CsvPipelineOptions options_;

    std::unique_ptr<Rows> rows_;
    std::unique_ptr<CsvReader> reader_;
    std::vector<char> buffer_;
    bool ended_ = false;  // the reader has had the whole file
    bool headed_ = false;  // the reader has read the header
    bool outputStarted_ = false;
    bool dispatching_ = false;  // the header is written: runs go to the pool
    std::string header_;
    std::vector<PendingRun> pending_;  // runs cut before the header was written

    CsvChunkFormat format_;
    std::vector<std::string> addedHeaders_;
    std::vector<std::unique_ptr<Slot>> slots_;
    int64_t next_ = 0;     // chunks dispatched
    int64_t written_ = 0;  // chunks written
    double dispatchSeconds_ = 0;
    bool chunkFault_ = false;  // the exception on its way came from a chunk

    // The text so far, as the chunks in order tell it.
    DecimalMark mark_ = DecimalMark::kPoint;  // known so far
    char assumed_ = '.';                      // the added columns' mark while mark_ is open
    bool inBlock_ = false;
    CsvPipelineStats stats_;
};

}  // namespace Velogram
