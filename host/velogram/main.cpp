// velogram: the host application. Without a command, or with the path of a document or CSV
// recording, it opens its window (when built with Qt); --time-column and --rate choose how a CSV
// recording's sample interval is found. Commands: calibrate, fit, evaluate, demo; --help on
// each; they run without a display. --version (-V) prints "velogram VERSION". Exit status 0 on
// success, 1 when a command fails (the message on standard error), 2 for a command line that
// does not parse (the message on standard error, on a line of its own).
#include <exception>
#include <iostream>
#include <new>
#include <string>

#include <CLI/CLI.hpp>

#include "host/velogram/calibrate_batch.h"
#include "host/velogram/calibrate_command.h"
#include "host/velogram/command_error.h"
#include "host/velogram/csv_dialect.h"
#include "host/velogram/demo_command.h"
#include "host/velogram/evaluate_command.h"
#include "host/velogram/fit_command.h"
#include "host/velogram/fit_kind_name.h"
#include "host/velogram/velogram_build.h"
#ifdef VELOGRAM_WITH_WINDOW
#include "host/velogram/window_application.h"
#endif

namespace {

using namespace Velogram;

constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char* const kValuesHelp =
    "Values: a number, optionally followed by a blank and a unit that may start with an SI prefix "
    "(\"12.5 mV\", \"3 kPa\"), read as the calibration dialog reads its rows; a bare raw number is in the "
    "source channel's unit, a bare calibrated number in --unit. A points file is CSV with a raw and a "
    "calibrated column and an optional header row that may give each column a unit (\"Transducer (V),"
    "Pressure (kPa)\").";

// Options that calibrate and fit share: --points, --point, --fit (returned first) and
// --force-origin.
std::vector<CLI::Option*> AddPointOptions(CLI::App* command, std::string& pointsFile, std::vector<std::string>& points,
                                          std::string& fit, bool& forceOrigin)
{
    CLI::Option* file = command->add_option("--points", pointsFile, "CSV file of reference points: raw value, calibrated value");
    CLI::Option* point =
        command
            ->add_option("--point", points, "a reference point RAW=CAL, e.g. \"0.5=50\" or \"12.5 mV=3 kPa\"; repeatable")
            ->allow_extra_args(false);
    CLI::Option* fitOption = command->add_option("--fit", fit, "the fit kind: " + FitKindList());
    CLI::Option* origin = command->add_flag("--force-origin", forceOrigin, "polynomial fits pass through the origin");
    return {fitOption, file, point, origin};
}

CLI::App* AddCalibrate(CLI::App& app, CalibrateBatchOptions& batch, int& decimals)
{
    CalibrateOptions& o = batch.each;
    CLI::App* command = app.add_subcommand(
        "calibrate",
        "Calibrate one channel of a recording and write the recording with the calibrated channel added as its "
        "last column (CSV) or as a document (.vdoc); with --output-dir, several recordings at once.");
    command->add_option("RECORDING", batch.recordings,
                        "the recording: a CSV file (header \"name (unit)\" per column, one column per channel, a "
                        "blank line between blocks) or a document (.vdoc); with --output-dir, one or more")
        ->required();
    command->add_option("--channel", o.channel, "the source channel: its 0-based column number or its name")
        ->required();
    const std::vector<CLI::Option*> fitting = AddPointOptions(command, o.pointsFile, o.points, o.fit, o.forceOrigin);
    CLI::Option* unit = command->add_option(
        "--unit", o.unit, "the unit of the calibrated values, e.g. kPa or mmHg (with --calibration: the file's)");
    CLI::Option* calibration = command->add_option(
        "--calibration", o.calibrationFile,
        "apply a calibration file (velogram fit --save) as it was saved, without fitting: instead of --fit and the "
        "points");
    for (CLI::Option* option : fitting) calibration->excludes(option);
    AddOutsideOption(command, o.outside);
    AddWeightsOption(command, o.weights);
    command->add_flag("--require-valid", o.requireValid,
                      "fail when the calibration is past its due day (otherwise a warning on standard error)");
    command->add_flag("--band", o.band,
                      "CSV into CSV: add a column \"NAME \u00B1 (unit)\" after the calibrated one with the half-width "
                      "of the 95 % prediction interval of every calibrated sample (nan where the fit leaves no "
                      "degree of freedom); --stats and --json report the largest");
    command->add_flag("--json", o.json,
                      "the summary (samples, blocks, samples outside the points' raw range, what the calibration "
                      "keeps) as JSON on standard output; with --output-dir one object per line");
    command->add_option("--decimals", decimals, "decimal places of the calibrated values, 0 to 6")
        ->check(CLI::Range(0, 6));
    CLI::Option* output = command->add_option(
        "-o,--output", o.output,
        "the output: a .csv or .vdoc file, written only on success, never one of the input files");
    CLI::Option* outputDir =
        command->add_option("--output-dir", batch.outputDir,
                            "write each recording into this folder under its own file name (a CSV recording as "
                            "CSV, a document as a document), each whole or not at all; a line for each on standard "
                            "output, exit status 1 when any failed");
    output->excludes(outputDir);
    command->add_option("--threads", o.threads,
                        "threads that calibrate (default: one per processor core); 1 does everything on one thread")
        ->check(CLI::Range(1, 1024));
    // For tests: the blocks a CSV recording is read in, and the road through a recording read whole.
    command->add_option("--chunk-bytes", o.chunkBytes)->group("")->check(CLI::Range(size_t(1), CsvPipelineOptions::kMaxChunkBytes));
    command->add_flag("--whole-recording", o.wholeRecording)->group("");
    command->callback([&batch, output, outputDir, calibration, fitting, unit] {
        if (!*calibration) {
            if (!*fitting.front()) throw CLI::RequiredError("--fit");
            if (!*unit) throw CLI::RequiredError("--unit");
        }
        if (!*output && !*outputDir) throw CLI::RequiredError("-o FILE or --output-dir DIR");
        if (*output && batch.recordings.size() > 1)
            throw CLI::ValidationError("-o writes one recording; --output-dir DIR writes several");
        if (*outputDir && !batch.each.report.empty())
            throw CLI::ValidationError("--report goes with -o (one recording), not with --output-dir");
    });
    command->add_option("--name", o.name,
                        "the calibrated channel's name (default: the source's name + \" calibrated\")");
    command->add_option("--report", o.report, "also write the fit report to a .pdf or .png file");
    command->add_flag("--stats", o.stats,
                      "print the throughput, the time shares and the peak memory on standard error");
    command->add_option("--skip-lines", o.csv.skipLines,
                        "CSV: lines before the header row to pass over (a preamble); they are copied to the output")
        ->check(CLI::NonNegativeNumber);
    command
        ->add_option_function<std::string>(
            "--delimiter",
            [&o](const std::string& text) {
                char delimiter = ',';
                ParseCsvDelimiter(text, &delimiter);
                o.csv.dialect.delimiter = delimiter;
            },
            "CSV: what separates the values: comma, semicolon or tab (default: detected from the header and the "
            "first rows)")
        ->check([](const std::string& text) {
            char delimiter = ',';
            return ParseCsvDelimiter(text, &delimiter) ? std::string() : "comma, semicolon or tab, not " + text;
        });
    command->add_flag_function(
        "--decimal-comma", [&o](std::int64_t) { o.csv.dialect.decimalComma = true; },
        "CSV: the values have a decimal comma (\"1,5\"; default: detected from the first rows)");
    command->footer(std::string(kValuesHelp) + " At most 12 reference points (the rows of the calibration dialog).\n\n" +
                    "A CSV recording written as CSV keeps its own text: every line (preamble, header and rows) is "
                    "copied as it was, byte for byte, and the calibrated column is added to each row, separated and "
                    "with the decimal mark as in the input (same line ends; UTF-16 or Windows-1252 text is written "
                    "as UTF-8). A calibrated value is the shortest number that reads back as the same float, or has "
                    "--decimals places. Separator (comma, semicolon, tab) and decimal mark (point, or comma beside "
                    "semicolons or tabs) are detected from the header and the first rows; the text may be UTF-8 "
                    "or UTF-16 with a byte-order mark, a header that is not UTF-8 is read as Windows-1252, and lines "
                    "may end with LF, CR LF or CR. From a document, every column is written from its samples in "
                    "the same shortest form. A CSV recording written as CSV is streamed: read, calibrated and "
                    "written in chunks on every core, in a few megabytes of memory whatever its size.");
    return command;
}

// Options that fit and evaluate share: the points, the fit and the units.
void AddFitOptions(CLI::App* command, FitOptions& o)
{
    AddPointOptions(command, o.pointsFile, o.points, o.fit, o.forceOrigin).front()->required();
    command->add_option("--unit", o.unit, "the unit of bare calibrated numbers (and of the calibration)");
    command->add_option("--source-unit", o.sourceUnit, "the unit of bare raw numbers");
    command->add_flag("--json", o.json, "print one JSON object");
}

CLI::App* AddFit(CLI::App& app, FitOptions& o)
{
    CLI::App* command = app.add_subcommand(
        "fit", "Fit reference points and print the fit: coefficients, statistics, standard errors, the report's "
               "texts, the fit kind the points support best and every point's residual and 95 % prediction "
               "half-width.");
    AddFitOptions(command, o);
    command->add_option("--report", o.report, "also write the fit report to a .pdf or .png file");
    AddKeepingOptions(command, o.keeping);
    command->add_option("--save", o.save,
                        "also write the whole calibration (points, fit, policy, dates) to a JSON calibration file "
                        "that calibrate --calibration applies without refitting; dated today unless "
                        "--calibration-date says otherwise");
    command->footer(std::string(kValuesHelp) + " Any number of points.");
    return command;
}

CLI::App* AddEvaluate(CLI::App& app, EvaluateOptions& o)
{
    CLI::App* command = app.add_subcommand(
        "evaluate", "Fit reference points as fit does and give the calibrated value of a raw value, or the raw "
                    "value of a calibrated value, with the half-width of the 95 % prediction interval there.");
    AddFitOptions(command, o.fit);
    CLI::Option* raw = command->add_option("--raw", o.raw, "a raw value, e.g. \"0.5\" or \"12.5 mV\"");
    CLI::Option* calibrated =
        command->add_option("--calibrated", o.calibrated, "a calibrated value, e.g. \"50\" or \"3 kPa\"");
    raw->excludes(calibrated);
    command->add_flag("--within-points", o.withinPoints,
                      "--calibrated: look for the raw value only between the points' lowest and highest raw values");
    command->footer(std::string(kValuesHelp) +
                    " Any number of points. --calibrated follows the curve beyond the points as far as it keeps "
                    "its direction there; no raw value, or several, is an error that names them.");
    return command;
}

CLI::App* AddDemo(CLI::App& app, DemoOptions& o)
{
    CLI::App* command = app.add_subcommand(
        "demo", "Calibrate the bundled demo recording (a pressure transducer in volts, two blocks) into the current "
                "directory and print a short summary.");
    command->add_option("--data", o.dataDir, "the folder holding pressure.csv and pressure_points.csv");
    command->add_option("-o,--output", o.output, "the calibrated recording to write")->capture_default_str();
    return command;
}

#ifdef VELOGRAM_WITH_WINDOW
// The window is for `velogram [--time-column NAME] [--rate HZ] [PATH]`: the window's options
// and at most one argument that is not a command. Anything else is for the commands' parser.
bool WantsWindow(int argc, char** argv)
{
    int paths = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--time-column" || arg == "--rate") {
            ++i;  // its value; a missing one is the window's parser's to report
            continue;
        }
        if (arg.starts_with("--time-column=") || arg.starts_with("--rate=")) continue;
        if (arg.empty() || arg[0] == '-') return false;
        if (i == 1 && (arg == "calibrate" || arg == "fit" || arg == "evaluate" || arg == "demo")) return false;
        if (++paths > 1) return false;
    }
    return true;
}

