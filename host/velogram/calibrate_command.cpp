#include "host/velogram/stopwatch.h"
#include "host/velogram/calibrate_command.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>

#include "interfaces/recording.h"
#include "foundation/kvi_string.h"
#include "host/velogram/command_error.h"
#include "host/velogram/csv_writer.h"
#include "host/velogram/fit_kind_name.h"
#include "host/velogram/interruption.h"
#include "host/velogram/output_file.h"
#include "host/velogram/point_set.h"
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
    const Named inputs[] = {{options.recording, "the recording"}, {options.pointsFile, "the points file"}};
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

}  // namespace

int64_t PeakMemoryBytes()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return int64_t(usage.ru_maxrss) * 1024;
}

CalibrateSummary RunCalibrate(const CalibrateOptions& options)
{
    // Everything that needs no recording is checked first, so a mistake costs no reading.
    CheckOptions(options);
    const int32_t kind = ParseFitKind(options.fit);
    PointSet set = GatherPoints(options.pointsFile, options.points);
    std::vector<ReferencePoint>& points = set.points;
    if (points.size() > kMaxCalibrationPoints)
        throw CommandError("calibrate takes at most " + std::to_string(kMaxCalibrationPoints) +
                           " reference points, the rows of the calibration dialog, so that the calibration stays "
                           "editable there; " + std::to_string(points.size()) +
                           " were given (velogram fit analyses any number)");
    RefuseInputsAsOutputs(options);
    CatchInterruptions();
    // The output's folder is tried before the recording is read: a missing or read-only folder
    // costs no reading.
    std::optional<OutputFile> out;
    if (IsDocumentPath(options.output))
        OutputFile::CheckFolder(options.output);
    else
        out.emplace(options.output);

    const ModuleSession session;
    // The clock runs from reading the recording to the last byte written; starting the
    // framework and loading the modules is the same for every recording.
    const auto start = Clock::now();
    CalibrateSummary summary;
    ImportedRecording imported = ImportRecording(session.Framework(), options.recording, options.csv);
    const ComPtr<IZorDocument>& document = imported.document;
    summary.readSeconds = Seconds(start);
    ComPtr<IRecording> recording;
    ComPtr<IChannelCalculations> calculations;
    if (FAILED(document.As(IID_IRecording, recording)) || FAILED(document.As(IID_IChannelCalculations, calculations)))
        throw CommandError("the framework's document lacks its recording");

    const int32_t source = FindChannel(recording.Get(), options.channel);
    summary.sourceName = ChannelName(recording.Get(), source);
    const std::string sourceUnit = SourceUnitText(recording.Get(), source);
    CompletePointUnits(points, ResolvePointUnits(set, sourceUnit, options.unit, false, "the channel"));
    summary.points = points.size();
    ComPtr<IPersistObject> settings =
        session.Fit(points, sourceUnit, options.unit, kind, options.forceOrigin, source);
    if (options.decimals) settings = session.WithDecimalPlaces(settings.Get(), *options.decimals);
    if (!options.report.empty()) session.RenderReport(settings.Get(), options.report, sourceUnit);
    summary.fit = session.Describe(settings.Get(), sourceUnit);

    // The calibrated channel, last: a calculation of the module's class on a new channel.
    summary.channelName = options.name.empty() ? summary.sourceName + " calibrated" : options.name;
    int32_t channel = -1;
    Check(recording->AddChannel(KVI::String::FromUtf8(summary.channelName).Interface(), &channel),
          "the recording cannot take a new channel");
    Check(calculations->SetCalculation(channel, session.CalculationClass(), 0),
          "the calibrated channel cannot be created");
    Check(calculations->ApplySettings(channel, settings.Get()), "the calibration cannot be applied");

    recording->GetBlockCount(&summary.blocks);
    summary.sourceSamples = SampleCount(recording.Get(), source, summary.blocks);
    summary.samples = SampleCount(recording.Get(), channel, summary.blocks);

    if (!out) {
        const auto t0 = Clock::now();
        platform::ComPtr<IAutoKVIString> error;
        const HRESULT hr = document->Save(platform::Utf8ToUtf16(options.output).c_str(), error.Put());
        const std::string why = KVI::TakeUtf8(std::move(error));
        if (FAILED(hr))
            throw CommandError(why.empty() ? "cannot write " + options.output + ": " + ResultText(hr) : why);
        summary.formatSeconds = Seconds(t0);
    } else {
        CsvWriter writer(recording.Get(), *out);
        if (options.decimals) writer.SetDecimals(channel, *options.decimals);
        if (imported.text && imported.text->Rereadable())
            writer.CopyColumnsFrom(*imported.text);
        else if (imported.text)
            std::cerr << "velogram: note: " << options.recording
                      << " cannot be read twice (it is not a regular file): its columns are written from their "
                         "samples\n";
        writer.Write();
        out->Commit();
        summary.calibrateSeconds = writer.ReadSeconds()[size_t(channel)];
        summary.formatSeconds = writer.FormatSeconds();
        for (size_t c = 0; c + 1 < writer.ReadSeconds().size(); ++c) summary.formatSeconds += writer.ReadSeconds()[c];
    }
    summary.seconds = Seconds(start);
    return summary;
}

int CalibrateCommand(const CalibrateOptions& options)
{
    const CalibrateSummary s = RunCalibrate(options);
    WarnOfCutSingularValues(s.fit, std::cerr);
    if (!options.stats) return 0;
    const double mib = 1024.0 * 1024.0;
    const double shareBase = std::max(s.seconds, 1e-9);
    if (IsDocumentPath(options.output)) {
        // A document stores the calibration, not its samples: they are calculated when read.
        std::fprintf(stderr,
                     "velogram: %lld samples in the calibrated channel, written as a document in %.3f s "
                     "(the calibration is stored; its samples are calculated when the document is read)\n",
                     static_cast<long long>(s.samples), s.seconds);
        std::fprintf(stderr, "velogram: time: reading the recording %.3f s (%.0f%%), writing the document %.3f s (%.0f%%)\n",
                     s.readSeconds, 100 * s.readSeconds / shareBase, s.formatSeconds, 100 * s.formatSeconds / shareBase);
    } else {
        std::fprintf(stderr, "velogram: %lld samples calibrated in %.3f s (%.2f million samples/s)\n",
                     static_cast<long long>(s.samples), s.seconds, s.samples / shareBase / 1e6);
        std::fprintf(stderr,
                     "velogram: time: reading the recording %.3f s (%.0f%%), calibrating %.3f s (%.0f%%), "
                     "formatting and writing %.3f s (%.0f%%)\n",
                     s.readSeconds, 100 * s.readSeconds / shareBase, s.calibrateSeconds,
                     100 * s.calibrateSeconds / shareBase, s.formatSeconds, 100 * s.formatSeconds / shareBase);
    }
    std::fprintf(stderr, "velogram: peak memory %.1f MiB (the source samples as floats: %.1f MiB)\n",
                 PeakMemoryBytes() / mib, s.sourceSamples * sizeof(float) / mib);
    return 0;
}

}  // namespace Velogram
