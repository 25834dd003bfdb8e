#include "host/velogram/stopwatch.h"
#include "host/velogram/calibrate_command.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <span>
#include <vector>

#include "interfaces/recording.h"
#include "foundation/kvi_string.h"
#include "values/units/unit_entry.h"
#include "host/velogram/band_column.h"
#include "host/velogram/command_error.h"
#include "host/velogram/csv_writer.h"
#include "host/velogram/enumerator_column.h"
#include "host/velogram/fit_kind_name.h"
#include "host/velogram/interruption.h"
#include "host/velogram/output_file.h"
#include "host/velogram/point_set.h"
#include "host/velogram/progress_bar.h"
#include "host/velogram/recording_import.h"
#include "platform/code_page.h"

namespace Velogram {
namespace {

using platform::ComPtr;


void Check(HRESULT hr, const std::string& what)
{
    if (FAILED(hr)) throw CommandError(what + ": " + ResultText(hr));
}

std::string ChannelName(IRecording* recording, int32_t channel)
{
    platform::ComPtr<IAutoKVIString> name;
    recording->GetChannelName(channel, name.Put());
    return KVI::TakeUtf8(std::move(name));
}

// A 0-based channel number, or a channel's name.
int32_t FindChannel(IRecording* recording, const std::string& wanted)
{
    int32_t count = 0;
    recording->GetChannelCount(&count);
    const bool number = !wanted.empty() && wanted.size() < 10 &&
                        std::all_of(wanted.begin(), wanted.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (number) {
        const int32_t index = std::stoi(wanted);
        if (index < count) return index;
        throw CommandError("there is no channel " + wanted + ": the recording has " + std::to_string(count) +
                           (count == 1 ? " channel, numbered 0"
                                       : " channels, numbered 0 to " + std::to_string(count - 1)));
    }
    std::string names;
    for (int32_t c = 0; c < count; ++c) {
        const std::string name = ChannelName(recording, c);
        if (name == wanted) return c;
        names += (c ? ", \"" : "\"") + name + "\"";
    }
    throw CommandError("there is no channel \"" + wanted + "\": the recording has " + names);
}

std::string SourceUnitText(IRecording* recording, int32_t channel)
{
    ComPtr<IUnitName> unit;
    Check(recording->GetChannelUnit(channel, unit.Put()), "the unit of channel " + std::to_string(channel));
    platform::ComPtr<IAutoKVIString> text;
    unit->GetText(1, text.Put());
    return KVI::TakeUtf8(std::move(text));
}

void CheckOptions(const CalibrateOptions& options)
{
    if (options.decimals && (*options.decimals < 0 || *options.decimals > 6))
        throw CommandError("--decimals must be 0 to 6, not " + std::to_string(*options.decimals));
    if (!IsCsvPath(options.output) && !IsDocumentPath(options.output))
        throw CommandError("the output " + options.output +
                           " needs the extension .csv (a CSV file) or .vdoc (a document)");
    if (options.csv.skipLines < 0)
        throw CommandError("--skip-lines must be 0 or more, not " + std::to_string(options.csv.skipLines));
    if (options.csv.dialect.delimiter == ',' && options.csv.dialect.decimalComma.value_or(false))
        throw CommandError("--decimal-comma needs values separated by semicolons or tabs (--delimiter semicolon "
                           "or tab), not by commas");
    if (!options.outside.empty()) ParseRangePolicy(options.outside);
    if (!options.weights.empty()) ParseWeights(options.weights);
    if (!options.weights.empty() && !options.calibrationFile.empty())
        throw CommandError("--calibration applies a saved calibration as it is; --weights would fit it again");
    if (options.band && (!IsCsvPath(options.output) || IsDocumentPath(options.recording) || options.wholeRecording))
        throw CommandError("--band adds a column to a CSV recording written as CSV; a document keeps the "
                           "calibration, not its samples");
    if (!options.calibrationFile.empty() &&
        (!options.fit.empty() || !options.pointsFile.empty() || !options.points.empty() || options.forceOrigin))
        throw CommandError("--calibration applies a saved calibration as it is; --fit, --points, --point and "
                           "--force-origin do not go with it");
}

// True when a and b name the same file: the same device and inode, or, where either cannot be
// looked up, the same path once links are resolved.
bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ea, eb;
    const std::filesystem::path pa = std::filesystem::weakly_canonical(a, ea);
    const std::filesystem::path pb = std::filesystem::weakly_canonical(b, eb);
    return !ea && !eb && pa == pb;
}

// The command never writes over a file it reads.
void RefuseInputsAsOutputs(const CalibrateOptions& options)
{
    struct Named {
        const std::string& path;
        const char* what;
    };
    const Named inputs[] = {{options.recording, "the recording"},
                            {options.pointsFile, "the points file"},
                            {options.calibrationFile, "the calibration file"}};
    const Named outputs[] = {{options.output, "the output"}, {options.report, "the report"}};
    for (const Named& out : outputs) {
        for (const Named& in : inputs) {
            if (out.path.empty() || in.path.empty() || !SameFile(out.path, in.path)) continue;
            throw CommandError(std::string(out.what) + " " + out.path + " is " + in.what + " " + in.path +
                               ": calibrate never writes over a file it reads; choose another file name");
        }
    }
}

int64_t SampleCount(IRecording* recording, int32_t channel, int32_t blocks)
{
    int64_t total = 0;
    for (int32_t b = 0; b < blocks; ++b) {
        int64_t count = 0;
        if (SUCCEEDED(recording->GetSampleCount(channel, b, &count))) total += count;
    }
    return total;
}

// The reference points and the fit kind, read and checked before any recording is.
struct CheckedRun {
    int32_t kind = 0;
    PointSet set;
};

CheckedRun CheckRun(const CalibrateOptions& options)
{
    CheckOptions(options);
    CheckedRun run;
    RefuseInputsAsOutputs(options);
    if (!options.calibrationFile.empty()) return run;
    run.kind = ParseFitKind(options.fit);
    run.set = GatherPoints(options.pointsFile, options.points);
    if (run.set.points.size() > kMaxCalibrationPoints)
        throw CommandError("calibrate takes at most " + std::to_string(kMaxCalibrationPoints) +
                           " reference points, the rows of the calibration dialog, so that the calibration stays "
                           "editable there; " + std::to_string(run.set.points.size()) +
                           " were given (velogram fit analyses any number)");
    return run;
}

// "the calibration in FILE was due on DAY" (or "the calibration").
std::string ExpiryText(const CalibrateOptions& options, const KeptRecord& kept)
{
    return "the calibration" + (options.calibrationFile.empty() ? std::string() : " in " + options.calibrationFile) +
           " was due on " + kept.dueDate;
}

// Raw samples of channel outside range, over every block.
int64_t CountOutside(IRecording* recording, int32_t channel, int32_t blocks, const RawRange& range)
{
    if (!std::isfinite(range.low) && !std::isfinite(range.high)) return 0;  // none can be outside
    std::vector<float> samples(size_t(1) << 16);
    int64_t outside = 0;
    for (int32_t b = 0; b < blocks; ++b) {
        int64_t count = 0;
        ComPtr<IEnumFloatEx> stream;
        Check(recording->GetSampleCount(channel, b, &count), "the samples of channel " + std::to_string(channel));
        Check(recording->CreateSampleStream(channel, b, 0, count, stream.Put()),
              "the samples of channel " + std::to_string(channel));
        for (;;) {
            uint32_t got = 0;
            const HRESULT hr = stream->Next(uint32_t(samples.size()), samples.data(), &got);
            Check(hr, "the samples of channel " + std::to_string(channel));
            outside += range.CountOutside(std::span<const float>(samples.data(), got));
            if (hr != S_OK || got == 0) break;
        }
    }
    return outside;
}

// The recording's calibrated channel, last: the points fitted in the source channel's unit into
// settings, and a new channel given a calculation of the module's class with them. Fills the
// summary's fit and names. Returns the channel; [out] source: the source channel.
int32_t AddCalibratedChannel(const CalibrateContext& context, IRecording* recording, IChannelCalculations* calculations,
                             const CalibrateOptions& options, CheckedRun& run, CalibrateSummary& summary,
                             int32_t* sourceChannel)
{
    const ModuleSession& session = context.session;
    std::vector<ReferencePoint>& points = run.set.points;
    const int32_t source = FindChannel(recording, options.channel);
    *sourceChannel = source;
    summary.sourceName = ChannelName(recording, source);
    const std::string sourceUnit = SourceUnitText(recording, source);
    ComPtr<IPersistObject> settings;
    if (!options.calibrationFile.empty()) {
        settings = session.LoadCalibrationFile(options.calibrationFile, source);
    } else {
        CompletePointUnits(points, ResolvePointUnits(run.set, sourceUnit, options.unit, false, "the channel"));
        summary.points = points.size();
        settings = session.Fit(points, sourceUnit, options.unit, run.kind, options.forceOrigin, source);
    }
    if (!options.outside.empty() || !options.weights.empty()) {
        KeepingOptions keeping;
        keeping.outside = options.outside;
        keeping.weights = options.weights;
        settings = ApplyKeeping(session, settings.Get(), keeping);
    }
    summary.kept = DescribeKeeping(session, settings.Get());
    if (summary.kept.info.expired && options.requireValid)
        throw CommandError(ExpiryText(options, summary.kept) + "; --require-valid refuses an expired calibration");
    summary.range = RawRange{summary.kept.info.rawLow, summary.kept.info.rawHigh};
    if (options.decimals) settings = session.WithDecimalPlaces(settings.Get(), *options.decimals);
    if (!options.report.empty()) session.RenderReport(settings.Get(), options.report, sourceUnit);
    summary.fit = session.Describe(settings.Get(), sourceUnit);

    summary.channelName = options.name.empty() ? summary.sourceName + " calibrated" : options.name;
    int32_t channel = -1;
    Check(recording->AddChannel(KVI::String::FromUtf8(summary.channelName).Interface(), &channel),
          "the recording cannot take a new channel");
    Check(calculations->SetCalculation(channel, session.CalculationClass(), 0),
          "the calibrated channel cannot be created");
    Check(calculations->ApplySettings(channel, settings.Get()), "the calibration cannot be applied");
    if (!options.calibrationFile.empty() && !options.unit.empty()) {
        const std::string unit = SourceUnitText(recording, channel);
        if (unit != options.unit)
            throw CommandError("--unit " + options.unit + " is not the unit of the calibration file " +
                               options.calibrationFile + " (" + (unit.empty() ? "none" : unit) +
                               "): a calibration file is applied as it was saved; leave --unit out");
    }
    return channel;
}

struct Recording {
    ComPtr<IZorDocument> document;
    ComPtr<IRecording> recording;
    ComPtr<IChannelCalculations> calculations;
};

Recording RecordingOf(ComPtr<IZorDocument> document)
{
    Recording r{std::move(document), {}, {}};
    if (FAILED(r.document.As(IID_IRecording, r.recording)) || FAILED(r.document.As(IID_IChannelCalculations, r.calculations)))
        throw CommandError("the framework's document lacks its recording");
    return r;
}

// A new document with the header's channels (names and units) and one empty block.
Recording RecordingOfHeader(IZorFramework* framework, const std::vector<CsvColumn>& columns)
{
    ComPtr<IZorDocument> document;
    const HRESULT hr = framework->CreateDocument(document.Put());
    if (FAILED(hr)) throw CommandError("the framework cannot create a document: " + ResultText(hr));
    Recording r = RecordingOf(std::move(document));
    for (const CsvColumn& column : columns) {
        int32_t index = -1;
        Check(r.recording->AddChannel(KVI::String::FromUtf8(column.name).Interface(), &index),
              "the recording cannot take a channel");
        const ComPtr<KVI::UnitEntry> unit(new KVI::UnitEntry(column.unit));
        Check(r.recording->SetChannelUnit(index, unit.Get()), "the recording cannot take a channel's unit");
    }
    Check(r.recording->AddBlock(nullptr), "the recording cannot take a block");
    return r;
}

// A CSV recording into CSV, streamed: the header into a recording of the framework, the rows
// through the pipeline, calibrated by the calibrated channel's enumerators.
CalibrateSummary CalibrateStreamed(const CalibrateOptions& options, const CalibrateContext& context, CheckedRun& run)
{
    OutputFile out(options.output);
    const auto start = Clock::now();
    CalibrateSummary summary;
    summary.streamed = true;
    summary.threads = std::max<size_t>(context.pool.Threads(), 1);
    summary.window = context.window;
    CsvPipelineOptions pipelineOptions;
    if (options.chunkBytes) pipelineOptions.chunkBytes = options.chunkBytes;
    summary.chunkBytes = pipelineOptions.chunkBytes;
    pipelineOptions.window = context.window;
    pipelineOptions.csv = options.csv;
    pipelineOptions.onRead = context.onRead;
    // Declared before the pipeline, whose producers are the recording's enumerators and share
    // the band's maximum.
    Recording recording;
    BandMaximum bandMaximum;
    double bandFactor = 1;  // from the band's base unit to the calibrated column's prefixed unit
    CsvCalibratePipeline pipeline(options.recording, out, context.pool, pipelineOptions);
    pipeline.ReadHead();
    for (const std::string& note : pipeline.Notes()) std::cerr << "velogram: note: " << note << "\n";
    {
        const std::lock_guard lock(context.setup);
        recording = RecordingOfHeader(context.session.Framework(), pipeline.Columns());
        int32_t source = -1;
        const int32_t channel = AddCalibratedChannel(context, recording.recording.Get(), recording.calculations.Get(),
                                                     options, run, summary, &source);
        const CsvDialect dialect = pipeline.Dialect();
        const CsvChannelColumn column =
            CsvColumnOfChannel(recording.recording.Get(), channel, dialect.delimiter, dialect.DecimalChar());
        AddedColumn calibrated{column.header, column.format, {}};
        if (options.decimals) calibrated.format.places = *options.decimals;
        calibrated.makeProducer = [r = recording.recording.Get(), channel] {
            return std::make_unique<EnumeratorColumn>(r, channel);
        };
        std::vector<AddedColumn> added{calibrated};
        summary.calibratedUnit = SourceUnitText(recording.recording.Get(), channel);
        bandFactor = calibrated.format.factor;
        if (options.band) {
            ComPtr<IPersistObject> settings;
            Check(recording.calculations->GetSettings(channel, settings.Put()), "the calibrated channel's settings");
            AddedColumn band{CsvHeaderCell(summary.channelName + " \u00B1", summary.calibratedUnit, dialect.delimiter),
                             calibrated.format, {}};
            band.makeProducer = [automation = context.session.Automation(), settings, &maximum = bandMaximum] {
                return std::make_unique<BandColumn>(automation, settings.Get(), maximum);
            };
            added.push_back(std::move(band));
        }
        pipeline.Prepare(size_t(source), added, summary.range);
    }
    pipeline.Run();
    const auto committing = Clock::now();
    out.Commit();
    summary.syncSeconds = Seconds(committing);
    summary.pipeline = pipeline.Stats();
    summary.blocks = summary.pipeline.blocks;
    summary.samples = summary.sourceSamples = summary.pipeline.rows;
    summary.outside = summary.pipeline.outside;
    summary.largestBand = bandMaximum.Value() * bandFactor;
    summary.band = options.band;
    summary.readSeconds = summary.pipeline.readSeconds;
    summary.calibrateSeconds = summary.pipeline.produceSeconds;
    summary.formatSeconds = summary.pipeline.formatSeconds + summary.pipeline.writeSeconds;
    summary.seconds = Seconds(start);
    return summary;
}

// Any recording into any output through the framework's recording: read whole, then written
// (a document, or CSV from the recording's channels and the copied text).
CalibrateSummary CalibrateWhole(const CalibrateOptions& options, const CalibrateContext& context, CheckedRun& run)
{
    // The output's folder is tried before the recording is read: a missing or read-only folder
    // costs no reading.
    std::optional<OutputFile> out;
    if (IsDocumentPath(options.output))
        OutputFile::CheckFolder(options.output);
    else
        out.emplace(options.output);

    // The clock runs from reading the recording to the last byte written; starting the
    // framework and loading the modules is the same for every recording.
    const auto start = Clock::now();
    CalibrateSummary summary;
    ImportedRecording imported = ImportRecording(context.session.Framework(), options.recording, options.csv);
    summary.readSeconds = Seconds(start);
    const Recording r = RecordingOf(imported.document);
    IRecording* recording = r.recording.Get();
    int32_t source = -1;
    int32_t channel = -1;
    {
        const std::lock_guard lock(context.setup);
        channel = AddCalibratedChannel(context, recording, r.calculations.Get(), options, run, summary, &source);
    }
    recording->GetBlockCount(&summary.blocks);
    summary.sourceSamples = SampleCount(recording, source, summary.blocks);
    summary.samples = SampleCount(recording, channel, summary.blocks);
    summary.outside = CountOutside(recording, source, summary.blocks, summary.range);

    if (!out) {
        const auto t0 = Clock::now();
        platform::ComPtr<IAutoKVIString> error;
        const HRESULT hr = r.document->Save(platform::Utf8ToUtf16(options.output).c_str(), error.Put());
        const std::string why = KVI::TakeUtf8(std::move(error));
        if (FAILED(hr))
            throw CommandError(why.empty() ? "cannot write " + options.output + ": " + ResultText(hr) : why);
        summary.formatSeconds = Seconds(t0);
    } else {
        CsvWriter writer(recording, *out);
        if (options.decimals) writer.SetDecimals(channel, *options.decimals);
        if (imported.text && imported.text->Rereadable())
            writer.CopyColumnsFrom(*imported.text);
        else if (imported.text)
            std::cerr << "velogram: note: " << options.recording
                      << " cannot be read twice (it is not a regular file): its columns are written from their "
                         "samples\n";
        writer.Write();
        const auto committing = Clock::now();
        out->Commit();
        summary.syncSeconds = Seconds(committing);
        summary.calibrateSeconds = writer.ReadSeconds()[size_t(channel)];
        summary.formatSeconds = writer.FormatSeconds();
        for (size_t c = 0; c + 1 < writer.ReadSeconds().size(); ++c) summary.formatSeconds += writer.ReadSeconds()[c];
    }
    summary.seconds = Seconds(start);
    return summary;
}

int64_t FileBytes(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? int64_t(st.st_size) : 0;
}

}  // namespace

int64_t PeakMemoryBytes()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return int64_t(usage.ru_maxrss) * 1024;
}

