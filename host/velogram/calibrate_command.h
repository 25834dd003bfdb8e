// `velogram calibrate`: calibrates one channel of a recording through the calibration module
// and writes the recording with the calibrated channel added as its last column (CSV) or as a
// document (".vdoc"). The road is the host's: the module fits the reference points into
// settings, the framework gives a new channel a calculation of the module's class and applies
// the settings, and the calibrated samples come from the module's enumerators as the output
// is written.
//
// A CSV recording written as CSV is streamed (csv_calibrate_pipeline.h): only its header goes
// into the framework's recording, and its rows pass through in chunks, read, calibrated by
// enumerators of the calibrated channel and written on several threads, so that a file of any
// size takes a few chunks of memory. Every other pairing reads the whole recording into the
// framework's recording first and writes from it, as does a CSV recording given
// wholeRecording (the same output, byte for byte).
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <limits>
#include <string>
#include <vector>

#include "host/velogram/csv_calibrate_pipeline.h"
#include "host/velogram/csv_reader.h"
#include "host/velogram/keeping_options.h"
#include "host/velogram/module_session.h"
#include "host/velogram/raw_range.h"
#include "host/velogram/worker_pool.h"

namespace Velogram {

struct CalibrateOptions {
    std::string recording;            // CSV or document to read
    std::string channel;              // the source channel: 0-based index or name
    std::string pointsFile;           // may be empty
    std::vector<std::string> points;  // "RAW=CAL" texts
    std::string fit;                  // fit kind name or number
    bool forceOrigin = false;
    std::string unit;                 // calibrated unit, e.g. "kPa"; with calibrationFile: empty or the file's
    // A calibration file (velogram fit --save) applied as it was saved, instead of fitting
    // points: then pointsFile, points and fit stay empty.
    std::string calibrationFile;
    std::string outside;              // the range policy to set: extrapolate | clamp | blank; empty: the calibration's
    std::string weights;              // none | inverse-variance; empty: none (not with calibrationFile)
    bool requireValid = false;        // refuse a calibration past its due day (else a warning)
    bool band = false;                // a column of prediction half-widths beside the calibrated one
    bool json = false;                // the summary as one JSON object on standard output
    std::optional<int32_t> decimals;  // 0..6
    std::string output;               // ".csv" or ".vdoc"
    std::string name;                 // the calibrated channel's name; empty: "<source> calibrated"
    bool stats = false;               // print throughput, time shares and peak memory
    std::string report;               // the fit report as a .pdf or .png file; empty: none
    CsvReadOptions csv;               // how a CSV recording is read
    int32_t threads = 0;              // threads that calibrate a CSV recording; 0: one per core
    size_t chunkBytes = 0;            // the streamed road's chunks; 0: CsvPipelineOptions' default
    bool wholeRecording = false;      // read a CSV recording whole before writing it as CSV
};

struct CalibrateSummary {
    FitDescription fit;
    size_t points = 0;
    std::string sourceName;
    std::string channelName;
    int32_t blocks = 0;
    int64_t samples = 0;  // samples of the calibrated channel written (for a document: their count)
    double seconds = 0;   // the whole command
    double readSeconds = 0;
    double calibrateSeconds = 0;
    double formatSeconds = 0;
    double syncSeconds = 0;     // waiting for a CSV output to reach the disk, before it replaces the target
    int64_t sourceSamples = 0;  // raw samples of the source channel
    // Of them, those outside the reference points' raw range (range), whatever the policy.
    int64_t outside = 0;
    RawRange range;
    KeptRecord kept;            // what the calibration keeps (policy, dates ...)
    bool streamed = false;      // the streamed road: its figures are in pipeline
    size_t threads = 1;
    size_t window = 1;          // chunks in flight at most
    size_t chunkBytes = 0;
    CsvPipelineStats pipeline;
    // With --band: the largest prediction half-width written, in the calibrated column's unit,
    // and that unit's text; NaN when no sample had one.
    bool band = false;
    double largestBand = std::numeric_limits<double>::quiet_NaN();
    std::string calibratedUnit;
};

// The most reference points calibrate takes: the rows of the calibration dialog, so that the
// stored calibration stays editable there.
constexpr size_t kMaxCalibrationPoints = 12;

// Runs the command. Throws CommandError; on failure no output file is left behind. An output
// (or report) that is one of the command's input files is refused before anything is read, as
// is an output whose folder cannot take a new file. A CSV recording written as CSV keeps the
// text of its own columns as it was (csv_writer.h); the calibrated column holds the shortest
// text that reads back as the same float, or the given decimals.
CalibrateSummary RunCalibrate(const CalibrateOptions& options);

// What several runs of the command share: the framework with the module, the threads, and a
// lock for the steps that go through the framework and the module's fitting (the chunks of
// several recordings are calibrated at once, each run's by enumerators of its own).
struct CalibrateContext {
    const ModuleSession& session;
    WorkerPool& pool;
    std::mutex& setup;
    size_t window = 6;                    // chunks in flight per recording
    std::function<void(int64_t)> onRead;  // bytes of a CSV recording read (for a progress bar)
};

// The threads for --threads (0: one per core), and the chunks in flight for that many.
size_t CalibrateThreads(int32_t threads);
size_t CalibrateWindow(size_t threads);

// RunCalibrate in a context; thread-safe for runs with different outputs.
CalibrateSummary RunCalibrate(const CalibrateOptions& options, const CalibrateContext& context);

// Runs it as the command line does: the summary on out (a line, or JSON with options.json),
// warnings and --stats on err. Returns the exit status.
int CalibrateCommand(const CalibrateOptions& options, std::ostream& out, std::ostream& err);

// "1 sample", "2 samples".
std::string CountText(int64_t n, const char* one, const char* many);

// The summary line of a run written: "REC: N samples in B blocks calibrated into OUT", and
// ", K outside the reference points' raw range (POLICY)" when there are any.
std::string CalibrateSummaryLine(const CalibrateSummary& summary, const std::string& recording,
                                 const std::string& output);
// The summary as JSON: recording, output, channel, samples, blocks, the raw range and the
// samples outside it, and what the calibration keeps.
nlohmann::ordered_json CalibrateSummaryJson(const CalibrateSummary& summary, const std::string& recording,
                                            const std::string& output);
// The warning of a calibration past its due day, on err; nothing for a valid one.
void WarnOfExpiry(const CalibrateSummary& summary, std::ostream& err);

// The --stats lines of a run, each ending in a newline.
std::string CalibrateStatsText(const CalibrateSummary& summary, bool document);

// The process's peak resident memory in bytes.
int64_t PeakMemoryBytes();

}  // namespace Velogram