// Parses the window's command line and runs the window. Returns the exit status.
int RunWindow(int argc, char** argv)
{
    CLI::App app{"velogram: opens a recording in the application window.", "velogram"};
    app.failure_message([](const CLI::App* a, const CLI::Error& e) {
        return "velogram: error: " + CLI::FailureMessage::simple(a, e);
    });
    std::string path, timeColumn;
    double rate = 0;
    app.add_option("PATH", path, "a document (.vdoc) or CSV recording to open");
    CLI::Option* column = app.add_option(
        "--time-column", timeColumn,
        "CSV: the column (its name or 0-based number) that holds the rows' times in seconds, or in the unit its "
        "header gives (\"Time (ms)\"); it gives each block its sample interval and is no channel (default: the "
        "first column when its header names a time)");
    app.add_option("--rate", rate, "CSV: the samples per second of every block (no time column is then looked for)")
        ->check(CLI::PositiveNumber)
        ->excludes(column);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : kUsage;
    }
    CsvReadOptions options;
    options.time.mode = timeColumn.empty() ? CsvTimeColumn::Mode::kDetect : CsvTimeColumn::Mode::kNamed;
    options.time.name = timeColumn;
    options.sampleRate = rate;
    return RunApplicationWindow(argc, argv, path, options);
}
#endif

}  // namespace