size_t CalibrateThreads(int32_t threads) { return threads > 0 ? size_t(threads) : WorkerPool::Cores(); }

size_t CalibrateWindow(size_t threads) { return threads <= 1 ? 1 : std::min<size_t>(2 * threads + 2, 16); }

CalibrateSummary RunCalibrate(const CalibrateOptions& options, const CalibrateContext& context)
{
    // Everything that needs no recording is checked first, so a mistake costs no reading.
    CheckedRun run = CheckRun(options);
    CatchInterruptions();
    if (!options.wholeRecording && IsCsvPath(options.output) && !IsDocumentPath(options.recording))
        return CalibrateStreamed(options, context, run);
    return CalibrateWhole(options, context, run);
}

CalibrateSummary RunCalibrate(const CalibrateOptions& options)
{
    // The options first: a mistake costs neither starting the framework nor reading.
    CheckRun(options);
    const ModuleSession session;
    const size_t threads = CalibrateThreads(options.threads);
    WorkerPool pool(threads > 1 ? threads : 0);
    std::mutex setup;
    ProgressBar progress("calibrating", FileBytes(options.recording));
    int64_t read = 0;
    const CalibrateContext context{session, pool, setup, CalibrateWindow(threads), [&](int64_t bytes) {
                                       read += bytes;
                                       progress.Update(read);
                                   }};
    return RunCalibrate(options, context);
}

// The largest half-width in the calibrated column's unit ("0.0125 kPa").
std::string BandText(const CalibrateSummary& s)
{
    char number[32];
    std::snprintf(number, sizeof number, "%.6g", s.largestBand);
    return s.calibratedUnit.empty() ? std::string(number) : std::string(number) + " " + s.calibratedUnit;
}

std::string CalibrateStatsText(const CalibrateSummary& s, bool document)
{
    const double mib = 1024.0 * 1024.0;
    const double shareBase = std::max(s.seconds, 1e-9);
    char line[512];
    std::string text;
    const auto add = [&](int n) { text.append(line, size_t(std::clamp(n, 0, int(sizeof line) - 1))); };
    if (document) {
        // A document stores the calibration, not its samples: they are calculated when read.
        add(std::snprintf(line, sizeof line,
                          "velogram: %lld samples in the calibrated channel, written as a document in %.3f s "
                          "(the calibration is stored; its samples are calculated when the document is read)\n",
                          static_cast<long long>(s.samples), s.seconds));
        add(std::snprintf(line, sizeof line,
                          "velogram: time: reading the recording %.3f s (%.0f%%), writing the document %.3f s (%.0f%%)\n",
                          s.readSeconds, 100 * s.readSeconds / shareBase, s.formatSeconds,
                          100 * s.formatSeconds / shareBase));
    } else if (s.streamed) {
        const CsvPipelineStats& p = s.pipeline;
        add(std::snprintf(line, sizeof line, "velogram: %lld samples calibrated in %.3f s (%.2f million samples/s), %zu %s\n",
                          static_cast<long long>(s.samples), s.seconds, s.samples / shareBase / 1e6, s.threads,
                          s.threads == 1 ? "thread" : "threads"));
        add(std::snprintf(line, sizeof line,
                          "velogram: work, summed over the threads: reading the file %.3f s, reading the numbers %.3f s, "
                          "calibrating %.3f s, formatting %.3f s, writing %.3f s\n",
                          p.readSeconds, p.parseSeconds, p.produceSeconds, p.formatSeconds, p.writeSeconds));
        if (p.passes > 1)
            add(std::snprintf(line, sizeof line,
                              "velogram: read twice: the values' decimal mark was decided late, otherwise than the "
                              "rows before were written\n"));
    } else {
        add(std::snprintf(line, sizeof line, "velogram: %lld samples calibrated in %.3f s (%.2f million samples/s)\n",
                          static_cast<long long>(s.samples), s.seconds, s.samples / shareBase / 1e6));
        add(std::snprintf(line, sizeof line,
                          "velogram: time: reading the recording %.3f s (%.0f%%), calibrating %.3f s (%.0f%%), "
                          "formatting and writing %.3f s (%.0f%%)\n",
                          s.readSeconds, 100 * s.readSeconds / shareBase, s.calibrateSeconds,
                          100 * s.calibrateSeconds / shareBase, s.formatSeconds, 100 * s.formatSeconds / shareBase));
    }
    if (!document)
        add(std::snprintf(line, sizeof line, "velogram: of the whole, waiting for the output to reach the disk %.3f s\n",
                          s.syncSeconds));
    if (!std::isnan(s.largestBand))
        add(std::snprintf(line, sizeof line, "velogram: the largest prediction half-width (95 %%): %s\n",
                          BandText(s).c_str()));
    if (s.streamed)
        add(std::snprintf(line, sizeof line, "velogram: peak memory %.1f MiB (at most %zu chunks of %zu KiB in flight)\n",
                          PeakMemoryBytes() / mib, s.window, s.chunkBytes >> 10));
    else
        add(std::snprintf(line, sizeof line, "velogram: peak memory %.1f MiB (the source samples as floats: %.1f MiB)\n",
                          PeakMemoryBytes() / mib, s.sourceSamples * sizeof(float) / mib));
    return text;
}