int main(int argc, char** argv)
{
#ifdef VELOGRAM_WITH_WINDOW
    if (WantsWindow(argc, argv)) return RunWindow(argc, argv);
#endif
    CLI::App app{"velogram: calibrates recordings through the Tessar calibration module.", "velogram"};
    app.set_version_flag("-V,--version", std::string("velogram ") + kVersion, "print the version and exit");
    // A usage error reads as every other error of velogram: "velogram: error: ...", then how to get help.
    app.failure_message([](const CLI::App* a, const CLI::Error& e) {
        return "velogram: error: " + CLI::FailureMessage::simple(a, e);
    });
    app.require_subcommand(1);
    CalibrateBatchOptions calibrate;
    FitOptions fit;
    EvaluateOptions evaluate;
    DemoOptions demo;
    int decimals = -1;
    CLI::App* calibrateCommand = AddCalibrate(app, calibrate, decimals);
    CLI::App* fitCommand = AddFit(app, fit);
    CLI::App* evaluateCommand = AddEvaluate(app, evaluate);
    CLI::App* demoCommand = AddDemo(app, demo);
#ifdef VELOGRAM_WITH_WINDOW
    // Set after the commands are added, which would otherwise take it as their own footer.
    app.footer("Without a command, or with the path of a document (.vdoc) or CSV recording, velogram opens its "
               "window: velogram [--time-column NAME] [--rate HZ] [PATH]. A CSV recording's blocks get their sample "
               "interval from the column --time-column names (its name or 0-based number; seconds, or the unit its "
               "header gives, such as \"Time (ms)\"), else from --rate (samples per second), else from the first "
               "column when its header names a time (\"Time (s)\"); a time column is no channel.");
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : kUsage;
    }
    if (decimals >= 0) calibrate.each.decimals = decimals;

    try {
        if (calibrateCommand->parsed()) {
            if (!calibrate.outputDir.empty()) return CalibrateBatchCommand(calibrate, std::cout, std::cerr);
            calibrate.each.recording = calibrate.recordings.front();
            return CalibrateCommand(calibrate.each, std::cout, std::cerr);
        }
        if (fitCommand->parsed()) return FitCommand(fit, std::cout);
        if (evaluateCommand->parsed()) return EvaluateCommand(evaluate, std::cout);
        if (demoCommand->parsed()) return DemoCommand(demo, std::cout);
    } catch (const CommandError& e) {
        std::cerr << "velogram: error: " << e.what() << "\n";
        return kFailed;
    } catch (const std::bad_alloc&) {
        std::cerr << "velogram: error: out of memory\n";
        return kFailed;
    } catch (const std::exception& e) {
        std::cerr << "velogram: error: " << e.what() << "\n";
        return kFailed;
    }
    return kUsage;
}