std::string CountText(int64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string CalibrateSummaryLine(const CalibrateSummary& s, const std::string& recording, const std::string& output)
{
    std::string line = recording + ": " + CountText(s.samples, "sample", "samples") + " in " +
                       CountText(s.blocks, "block", "blocks") + " calibrated into " + output;
    if (s.outside > 0)
        line += ", " + std::to_string(s.outside) + " outside the reference points' raw range (" +
                RangePolicyName(s.kept.info.rangePolicy) + ")";
    return line;
}

nlohmann::ordered_json CalibrateSummaryJson(const CalibrateSummary& s, const std::string& recording,
                                            const std::string& output)
{
    using Json = nlohmann::ordered_json;
    // NaN and infinities have no JSON form.
    const auto number = [](double v) { return std::isfinite(v) ? Json(v) : Json(); };
    Json json;
    json["recording"] = recording;
    json["output"] = output;
    json["sourceChannel"] = s.sourceName;
    json["channel"] = s.channelName;
    json["kind"] = s.fit.kind;
    json["kindName"] = FitKindName(s.fit.kind);
    json["samples"] = s.samples;
    json["blocks"] = s.blocks;
    json["rawLow"] = number(s.range.low);
    json["rawHigh"] = number(s.range.high);
    json["outside"] = s.outside;
    if (s.band) json["largestPredictionHalfWidth"] = number(s.largestBand);
    AddKeepingJson(s.kept, json);
    return json;
}

void WarnOfExpiry(const CalibrateSummary& s, std::ostream& err)
{
    if (!s.kept.info.expired) return;
    err << "velogram: warning: the calibration was due on " << s.kept.dueDate
        << ": it has expired (--require-valid refuses an expired calibration)\n";
}

int CalibrateCommand(const CalibrateOptions& options, std::ostream& out, std::ostream& err)
{
    const CalibrateSummary s = RunCalibrate(options);
    WarnOfCutSingularValues(s.fit, err);
    WarnOfExpiry(s, err);
    if (options.json)
        out << CalibrateSummaryJson(s, options.recording, options.output)
                   .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << "\n";
    else
        out << CalibrateSummaryLine(s, options.recording, options.output) << "\n";
    if (options.stats) err << CalibrateStatsText(s, IsDocumentPath(options.output));
    return 0;
}

}  // namespace Velogram
